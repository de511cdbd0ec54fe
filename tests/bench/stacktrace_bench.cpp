// Tracing 20 suspended threads, each 30 distinct functions deep, with every frame named, against walking
// the same frames by frame pointer alone: the goal for a whole report's traces is under 0.5 s. Then one
// thread whose stack a tight recursion fills (8- and 48-byte frames; 10,000 and 100,000 levels and the
// whole default stack), traced with its frame pointer (as a report does) and without: the time should
// grow about linearly, 100,000 levels costing at most 12 times 10,000. Last, a copy of this program whose
// thread overflows the default stack through 8-byte frames, timed from the recursion's start until the
// crash dialog is on screen: the goal is within 2 s. Prints figures and ratios; asserts nothing.
#include "../apps/TightRecursion.h"
#include "FrameWalk.h"
#include "crashreport/jovStackTrace.h"
#include "crashreport/jovTypes.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

// The copy that overflows reports as the program would: threads paused, its dialog shown.
constexpr jov::CrashSettings ShowTheDialog() {
    jov::CrashSettings settings;
    settings.FreezeTimeout = 0;
    settings.ConsoleNoBox = false;
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = ShowTheDialog();

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

// Returns the frame walk of the default stack filled through 8-byte frames.
double TraceRecursions() {
    double wholeStackWalk = 0;
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
            if (frameBytes == 8 && !levels) wholeStackWalk = walk;
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
    return wholeStackWalk;
}

constexpr const char* kOverflowArgument = "--overflow";

std::string StartedEventName(DWORD processId) {
    return "stacktrace_bench started " + std::to_string(processId);
}

DWORD WINAPI OverflowThread(void* started) {
    SetEvent(started);
    RecurseThrough8ByteFrames();
    return 0;
}

// In the copy: a thread that tells the parent it starts and then recurses until its stack overflows.
int Overflow() {
    HANDLE started = OpenEventA(EVENT_MODIFY_STATE, FALSE, StartedEventName(GetCurrentProcessId()).c_str());
    if (!started) return 2;
    remainingLevels = 0x7FFFFFFF; // far beyond any stack
    HANDLE thread = CreateThread(nullptr, 0, OverflowThread, started, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    return 0;
}

// The crash dialog of the process once it is visible; nullptr while there is none.
HWND VisibleDialogOf(DWORD processId) {
    for (HWND window = FindWindowExA(nullptr, nullptr, "jovExceptWndClass", nullptr); window;
         window = FindWindowExA(nullptr, window, "jovExceptWndClass", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

void TimeOverflowDialog(double wholeStackWalk) {
    std::printf("\na stack overflow through 8-byte frames filling the default stack, in a copy of this "
                "program:\n");
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string command = std::string("\"") + path + "\" " + kOverflowArgument;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                        &startup, &process)) {
        std::printf("could not start the copy (error %lu)\n", GetLastError());
        return;
    }
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, StartedEventName(process.dwProcessId).c_str());
    ResumeThread(process.hThread);
    HANDLE waits[] = {started, process.hProcess};
    if (WaitForMultipleObjects(2, waits, FALSE, 30000) != WAIT_OBJECT_0) {
        std::printf("the copy never started its recursion\n");
    } else {
        const auto start = Clock::now();
        HWND dialog = nullptr;
        while (!(dialog = VisibleDialogOf(process.dwProcessId)) && Ms(start) < 60000 &&
               WaitForSingleObject(process.hProcess, 5) == WAIT_TIMEOUT) {
        }
        const double shown = Ms(start);
        if (dialog)
            std::printf("dialog on screen %.0f ms after the recursion started (goal: within 2000 ms -> %s); "
                        "%.0f times the frame walk of the whole default stack above\n",
                        shown, shown <= 2000 ? "met" : "missed", shown / std::max(wholeStackWalk, 0.001));
        else
            std::printf("no dialog after %.0f ms (the copy %s)\n", shown,
                        WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0 ? "ended" : "still runs");
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(started);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == kOverflowArgument) return Overflow();
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
    const double wholeStackWalk = TraceRecursions();
    CloseHandle(gStop);
    jov::FreeStackTraceCaches();
    TimeOverflowDialog(wholeStackWalk);
    return 0;
}
