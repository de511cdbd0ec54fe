#pragma once
// The bug report of one failure and the texts that name an exception.
#include "crashreport/core/ReportThreads.h"
#include "crashreport/jovTypes.h"

#include <windows.h>

#include <string>

namespace jov {

// The class name of the exception as the report shows it ("runtime_error"), or, qualified, as C++ spells it
// ("std::runtime_error"); "Unknown" without one or when its class cannot be read.
std::string ExceptionClassName(const TExceptionRef* exception, bool qualified = false);
// The message of an exception derived (by name) from JovException or the runtime's exception class,
// else its class name; without control characters; "Unknown" when empty.
std::string ExceptionMessageText(const TExceptionRef* exception);

// The whole report: header, exception lines, one call stack per thread, modules, hardware and the
// disassembly of the failing function, as the settings ask. Never throws: a failing step ends the text
// with a line that says so.
void ComposeCrashReport(bool frozen, const TExceptionRef* exception, const void* address, DWORD threadId,
                        const void* stackPointer, const void* framePointer, bool showProgress,
                        std::string& report);

std::string ComposeReportHeader();

// The thread's stack range, registers, priority (0 when unknown) and whether it was suspended before the
// crash reporter paused it.
bool ThreadContextInfo(DWORD threadId, ThreadContextData& context);
bool IsThreadSuspended(DWORD threadId, HANDLE thread);

} // namespace jov
