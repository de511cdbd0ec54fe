// Tracing 20 suspended threads, each 30 distinct functions deep, with every frame named, against walking
// the same frames by frame pointer alone: the goal for a whole report's traces is under 0.5 s. Then one
// thread whose stack a tight recursion fills (8- and 48-byte frames; 10,000 and 100,000 levels and the
// whole default stack), traced with its frame pointer (as a report does) and without: the time should
// grow about linearly, 100,000 levels costing at most 12 times 10,000. Prints figures and ratios; asserts
// nothing.
#include "../apps/TightRecursion.h"
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

extern "C" {
__attribute__((used)) volatile int remainingLevels = 0;
__attribute__((used)) void AtTheBottom();
}
TIGHT_RECURSION(, RecurseThrough8ByteFrames, 0, remainingLevels, AtTheBottom)
TIGHT_RECURSION(, RecurseThrough48ByteFrames, 10, remainingLevels, AtTheBottom)

struct Recursion {
    void (*recurse)();
    int frameBytes;
    int levels; // 0: as many as the stack holds
    Slot slot;
};
Recursion* current = nullptr;

DWORD WINAPI RecursionThread(void* parameter) {
    auto& recursion = *static_cast<Recursion*>(parameter);
    int levels = recursion.levels;
    if (!levels) {
        // NT_TIB's stack base and the thread's deallocation stack: all but a margin for the bottom's calls.
        const char* bottom;
        asm volatile("movl %%fs:0xE0C, %0" : "=r"(bottom));
        levels = int((static_cast<const char*>(__builtin_frame_address(0)) - bottom - 64 * 1024) /
                     recursion.frameBytes);
        recursion.levels = levels;
    }
    remainingLevels = levels;
    current = &recursion;
    recursion.recurse();
    return 0;
}

extern "C" void AtTheBottom() {
    current->slot.stackBase = StackBase();
    SetEvent(current->slot.ready);
    WaitForSingleObject(gStop, INFINITE);
}

void TraceRecursions() {
    std::printf("\none thread filled by a tight recursion:\n");
    std::printf("frame  levels   with frame pointer       without frame pointer    frame walk  ratio\n");
    double first[2][2] = {};
    for (int frameBytes : {8, 48}) {
        for (int levels : {10000, 100000, 0}) {
            ResetEvent(gStop);
            Recursion recursion{frameBytes == 8 ? RecurseThrough8ByteFrames : RecurseThrough48ByteFrames,
                                frameBytes,
                                levels,
                                {CreateEventA(nullptr, TRUE, FALSE, nullptr), nullptr}};
            // A given depth gets the stack it needs; the whole default stack is the default's.
            const SIZE_T reserve = levels ? SIZE_T(levels) * frameBytes + 1024 * 1024 : 0;
            HANDLE thread = CreateThread(nullptr, reserve, RecursionThread, &recursion,
                                         STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
            WaitForSingleObject(recursion.slot.ready, INFINITE);
            SuspendThread(thread);
            CONTEXT context{};
            context.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
            GetThreadContext(thread, &context);
            double ms[2];
            std::size_t lines[2];
            for (int withFrames = 1; withFrames >= 0; --withFrames) {
                jov::FreeStackTraceCaches(); // every trace starts cold, as a report's first does
                const void* address = nullptr;
                const void* entry = nullptr;
                const auto start = Clock::now();
                const std::string trace = jov::TraceStack(
                    false, false, false, reinterpret_cast<const void*>(context.Eip), false, false,
                    // As in a report: the thread's creation is its outermost line.
                    reinterpret_cast<const void*>(context.Esp), recursion.slot.stackBase,
                    reinterpret_cast<const void*>(&RecursionThread), address, entry, nullptr,
                    withFrames ? reinterpret_cast<const void*>(context.Ebp) : nullptr);
                ms[withFrames] = Ms(start);
                lines[withFrames] = 0;
                for (std::size_t at = trace.find("Recurse"); at != std::string::npos;
                     at = trace.find("Recurse", at + 1))
                    ++lines[withFrames];
            }
            auto start = Clock::now();
            const int frames =
                bench::WalkFrames(context, reinterpret_cast<uintptr_t>(recursion.slot.stackBase));
            const double walk = std::max(Ms(start), 0.001);
            std::printf(
                "%3d B  %7d  %9.1f ms (%zu line%s)  %9.1f ms (%zu line%s)  %8.2f ms (%d frames)  %4.0f\n",
                frameBytes, recursion.levels, ms[1], lines[1], lines[1] == 1 ? "" : "s", ms[0], lines[0],
                lines[0] == 1 ? "" : "s", walk, frames, ms[1] / walk);
            if (levels == 10000) {
                first[frameBytes == 48][0] = ms[1];
                first[frameBytes == 48][1] = ms[0];
            }
            if (levels == 100000)
                std::printf("        100,000 / 10,000 levels: %.1f and %.1f times (goal: at most 12)\n",
                            ms[1] / first[frameBytes == 48][0], ms[0] / first[frameBytes == 48][1]);
            SetEvent(gStop);
            ResumeThread(thread);
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
            CloseHandle(recursion.slot.ready);
        }
    }
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
    TraceRecursions();
    CloseHandle(gStop);
    jov::FreeStackTraceCaches();
    return 0;
}
