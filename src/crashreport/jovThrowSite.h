#pragma once
// Where each thread threw its latest C++ exceptions. With table-driven unwinding the thrower's frames are
// gone by the time a catch point runs, and the catch and the report's own calls reuse their stack, so the
// throw itself (the linker routes __cxa_throw through jov's wrapper) records the type, the object, the
// registers and a copy of the thrower's stack. A report of a caught exception traces from this record.
//
// A throw costs one copy of at most ThrowSiteStackCopyLimit bytes, into one of the two records of its
// thread; the records are committed once per throwing thread, outside every heap, and live as long as
// the program. Each throw replaces the thread's older record, so an exception survives one nested throw
// made while it is handled; a rethrow keeps the record of the first throw. A record that a report holds
// is not replaced: a throw meanwhile takes the other record, or goes unrecorded when both are held.
#include <cstddef>
#include <cstdint>
#include <typeinfo>

namespace jov {

constexpr uint32_t ThrowSiteStackCopyLimit = 16 * 1024;

struct TThrowSite {
    uint32_t ThreadId;          // the thread that threw
    const std::type_info* Type; // the thrown type
    const void* Object;         // the thrown object (lives as long as the exception)
    uint32_t ReturnAddress;     // in the throwing code, right after its call of __cxa_throw
    uint32_t StackPointer;      // the thrower's stack pointer before that call
    uint32_t FramePointer;      // the thrower's frame pointer
    uint32_t StackCopyBase;     // address of the first copied stack byte (= StackPointer)
    uint32_t StackCopySize;     // bytes copied: up to the stack's top, at most the limit
    uint8_t StackCopy[ThrowSiteStackCopyLimit];
};

// The newest throw of a thread, nil when it has thrown none that was recorded. Only for the thread's own
// look at its newest throw: another thread's record may change while it is read.
const TThrowSite* FindThrowSite(uint32_t threadId);

// A record kept from being replaced for the holder's life; empty when no record matched.
class ThrowSiteHold {
public:
    ThrowSiteHold() = default;
    // The thread's throw of this object of this type.
    static ThrowSiteHold OfObject(uint32_t threadId, const std::type_info* type, const void* object);
    // The thread's throw that returned to returnAddress with that stack pointer: what a request queued
    // from a held record carries.
    static ThrowSiteHold AtThrow(uint32_t threadId, uint32_t returnAddress, uint32_t stackPointer);
    ~ThrowSiteHold();
    ThrowSiteHold(const ThrowSiteHold&) = delete;
    ThrowSiteHold& operator=(const ThrowSiteHold&) = delete;

    const TThrowSite* get() const { return site_; }

private:
    friend struct ThrowSiteRecords;
    ThrowSiteHold(const TThrowSite* site, volatile long* readers) : site_(site), readers_(readers) {}
    const TThrowSite* site_ = nullptr;
    volatile long* readers_ = nullptr;
};

} // namespace jov
