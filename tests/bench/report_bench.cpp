// From a thrown exception to the composed bug report while 20 other threads wait, each a few frames deep.
// The goal is under 0.5 s for the whole report. Prints figures; asserts nothing.
#include "crashreport/jovExceptHooks.h"
#include "crashreport/jovTypes.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

constexpr jov::CrashSettings ReturnReports() {
    jov::CrashSettings settings;
    settings.ReturnReport = true;
    settings.FreezeTimeout = 0;
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = ReturnReports();

namespace {

constexpr int kThreads = 20;
HANDLE gStop = nullptr;
volatile int gSink = 0;

__attribute__((noinline)) DWORD Nest(int depth) {
    if (depth == 0) return WaitForSingleObject(gStop, INFINITE);
    const DWORD result = Nest(depth - 1);
    gSink = gSink + 1;
    return result;
}

DWORD WINAPI Waiter(void*) {
    return Nest(8);
}

std::exception_ptr Thrown() {
    try {
        throw std::runtime_error("benchmark failure");
    } catch (...) {
        return std::current_exception();
    }
}

} // namespace

int main() {
    gStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::vector<HANDLE> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.push_back(CreateThread(nullptr, 0, Waiter, nullptr, 0, nullptr));
    Sleep(200); // let every thread reach its wait; the figure does not include this
    const std::exception_ptr exception = Thrown();
    for (int round = 0; round < 3; ++round) {
        std::string report;
        const auto start = std::chrono::steady_clock::now();
        jov::QueueCxxException(exception, true, &report);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("round %d: %.3f s for a report of %u bytes with %d waiting threads (goal < 0.5 s)\n",
                    round, seconds, static_cast<unsigned>(report.size()), kThreads);
    }
    SetEvent(gStop);
    WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE);
    for (HANDLE thread : threads) CloseHandle(thread);
    return 0;
}
