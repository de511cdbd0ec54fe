// The guard is a frame-based handler of its own on the thread's handler chain: it sees only what no inner
// frame handled (a foreign module's own handlers keep their exceptions, vectored handlers would not), and
// it works on every system version. A fault becomes: the system unwinds the inner handler frames (their
// termination handlers run), then a jump back to the guard, whose landing gives back what the step held.
#include "crashreport/jovStepGuard.h"

#include "crashreport/jovDisAsmSafeRead.h"
#include "crashreport/jovThrowSite.h"

#include <windows.h>

#include <cxxabi.h>
#include <excpt.h>

namespace jov {
namespace {

// A critical section's own fields, read while another thread may change them.
using SectionView = RTL_CRITICAL_SECTION;

DWORD OwnerOf(const SectionView* section) {
    return static_cast<DWORD>(
        reinterpret_cast<ULONG_PTR>(static_cast<const volatile SectionView*>(section)->OwningThread));
}

// The critical section behind a heap's lock, found by taking the lock and looking in the heap's first page
// for the section this thread then owns once and afterwards not at all. Nil when none shows.
SectionView* HeapSection(HANDLE heap) {
    constexpr size_t kWords = 4096 / sizeof(uint32_t);
    uint32_t locked[kWords];
    // The first read, outside the lock, also finds the read routine: finding it takes the loader lock,
    // which a thread starting up holds while it waits for the heap.
    if (!heap || !SafeReadMemory(heap, locked, sizeof locked) || !HeapLock(heap)) return nullptr;
    const bool read = SafeReadMemory(heap, locked, sizeof locked);
    HeapUnlock(heap);
    if (!read) return nullptr;
    const DWORD self = GetCurrentThreadId();
    constexpr size_t kSectionWords = sizeof(SectionView) / sizeof(uint32_t);
    for (size_t i = 0; i + kSectionWords <= kWords; ++i) {
        const auto* then = reinterpret_cast<const SectionView*>(&locked[i]);
        if (then->RecursionCount != 1 || OwnerOf(then) != self) continue;
        auto* section = reinterpret_cast<SectionView*>(static_cast<uint32_t*>(heap) + i);
        SectionView now;
        if (SafeReadMemory(section, &now, sizeof now) && now.RecursionCount == 0 && !now.OwningThread)
            return section;
    }
    return nullptr;
}

using HeapHandleProc = intptr_t(__cdecl*)();

// Found while the program starts, when no thread is paused and none holds a heap.
struct HeapSections {
    SectionView* Process;
    SectionView* Runtime; // the C runtime's own heap, when it has one
};
const HeapSections heapSections = [] {
    HeapSections found{HeapSection(GetProcessHeap()), nullptr};
    const auto runtimeHeap = reinterpret_cast<HeapHandleProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), "_get_heap_handle")));
    const auto heap = runtimeHeap ? reinterpret_cast<HANDLE>(runtimeHeap()) : nullptr;
    if (heap && heap != GetProcessHeap()) found.Runtime = HeapSection(heap);
    return found;
}();

// The language runtime's record of the exceptions a thread is handling; a step left by a fault may have
// been inside a catch block or an unwinding.
struct LanguageExceptions {
    void* Caught;
    unsigned int Uncaught;
};

void* HandlerChainHead() {
    void* head;
    __asm__ volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}

void SetHandlerChainHead(void* head) {
    __asm__ volatile("movl %0, %%fs:0" : : "r"(head) : "memory");
}

} // namespace

bool HoldsHeapLock() noexcept {
    const DWORD self = GetCurrentThreadId();
    for (SectionView* section : {heapSections.Process, heapSections.Runtime})
        if (section && OwnerOf(section) == self) return true;
    return false;
}

void LeaveHeapLocks() noexcept {
    const DWORD self = GetCurrentThreadId();
    for (SectionView* section : {heapSections.Process, heapSections.Runtime})
        while (section && OwnerOf(section) == self && section->RecursionCount > 0)
            LeaveCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section));
}

