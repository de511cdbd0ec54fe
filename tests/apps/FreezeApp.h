#pragma once
// What the freeze programs share: a freeze timeout of one second, a main thread that answers the
// watchdog's pings for a while, stops answering, and answers again; frozen reports are counted.
#include "CrashApp.h"
#include "crashreport/jovExceptHandlers.h"

#include <string>

namespace freezeapp {

inline volatile LONG frozenReports = 0;
inline volatile DWORD blockedAt = 0;
inline volatile DWORD firstReportAfter = 0; // milliseconds from the start of the block

// Called on the crash worker for every report, before it is composed.
inline void CountReport(int, std::string&) {
    if (InterlockedIncrement(&frozenReports) == 1) firstReportAfter = GetTickCount() - blockedAt;
}

// Called on the crash worker when a report has run its course and the program goes on.
inline volatile LONG finishedReports = 0;
inline void CountFinished(jov::THandlerCall& call) {
    if (call.Action == jov::caContinue) InterlockedIncrement(&finishedReports);
}

constexpr jov::CrashSettings Settings() {
    jov::CrashSettings settings = crashapp::ConsoleSettings();
    settings.FreezeTimeout = 1000;
    settings.ScreenShotSize = 4;
    settings.ScreenShotProc = CountReport;
    return settings;
}

// Dispatches messages (the pings among them) for the given time.
inline void Pump(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (DWORD elapsed = 0; elapsed < milliseconds; elapsed = GetTickCount() - start) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

inline int BlockMainThread(DWORD milliseconds) {
    jov::AddExceptionHandler(jov::hkAction, CountFinished);
    Pump(500);
    blockedAt = GetTickCount();
    Sleep(milliseconds);
    Pump(500);
    // A program that ends stops the crash reporter, which ends a report still being written after a short
    // wait; on a loaded machine a report takes longer than that.
    for (const DWORD start = GetTickCount();
         finishedReports < frozenReports && GetTickCount() - start < 60000;)
        Pump(50);
    crashapp::Say("frozen reports " + std::to_string(frozenReports));
    // The freeze timeout is 1000 ms: the tenth unanswered ping ends 1000 to 1100 ms after the block began
    // (the first may be posted up to one 100 ms interval after it), and the report reaches the worker
    // within another interval.
    if (frozenReports)
        crashapp::Say(std::string("reported within 1200 ms: ") +
                      (firstReportAfter >= 800 && firstReportAfter <= 1200 ? "yes" : "no"));
    crashapp::Say("the program goes on");
    return 0;
}

} // namespace freezeapp
