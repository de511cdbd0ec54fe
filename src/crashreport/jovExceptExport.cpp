// The executable's one export: an outside caller (a debugger, a tool that injects a thread) has the
// program describe itself on the clipboard.
#include "crashreport/jovExceptReport.h"
#include "crashreport/jovExceptThreads.h"
#include "crashreport/jovExceptWorker.h"
#include "crashreport/jovToolsHelpers.h"

#include <windows.h>

extern "C" __declspec(dllexport) int __stdcall jovTraceProcess(int) {
    // The calling thread is named "-" so that the report leaves it out.
    const DWORD self = GetCurrentThreadId();
    jov::SetThreadName(self, "-");
    {
        // Not beside a report that runs: that report's tracer and its held threads are its own.
        jov::ReportTurn turn;
        if (turn.owned()) {
            std::string report;
            jov::ComposeCrashReport(true, nullptr, nullptr, 0, __builtin_frame_address(0),
                                    __builtin_frame_address(0), true, report);
            jov::CopyToClipboard(report);
        }
    }
    jov::SetThreadName(self, "");
    return 0;
}
