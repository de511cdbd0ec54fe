#pragma once
// What happens after a report: the user is told, the program restarts or closes.
#include "crashreport/jovTypes.h"

#include <string>

namespace jov {

// Ends the process at once with exit code 1; no finalisation runs.
[[noreturn]] void CloseApplication();
// Starts the program again with the same command line, hands it the exception-time history and ends
// this process with exit code 2 (also when the new one cannot be started).
[[noreturn]] void RestartProcess();

// Tells the user about the failure and returns when the user is done. A console program with
// ConsoleNoBox writes the message and the report to standard output instead.
void RunExceptionBox(bool frozen, const TExceptionRef* exception, const void* address, bool canContinue,
                     const std::string& screenShot, const std::string& report);

// The message: FrozenText or ExceptionText with "%exceptMsg%" and "%LF%" filled in.
std::string ExceptionBoxMessage(bool frozen, const TExceptionRef* exception);

} // namespace jov