extern "C" EXCEPTION_DISPOSITION __cdecl jovStepGuardHandler(EXCEPTION_RECORD*, void*, CONTEXT*, void*);

// The handler-chain record first, as the system reads it.
struct GuardFrame {
    GuardFrame* Next;
    void* Handler;
    void* Jump[5]; // the landing, for __builtin_longjmp
    TStepFailure* Failure;
    LanguageExceptions* Language;
    LanguageExceptions LanguageAtEntry;
    static constexpr int kSections = 4;
    SectionView* Sections[kSections];
    LONG HeldAtEntry[kSections];
    TFaultRelease* Releases;
    // Copied out of the skipped frames before the jump: the landing's own calls overwrite them.
    static constexpr int kReleases = 8;
    TFaultRelease::Release PendingRelease[kReleases];
    void* PendingResource[kReleases];
    int Pending;
    unsigned short FpuControl;

    void Enter() {
        Language = reinterpret_cast<LanguageExceptions*>(abi::__cxa_get_globals());
        LanguageAtEntry = *Language;
        const uint32_t peb = PebPointer();
        Sections[0] = *reinterpret_cast<SectionView**>(peb + PebLoaderLockOffset);
        Sections[1] = *reinterpret_cast<SectionView**>(peb + PebFastLockOffset);
        Sections[2] = heapSections.Process;
        Sections[3] = heapSections.Runtime;
        const DWORD self = GetCurrentThreadId();
        for (int i = 0; i < kSections; ++i)
            HeldAtEntry[i] = Sections[i] && OwnerOf(Sections[i]) == self ? Sections[i]->RecursionCount : 0;
        Releases = nullptr;
        Pending = 0;
        __asm__ volatile("fnstcw %0" : "=m"(FpuControl));
        Handler = reinterpret_cast<void*>(&jovStepGuardHandler);
        Next = static_cast<GuardFrame*>(HandlerChainHead());
        SetHandlerChainHead(this);
    }

    void Leave() { SetHandlerChainHead(Next); }

    // Still inside the handler, on the stack below the skipped frames.
    void KeepReleases() {
        for (TFaultRelease* r = Releases; r && Pending < kReleases; r = r->next_, ++Pending) {
            PendingRelease[Pending] = r->release_;
            PendingResource[Pending] = r->resource_;
        }
        Releases = nullptr;
    }

    void Land(DWORD code) {
        Leave();
        __asm__ volatile("cld\n\tfnclex\n\tfldcw %0" : : "m"(FpuControl));
        if (code == EXCEPTION_STACK_OVERFLOW) RearmStackGuard();
        for (int i = 0; i < Pending; ++i) PendingRelease[i](PendingResource[i]);
        const DWORD self = GetCurrentThreadId();
        for (int i = 0; i < kSections; ++i)
            while (Sections[i] && OwnerOf(Sections[i]) == self &&
                   Sections[i]->RecursionCount > HeldAtEntry[i])
                LeaveCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(Sections[i]));
        *Language = LanguageAtEntry;
    }

    // An overflow used up the guard page below the stack; without a new one the next overflow would end
    // the process unannounced. The guard goes back onto the lowest accessible page, and the thread's
    // stack limit above it, as on a fresh stack.
    static void RearmStackGuard() {
        MEMORY_BASIC_INFORMATION region;
        const auto* here = static_cast<const char*>(__builtin_frame_address(0));
        if (VirtualQuery(here, &region, sizeof region) != sizeof region) return;
        auto* const bottom = static_cast<char*>(region.AllocationBase);
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        const DWORD page = system.dwPageSize;
        for (char* at = bottom; at < here; at = static_cast<char*>(region.BaseAddress) + region.RegionSize) {
            if (VirtualQuery(at, &region, sizeof region) != sizeof region) return;
            if (region.State != MEM_COMMIT || region.Protect == PAGE_NOACCESS) continue;
            DWORD old;
            if (region.Protect & PAGE_GUARD || at == bottom || at + 2 * page > here ||
                !VirtualProtect(at, page, region.Protect | PAGE_GUARD, &old))
                return;
            char* limit;
            __asm__ volatile("movl %%fs:8, %0" : "=r"(limit)); // NT_TIB.StackLimit
            if (limit <= at) __asm__ volatile("movl %0, %%fs:8" : : "r"(at + page) : "memory");
            return;
        }
    }
};

