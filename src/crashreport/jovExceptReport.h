#pragma once
// The bug report of one failure and the texts that name an exception.
#include "crashreport/jovTypes.h"

#include <windows.h>

#include <string>

namespace jov {

// The class name of the exception, "Unknown" without one or when its class cannot be read.
std::string ExceptionClassName(const TExceptionRef* exception);
// The message of an exception derived (by name) from JovException or the runtime's exception class,
// else its class name; without control characters; "Unknown" when empty.
std::string ExceptionMessageText(const TExceptionRef* exception);

// The report: the exception's class, message, address, module and thread. The stack traces, modules and
// machine data join it with the full composer.
void ComposeCrashReport(bool frozen, const TExceptionRef* exception, const void* address, DWORD threadId,
                        const void* stackPointer, const void* framePointer, bool showProgress,
                        std::string& report);

} // namespace jov
