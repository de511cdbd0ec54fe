#pragma once
// Where each thread threw its latest C++ exception. With table-driven unwinding the thrower's frames are
// gone by the time a catch point runs, so the throw itself (the linker routes __cxa_throw through
// jov's wrapper) records the type, the object, the registers and a copy of the thrower's stack. A stack
// trace of a caught exception starts from this record and reads the stack through ReadThrowSiteMemory.
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
    uint32_t Sequence;          // counts the thread's throws; odd while a throw is being recorded
    uint8_t StackCopy[ThrowSiteStackCopyLimit];
};

// The latest throw of a thread, nil when it has thrown none that was recorded. The record stays valid
// for the program's run; a later throw of the same thread overwrites it.
const TThrowSite* FindThrowSite(uint32_t threadId);

// The record whose thrown object is `object` (the exception being reported), nil when none is.
const TThrowSite* FindThrowSiteOfObject(uint32_t threadId, const void* object);

// Reads memory as it was at the throw: bytes inside the copied stack range come from the copy, all
// others through the safe reads. True only when every byte was read.
bool ReadThrowSiteMemory(const TThrowSite& site, uint32_t address, void* destination, size_t length);

} // namespace jov
