// The whole report of an access violation in a function of this program: header, the faulting function in
// the main thread's stack, a named helper thread, modules, hardware and the disassembly. Neither thread
// counts as suspended: only the report holds them. The crash reporter's own threads (worker, freeze
// watchdog) have no section, whatever their names.
// EXPECT_EXIT_CODE 1
// EXPECT_LINE An error occurred in the application.
// EXPECT_LINE
// EXPECT_LINE date/time         :
// EXPECT_SOMEWHERE physical memory   :
// EXPECT_SOMEWHERE display mode      :
// EXPECT_SOMEWHERE executable        : crashapp_report_contents.exe
// EXPECT_SOMEWHERE jovExcept version : 2.7c
// EXPECT_SOMEWHERE exception class   : JovException
// EXPECT_SOMEWHERE . Write of address $20.
// EXPECT_SOMEWHERE main thread ($
// EXPECT_SOMEWHERE WriteThroughBadPointer
// EXPECT_SOMEWHERE public WriteThroughBadPointer:
// EXPECT_NOWHERE (anonymous namespace)
// EXPECT_SOMEWHERE waiting helper ($
// EXPECT_NOWHERE <suspended>
// EXPECT_NOWHERE crash worker
// EXPECT_NOWHERE freeze watchdog
// EXPECT_SOMEWHERE modules:
// EXPECT_SOMEWHERE kernel32.dll
// EXPECT_SOMEWHERE hardware:
// EXPECT_SOMEWHERE disassembling:
#include "CrashApp.h"
#include "crashreport/jovExceptThreads.h"
#include "crashreport/jovExceptWatchdog.h"
#include "crashreport/jovExceptWorker.h"

constexpr jov::CrashSettings WithWatchdog() {
    jov::CrashSettings settings = crashapp::ConsoleSettings();
    settings.FreezeTimeout = 60000;
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = WithWatchdog();

namespace {

volatile int* volatile badPointer = reinterpret_cast<int*>(0x20);

__attribute__((noinline)) void WriteThroughBadPointer(int value) {
    *badPointer = value;
}

DWORD WINAPI WaitForever(void* event) {
    return WaitForSingleObject(event, INFINITE);
}

} // namespace

int main() {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD helperId = 0;
    HANDLE helper = CreateThread(nullptr, 0, WaitForever, event, 0, &helperId);
    jov::SetThreadName(helperId, "waiting helper");
    jov::SetThreadName(jov::CrashWorkerThreadId(), "crash worker");
    jov::SetThreadName(jov::FreezeWatchdogThreadId(), "freeze watchdog");
    WriteThroughBadPointer(1);
    crashapp::Say("still running");
    SetEvent(event);
    WaitForSingleObject(helper, INFINITE);
    return 0;
}
