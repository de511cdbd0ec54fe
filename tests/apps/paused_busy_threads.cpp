// A thread fails while five busy threads run: they stand still while the report is made, run again
// afterwards, and the program goes on.
// EXPECT_EXIT_CODE 0
// EXPECT_SOMEWHERE exception message : Access violation at address $
// EXPECT_SOMEWHERE busy threads stood still during the report: yes
// EXPECT_SOMEWHERE busy threads run again: yes
// EXPECT_SOMEWHERE the program goes on
#include "CrashApp.h"

#include <atomic>
#include <string>

namespace {

std::atomic<long> counts[5];
std::atomic<bool> stop{false};
std::atomic<bool> stoodStill{false};

long Total() {
    long total = 0;
    for (const auto& count : counts) total += count;
    return total;
}

// Called on the crash worker while the report's pause holds the other threads.
void DuringReport(int, std::string&) {
    const long before = Total();
    Sleep(200);
    stoodStill = Total() == before;
}

DWORD WINAPI Count(void* slot) {
    auto& count = *static_cast<std::atomic<long>*>(slot);
    while (!stop) {
        ++count;
        Sleep(1);
    }
    return 0;
}

volatile int* volatile nil = nullptr;

DWORD WINAPI ReadNil(void*) {
    return static_cast<DWORD>(*nil);
}

} // namespace

constexpr jov::CrashSettings PauseSettings() {
    jov::CrashSettings settings = crashapp::ConsoleSettings();
    settings.ScreenShotSize = 4;
    settings.ScreenShotProc = DuringReport;
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = PauseSettings();

int main() {
    HANDLE threads[5];
    for (int i = 0; i < 5; ++i) threads[i] = CreateThread(nullptr, 0, Count, &counts[i], 0, nullptr);
    Sleep(50);
    crashapp::RunThread(ReadNil);
    crashapp::Say(std::string("busy threads stood still during the report: ") + (stoodStill ? "yes" : "no"));
    const long after = Total();
    Sleep(200);
    crashapp::Say(std::string("busy threads run again: ") + (Total() != after ? "yes" : "no"));
    stop = true;
    WaitForMultipleObjects(5, threads, TRUE, INFINITE);
    for (HANDLE thread : threads) CloseHandle(thread);
    crashapp::Say("the program goes on");
    return 0;
}
