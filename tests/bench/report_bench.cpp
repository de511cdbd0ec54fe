// From a thrown exception to the composed bug report while 20 other threads wait, each a few frames deep,
// against a floor: holding the same threads and walking their frames by frame pointer, the least any
// report of them needs. The goal is under 0.5 s for the whole report. Prints figures; asserts nothing.
#include "FrameWalk.h"
#include "crashreport/jovExceptHooks.h"
#include "crashreport/jovTypes.h"

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
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

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Every other thread of the process listed, suspended, its registers read and its frames walked.
int HoldAndWalkOtherThreads() {
    int frames = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != GetCurrentProcessId() || entry.th32ThreadID == GetCurrentThreadId())
            continue;
        HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, entry.th32ThreadID);
        if (!thread) continue;
        SuspendThread(thread);
        CONTEXT context{};
        context.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
        MEMORY_BASIC_INFORMATION stack;
        if (GetThreadContext(thread, &context) &&
            VirtualQuery(reinterpret_cast<const void*>(context.Esp), &stack, sizeof stack))
            frames +=
                bench::WalkFrames(context, reinterpret_cast<uintptr_t>(stack.BaseAddress) + stack.RegionSize);
        ResumeThread(thread);
        CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return frames;
}

int CountText(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
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
    auto start = std::chrono::steady_clock::now();
    const int frames = HoldAndWalkOtherThreads();
    const double floor = std::max(Seconds(start), 1e-6);
    std::printf("floor: %.4f s to hold the other threads and walk their %d frames\n", floor, frames);
    for (int round = 0; round < 3; ++round) {
        std::string report;
        start = std::chrono::steady_clock::now();
        jov::QueueCxxException(exception, true, &report);
        const double seconds = Seconds(start);
        std::printf("report %d%s: %.3f s, %.0f times the floor; %u bytes, %d waiting threads traced;"
                    " goal < 0.5 s -> %s\n",
                    round, round ? "" : " (caches empty)", seconds, seconds / floor,
                    static_cast<unsigned>(report.size()), CountText(report, " Waiter\r\n"),
                    seconds < 0.5 ? "met" : "missed");
    }
    SetEvent(gStop);
    WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE);
    for (HANDLE thread : threads) CloseHandle(thread);
    return 0;
}
