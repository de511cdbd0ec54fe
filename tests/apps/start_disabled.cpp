// Disabled and without a freeze timeout the crash reporter starts nothing: no shared block, no worker, no
// handler window, no watchdog, no patch and no hook; stopping it then does nothing either.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE started mapping: no
// EXPECT_LINE started worker: no
// EXPECT_LINE started handler window: no
// EXPECT_LINE started watchdog: no
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

constexpr jov::CrashSettings Disabled() {
    jov::CrashSettings settings = crashapp::ConsoleSettings();
    settings.Enabled = false;
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = Disabled();

int main() {
    startstate::Say("started");
    jov::StopCrashReporter();
    startstate::Say("stopped");
    return 0;
}
