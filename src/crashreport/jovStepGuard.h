#pragma once
// One step of the crash reporter run so that nothing leaves it: neither a C++ throw nor an operating-system
// exception (access violation, in-page error, divide, illegal instruction, stack fault...), raised in our own
// code or in a foreign module's. A fault returns to the step's guard: the foreign frames in between run
// their own termination handlers, the locks the step took are given back, and our frames in between are
// left without their destructors (what they allocated leaks; nothing outside the step is half-changed,
// because a step hands its result back only when it completes).
#include <cstdint>
#include <type_traits>

namespace jov {

struct TStepFailure {
    // The system's exception code; 0 for a C++ throw.
    uint32_t Code = 0;
    // Where it happened (for a throw, behind the throwing call when recorded); 0 when unknown.
    uint32_t Address = 0;
};

// True when the step completed; false with `failure` filled in when it raised or faulted. Guards nest, and
// every thread has its own.
bool RunGuardedStep(void (*step)(void*), void* context, TStepFailure& failure) noexcept;

template <class Step> bool RunGuarded(Step&& step, TStepFailure& failure) noexcept {
    using Callable = std::remove_reference_t<Step>;
    return RunGuardedStep([](void* callable) { (*static_cast<Callable*>(callable))(); }, &step, failure);
}

// For a step whose failure needs no more than its end.
template <class Step> bool RunGuarded(Step&& step) noexcept {
    TStepFailure failure;
    return RunGuarded(step, failure);
}

// The step's result, or `failed` when it raised or faulted: for the steps of a report that reach foreign
// code (a shell extension, a printer driver, a mail program, a handler).
template <class Result, class Step> Result GuardedResult(Result failed, Step&& step) noexcept {
    Result result = failed;
    RunGuarded([&] { result = step(); });
    return result;
}

// True when the calling thread holds the lock of the process heap or of the C runtime's heap: it faulted
// inside one, or was stopped there.
bool HoldsHeapLock() noexcept;
// Gives up the heap locks the calling thread holds, before it ends: a thread ended with a heap's lock
// would leave every later allocation of the program waiting.
void LeaveHeapLocks() noexcept;

struct GuardFrame;

// A resource held on the stack that the innermost guard of this thread gives back when its step faults
// (the holder's destructor does not run then). Outside any guard it does nothing. The release runs after
// the jump back, when the step's frames are gone: `resource` must not point into them.
class TFaultRelease {
public:
    using Release = void (*)(void* resource);
    TFaultRelease(Release release, void* resource) noexcept;
    ~TFaultRelease();
    TFaultRelease(const TFaultRelease&) = delete;
    TFaultRelease& operator=(const TFaultRelease&) = delete;

private:
    friend struct GuardFrame;
    TFaultRelease* next_ = nullptr;
    Release release_;
    void* resource_;
    GuardFrame* guard_;
};

} // namespace jov
