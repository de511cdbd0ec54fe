#pragma once
// The outermost handler of every thread: an exception that no code of the thread catches is reported
// here and ends the thread (a secondary thread quietly, the main thread through the close rule).
#include <windows.h>

#include <string>

namespace jov {

// Installed as the process's unhandled-exception filter.
LONG WINAPI ThreadLastChanceHandler(EXCEPTION_POINTERS* pointers);

// Reports the exception (continuable on secondary threads), removes the thread's registry entry and
// ends the thread with exit code 0.
[[noreturn]] void ReportThreadExceptionAndExit(const EXCEPTION_RECORD& record, const void* stackPointer);
// Reports an operating-system exception as not continuable.
void ReportOsException(const EXCEPTION_RECORD& record, const void* stackPointer, const void* framePointer);

// The exception's text: the access-violation text or the exception text table.
std::string OsExceptionMessage(const EXCEPTION_RECORD& record);
// "Access violation at address $401a2b in module 'x.exe'. Read of address $0".
std::string AccessViolationText(const EXCEPTION_RECORD& record);

// The thread-naming exception (0x406D1388, type 0x1000): names the thread in the registry when it is
// raised; the raiser's own handler (or the last-chance handler) then continues it.
LONG WINAPI ThreadNamingHandler(EXCEPTION_POINTERS* pointers);

} // namespace jov
