#pragma once
// The call stack of one thread as report text: one line per frame, innermost first, with address,
// module, unit, source line and function. The logic is core/StackTrace; this unit supplies the process.
#include "crashreport/jovProgress.h"
#include "crashreport/jovThrowSite.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace jov {

// A copy of the innermost part of a stack (the throw site): the bytes that were at [Base, Base + Size). The
// stack above it is read live, below it nothing.
struct TSavedStack {
    uintptr_t Base = 0;
    const std::uint8_t* Bytes = nullptr;
    std::size_t Size = 0;
};

// currentAddress: the exception address of the faulting thread, else the thread's instruction pointer;
// 0 without exception means the caller's own return point. externalException: currentAddress is the
// faulting instruction, not the return address behind the call that raised. stackBegin 0: our own stack
// pointer; stackEnd 0: our stack base. With `saved`, the stack is read through the copy, and stackBegin and
// stackEnd default to its bounds. Never throws: a failing step gives an internal-error text.
std::string TraceStack(bool HideItemsWithoutLine, bool ShowRelativeAddress, bool ShowRelativeLine,
                       const void* currentAddress, bool exception, bool externalException,
                       const void* stackBegin, const void* stackEnd, const void* creatorAddress,
                       const void*& outAddress, const void*& outEntryPoint, ProgressTracker* progress,
                       const void* framePointer, const TSavedStack* saved = nullptr);

// A caught C++ exception, traced as its stack stood at the throw: the first line is the throwing call.
// stackEnd: the thread's stack top (0: where the copy ends); creatorAddress as for TraceStack.
std::string TraceThrowSite(bool HideItemsWithoutLine, bool ShowRelativeAddress, bool ShowRelativeLine,
                           const TThrowSite& site, const void* stackEnd, const void* creatorAddress,
                           const void*& outAddress, const void*& outEntryPoint, ProgressTracker* progress);

// The stack range [limit, base) of a thread of this process, from its thread information block; the
// thread handle needs THREAD_QUERY_INFORMATION. False when the block cannot be had.
bool ThreadStackLimits(HANDLE thread, const void*& stackLimit, const void*& stackBase);

// "xxxxxxxx module unit line function", or the digits and " ???" when the symbols know nothing.
std::string DescribeAddress(const void* address);

// The module and function caches, with the symbol tables they share, live until the crash reporter stops;
// a trace cut off by the end of its thread leaves them to the process. The caller holds the report turn.
void FreeStackTraceCaches();

} // namespace jov
