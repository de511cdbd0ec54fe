#pragma once
// The runtime's exception paths, redirected to the crash reporter: the unhandled-exception filter
// (every thread, stack overflow included; guarded against being replaced later), the framework's catch
// point, std::terminate (uncaught C++ exceptions, exceptions through system frames, pure virtual calls),
// SIGABRT (abort, assert) and the vectored handler that sees the thread-naming exception.
#include <exception>
#include <string>

namespace jov {

// Installs every hook and remembers what it replaced; false when one of them could not be installed
// (the others stay).
bool InstallRuntimeHooks();
// Puts back the previous filter, terminate handler and signal handler. The filter guard is a code patch
// and goes with UndoCodePatches, which must run first.
void RemoveRuntimeHooks();

// The hooks themselves, for the crash programs and tests that call them directly.
// A caught C++ exception as a request; the throw site (when this thread recorded the throw of this very
// object) gives the address, the registers and the stack copy that the report traces.
void QueueCxxException(const std::exception_ptr& exception, bool canContinue, std::string* reportResult);
bool CatchPointReport(std::exception_ptr exception);
[[noreturn]] void TerminateReport();
void AbortSignalReport(int signal);

} // namespace jov
