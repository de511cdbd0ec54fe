#pragma once
// What happens after a report: the user is told, the program restarts or closes.
#include "crashreport/jovTypes.h"

#include <windows.h>

#include <string>

namespace jov {

// BugReportFile with "%appname%" filled in.
std::string BugReportFileName();
// Appends the report and an empty line to the bug-report file, trimmed to its cap by whole reports. A
// relative name lives beside the executable; interactively the user chooses where (refused under the
// loader lock, where no dialog can be shown).
bool StoreReportFile(const std::string& report, HWND owner, bool silent);
bool AutoSaveBugReport(const std::string& report);
bool SaveBugReportAs(const std::string& report, HWND owner);
// The report mailed by the configured transports: silently without an owner (the automatic mail), or
// from the dialog's mail button with it as the owner. The mail result: 0 not sent, 1 sent, 2 cancelled.
int SendBugReport(const std::string& report, const std::string& screenShot, HWND owner, bool silent = false);
// Courier New 8 pt, word-wrapped, with 1 cm and 2 cm margins, on a printer the user chooses.
bool PrintReport(const std::string& report, HWND owner);

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
