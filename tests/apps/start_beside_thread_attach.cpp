// The crash reporter starts its threads and then looks at the process heap while one may still be in its
// attach notifications, which hold the loader lock and then want the heap: the look must not ask for the
// loader while it holds the heap. A module here lingers in every thread's attach before it takes the heap.
// EXPECT_EXIT_CODE 0
// EXPECT_SOMEWHERE started watchdog: yes
// EXPECT_SOMEWHERE threads attached beside the start: yes
#include "StartState.h"
#include "crashreport/jovExcept.h"

extern "C" __declspec(dllimport) LONG SlowAttaches();

constexpr jov::CrashSettings WatchdogOnly() {
    jov::CrashSettings settings = crashapp::ConsoleSettings();
    settings.Enabled = false;        // nothing patched, so nothing reads memory before the look
    settings.FreezeTimeout = 600000; // never reached here
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = WatchdogOnly();

int main() {
    startstate::Say("started");
    crashapp::Say("threads attached beside the start: " + startstate::YesNo(SlowAttaches() > 0));
    jov::StopCrashReporter();
    return 0;
}
