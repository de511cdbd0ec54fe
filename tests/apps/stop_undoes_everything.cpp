// Stopping the crash reporter undoes everything its start did: the patches and hooks, the watchdog, the
// thread-creation hook, the handler window and the worker (both threads end), and the shared block with
// its registry goes with its last user. The tracer's caches go too, and with them the symbol tables that
// only they still held.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE started mapping: yes
// EXPECT_LINE started worker: yes
// EXPECT_LINE started handler window: yes
// EXPECT_LINE started watchdog: yes
// EXPECT_LINE started code patches: 1
// EXPECT_LINE started thread hook: yes
// EXPECT_LINE started runtime hooks: yes
// EXPECT_LINE stopped mapping: no
// EXPECT_LINE stopped worker: no
// EXPECT_LINE stopped handler window: no
// EXPECT_LINE stopped watchdog: no
// EXPECT_LINE stopped code patches: 0
// EXPECT_LINE stopped thread hook: no
// EXPECT_LINE stopped runtime hooks: no
// EXPECT_LINE worker thread ended: yes
// EXPECT_LINE watchdog thread ended: yes
// EXPECT_LINE main thread still named: no
// EXPECT_LINE symbol tables held after the stop: no
#include "StartState.h"
#include "crashreport/jovExcept.h"
#include "crashreport/jovExceptThreads.h"
#include "crashreport/jovMapFile.h"
#include "crashreport/jovStackTrace.h"

#include <memory>

constexpr jov::CrashSettings WithWatchdog() {
    jov::CrashSettings settings = crashapp::ConsoleSettings();
    settings.FreezeTimeout = 600000; // never reached here
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = WithWatchdog();

static bool Ended(HANDLE thread) {
    return thread && WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
}

int main() {
    startstate::Say("started");
    const void* address = nullptr;
    const void* entry = nullptr;
    jov::TraceStack(false, false, false, nullptr, false, false, nullptr, nullptr, nullptr, address, entry,
                    nullptr, __builtin_frame_address(0));
    const std::weak_ptr<jov::TMapFile> symbols = jov::MapFileForAddress(0);
    jov::FreeSymbolTableCache(); // the tracer's caches alone hold the tables now
    HANDLE worker = OpenThread(SYNCHRONIZE, FALSE, jov::CrashWorkerThreadId());
    HANDLE watchdog = OpenThread(SYNCHRONIZE, FALSE, jov::FreezeWatchdogThreadId());
    jov::StopCrashReporter();
    startstate::Say("stopped");
    crashapp::Say("worker thread ended: " + startstate::YesNo(Ended(worker)));
    crashapp::Say("watchdog thread ended: " + startstate::YesNo(Ended(watchdog)));
    crashapp::Say("main thread still named: " +
                  startstate::YesNo(!jov::ThreadNameOf(GetCurrentThreadId()).empty()));
    crashapp::Say("symbol tables held after the stop: " + startstate::YesNo(!symbols.expired()));
    return 0;
}