namespace {

bool IsStepFailure(DWORD code) {
    // Informational codes (thread naming, debug output) are meant to be continued; a debugger's own
    // breakpoints are its to handle.
    if (!(code & 0x80000000)) return false;
    return !((code == EXCEPTION_BREAKPOINT || code == EXCEPTION_SINGLE_STEP) && IsDebuggerPresent());
}

// The system's unwind of the handler frames above `frame`, which keeps none of the caller's registers.
__attribute__((naked, used)) void UnwindTo(GuardFrame*) {
    __asm__ volatile("pushl %ebp\n\t"
                     "movl %esp, %ebp\n\t"
                     "pushl %ebx\n\t"
                     "pushl %esi\n\t"
                     "pushl %edi\n\t"
                     "pushl $0\n\t"
                     "pushl $0\n\t"
                     "pushl $1f\n\t"
                     "pushl 8(%ebp)\n\t"
                     "call *__imp__RtlUnwind@16\n"
                     "1:\n\t"
                     "leal -12(%ebp), %esp\n\t"
                     "popl %edi\n\t"
                     "popl %esi\n\t"
                     "popl %ebx\n\t"
                     "popl %ebp\n\t"
                     "ret");
}

__attribute__((noinline)) bool CallCatching(void (*step)(void*), void* context, TStepFailure& failure) {
    try {
        step(context);
        return true;
    } catch (...) {
        failure.Code = 0;
        const TThrowSite* site = FindThrowSite(GetCurrentThreadId());
        failure.Address = site ? site->ReturnAddress : 0;
        return false;
    }
}

} // namespace

extern "C" EXCEPTION_DISPOSITION __cdecl jovStepGuardHandler(EXCEPTION_RECORD* record, void* establisher,
                                                             CONTEXT*, void*) {
    if ((record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) ||
        !IsStepFailure(record->ExceptionCode))
        return ExceptionContinueSearch;
    auto* frame = static_cast<GuardFrame*>(establisher);
    frame->Failure->Code = record->ExceptionCode;
    frame->Failure->Address = reinterpret_cast<uint32_t>(record->ExceptionAddress);
    UnwindTo(frame);
    frame->KeepReleases();
    __builtin_longjmp(frame->Jump, 1);
}

__attribute__((noinline)) bool RunGuardedStep(void (*step)(void*), void* context,
                                              TStepFailure& failure) noexcept {
    GuardFrame frame;
    frame.Failure = &failure;
    failure = {};
    if (__builtin_setjmp(frame.Jump)) {
        frame.Land(failure.Code);
        return false;
    }
    frame.Enter();
    const bool completed = CallCatching(step, context, failure);
    frame.Leave();
    return completed;
}

TFaultRelease::TFaultRelease(Release release, void* resource) noexcept
    : release_(release), resource_(resource), guard_(nullptr) {
    for (auto* record = static_cast<GuardFrame*>(HandlerChainHead());
         record && record != reinterpret_cast<GuardFrame*>(-1); record = record->Next)
        if (record->Handler == reinterpret_cast<void*>(&jovStepGuardHandler)) {
            guard_ = record;
            next_ = record->Releases;
            record->Releases = this;
            return;
        }
}

TFaultRelease::~TFaultRelease() {
    if (guard_) guard_->Releases = next_;
}

} // namespace jov
