// Disabled but with a freeze timeout, the crash reporter maps the shared block and starts the worker, the
// handler window and the watchdog, but patches nothing and hooks nothing; stopping undoes all of it.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE started mapping: yes
// EXPECT_LINE started worker: yes
// EXPECT_LINE started handler window: yes
// EXPECT_LINE started watchdog: yes
// EXPECT_LINE started code patches: 0
// EXPECT_LINE started thread hook: no
// EXPECT_LINE started runtime hooks: no
// EXPECT_LINE stopped mapping: no
// EXPECT_LINE stopped worker: no
// EXPECT_LINE stopped handler window: no
// EXPECT_LINE stopped watchdog: no
// EXPECT_LINE stopped code patches: 0
// EXPECT_LINE stopped thread hook: no
// EXPECT_LINE stopped runtime hooks: no
#include "StartState.h"
#include "crashreport/jovExcept.h"

constexpr jov::CrashSettings WatchdogOnly() {
    jov::CrashSettings settings = crashapp::ConsoleSettings();
    settings.Enabled = false;
    settings.FreezeTimeout = 600000; // never reached here
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = WatchdogOnly();

int main() {
    startstate::Say("started");
    jov::StopCrashReporter();
    startstate::Say("stopped");
    return 0;
}
