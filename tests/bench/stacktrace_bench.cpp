// Tracing 20 suspended threads, each 30 distinct functions deep, with every frame named, against walking
// the same frames by frame pointer alone. The goal for a whole report's traces is under 0.5 s. Prints
// figures and ratios; asserts nothing.
#include "FrameWalk.h"
#include "crashreport/jovStackTrace.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// NT_TIB.StackBase of the current thread.
const void* StackBase() {
    const void* base;
    asm volatile("movl %%fs:4, %0" : "=r"(base));
    return base;
}

using Clock = std::chrono::steady_clock;
constexpr int kThreads = 20;
constexpr int kDepth = 30;

volatile int gSink = 0;
HANDLE gStop = nullptr;

struct Slot {
    HANDLE ready = nullptr;
    const void* stackBase = nullptr;
};

template <int N> __attribute__((noinline)) void Deep(Slot& slot) {
    if constexpr (N == 0) {
        slot.stackBase = StackBase();
        SetEvent(slot.ready);
        WaitForSingleObject(gStop, INFINITE);
    } else {
        Deep<N - 1>(slot);
    }
    gSink = gSink + 1; // no tail calls: every level keeps its frame
}

DWORD WINAPI Worker(void* parameter) {
    Deep<kDepth>(*static_cast<Slot*>(parameter));
    return 0;
}

double Ms(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main() {
    gStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::vector<Slot> slots(kThreads);
    std::vector<HANDLE> threads;
    for (Slot& slot : slots) {
        slot.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        threads.push_back(CreateThread(nullptr, 0, Worker, &slot, 0, nullptr));
        WaitForSingleObject(slot.ready, INFINITE);
    }
    std::vector<CONTEXT> contexts(kThreads);
    for (int i = 0; i < kThreads; ++i) {
        SuspendThread(threads[i]);
        contexts[i].ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
        GetThreadContext(threads[i], &contexts[i]);
    }

    auto traceAll = [&](std::size_t& lines) {
        lines = 0;
        for (int i = 0; i < kThreads; ++i) {
            const void* address = nullptr;
            const void* entry = nullptr;
            const std::string trace = jov::TraceStack(
                false, false, false, reinterpret_cast<const void*>(contexts[i].Eip), false, false,
                reinterpret_cast<const void*>(contexts[i].Esp), slots[i].stackBase, nullptr, address, entry,
                nullptr, reinterpret_cast<const void*>(contexts[i].Ebp));
            for (std::size_t at = trace.find("Deep<"); at != std::string::npos;
                 at = trace.find("Deep<", at + 1))
                ++lines;
        }
    };
    std::size_t coldLines = 0, warmLines = 0;
    auto start = Clock::now();
    traceAll(coldLines);
    const double cold = Ms(start);
    start = Clock::now();
    traceAll(warmLines);
    const double warm = Ms(start);

    int frames = 0;
    start = Clock::now();
    for (int i = 0; i < kThreads; ++i)
        frames += bench::WalkFrames(contexts[i], reinterpret_cast<uintptr_t>(slots[i].stackBase));
    const double walk = std::max(Ms(start), 0.001);

    std::printf("threads %d, depth %d\n", kThreads, kDepth);
    std::printf("trace, first (caches empty): %8.2f ms, %zu named Deep frames\n", cold, coldLines);
    std::printf("trace, again (caches warm):  %8.2f ms, %zu named Deep frames\n", warm, warmLines);
    std::printf("frame-pointer walk:          %8.3f ms, %d frames\n", walk, frames);
    std::printf("ratio first/walk %.0f, again/walk %.0f; goal: first under 500 ms -> %s\n", cold / walk,
                warm / walk, cold < 500 ? "met" : "missed");

    SetEvent(gStop);
    for (HANDLE thread : threads) {
        ResumeThread(thread);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    for (Slot& slot : slots) CloseHandle(slot.ready);
    CloseHandle(gStop);
    jov::FreeStackTraceCaches();
    return 0;
}
