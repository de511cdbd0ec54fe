#pragma once
// The one place where a framework hands the crash reporter an exception it caught at its catch point.
// Free of dependencies on purpose: the framework includes this header and nothing else of the crash
// reporter, and the crash reporter sets the slot when it starts and clears it when it stops.
#include <exception>

namespace jov {

// True when the crash reporter took the exception over; false leaves it to the framework's own
// handling (the crash reporter is off, or the exception is one it does not report).
using TCatchPointHook = bool (*)(std::exception_ptr exception);

inline TCatchPointHook CatchPointHook = nullptr;

} // namespace jov
