// Traces of this test program's own stacks, named from its own symbol resource: nested calls, a C++
// exception traced from its throw site, a failure inside catch and clean-up code, a suspended thread.
#include "ScreenPicture.h"
#include "crashreport/jovStackTrace.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// NT_TIB.StackBase of the current thread.
const void* StackBase() {
    const void* base;
    asm volatile("movl %%fs:4, %0" : "=r"(base));
    return base;
}

volatile int gSink = 0;

// The lines of a trace that name one of `names`, in trace order.
std::vector<std::string> Named(const std::string& trace, const std::vector<std::string>& names) {
    std::vector<std::string> found;
    std::size_t start = 0;
    while (start < trace.size()) {
        std::size_t end = trace.find("\r\n", start);
        if (end == std::string::npos) end = trace.size();
        const std::string line = trace.substr(start, end - start);
        for (const std::string& name : names)
            if (line.find(name) != std::string::npos && (found.empty() || found.back() != name))
                found.push_back(name);
        start = end + 2;
    }
    return found;
}

// The line naming `name` has this program as its module and a source line number.
bool HasOwnLineNumber(const std::string& trace, const std::string& name) {
    const std::size_t at = trace.find(name);
    if (at == std::string::npos) return false;
    const std::size_t begin = trace.rfind('\n', at) + 1; // npos + 1 is 0
    std::istringstream fields(trace.substr(begin, trace.find('\r', at) - begin));
    std::string address, module, field;
    fields >> address >> module;
    bool number = false;
    while (fields >> field && !number) number = field.find_first_not_of("0123456789") == std::string::npos;
    return module == "stacktrace_test.exe" && number;
}

std::string TraceHere() {
    const void* address = nullptr;
    const void* entry = nullptr;
    return jov::TraceStack(false, false, false, nullptr, false, false, nullptr, nullptr, nullptr, address,
                           entry, nullptr, __builtin_frame_address(0));
}

__attribute__((noinline)) std::string NestedLevel3() {
    std::string trace = TraceHere();
    gSink = gSink + 1; // no tail call: this frame stays
    return trace;
}
__attribute__((noinline)) std::string NestedLevel2() {
    std::string trace = NestedLevel3();
    gSink = gSink + 1;
    return trace;
}
__attribute__((noinline)) std::string NestedLevel1() {
    std::string trace = NestedLevel2();
    gSink = gSink + 1;
    return trace;
}

TEST(StackTrace, NestedFunctionsInnermostFirstWithUnitAndLine) {
    const std::string trace = NestedLevel1();
    EXPECT_EQ((std::vector<std::string>{"NestedLevel3", "NestedLevel2", "NestedLevel1"}),
              Named(trace, {"NestedLevel3", "NestedLevel2", "NestedLevel1"}))
        << trace;
    for (const char* name : {"NestedLevel3", "NestedLevel2", "NestedLevel1"})
        EXPECT_TRUE(HasOwnLineNumber(trace, name)) << name << "\n" << trace;
    EXPECT_EQ(std::string::npos, trace.find(">> internal error")) << trace;
}

// The record the throw-site wrapper keeps, filled the same way here: the stack as it was where the
// exception was raised, from the thrower's stack pointer up.
jov::TThrowSite gThrowSite;

__attribute__((noinline)) void CaptureThrowSite() {
    auto* frame = static_cast<void* const*>(__builtin_frame_address(0));
    gThrowSite.ReturnAddress = uint32_t(reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
    gThrowSite.FramePointer = uint32_t(reinterpret_cast<uintptr_t>(frame[0]));
    gThrowSite.StackPointer = gThrowSite.StackCopyBase = uint32_t(reinterpret_cast<uintptr_t>(frame + 2));
    const auto top = reinterpret_cast<uintptr_t>(StackBase());
    gThrowSite.StackCopySize =
        uint32_t(std::min<uintptr_t>(sizeof gThrowSite.StackCopy, top - gThrowSite.StackCopyBase));
    std::memcpy(gThrowSite.StackCopy, frame + 2, gThrowSite.StackCopySize);
}

__attribute__((noinline)) void Thrower3() {
    CaptureThrowSite();
    throw std::runtime_error("three deep");
}
__attribute__((noinline)) void Thrower2() {
    Thrower3();
    gSink = gSink + 1;
}
__attribute__((noinline)) void Thrower1() {
    Thrower2();
    gSink = gSink + 1;
}

std::string TraceThrowSite() {
    const void* address = nullptr;
    const void* entry = nullptr;
    return jov::TraceThrowSite(false, false, false, gThrowSite, address, entry, nullptr);
}

TEST(StackTrace, ExceptionThreeDeepIsTracedFromTheThrowSite) {
    std::string trace;
    try {
        Thrower1();
    } catch (const std::exception&) {
        trace = TraceThrowSite(); // the catch site's own stack no longer holds the throwers
    }
    EXPECT_EQ((std::vector<std::string>{"Thrower3", "Thrower2", "Thrower1"}),
              Named(trace, {"Thrower3", "Thrower2", "Thrower1"}))
        << trace;
    EXPECT_TRUE(HasOwnLineNumber(trace, "Thrower2")) << trace;
}

__attribute__((noinline)) std::string FailInsideCatch() {
    std::string trace;
    try {
        Thrower3();
    } catch (const std::exception&) {
        trace = TraceHere();
        gSink = gSink + 1;
    }
    return trace;
}

struct TracesWhenDestroyed {
    std::string* trace;
    __attribute__((noinline)) ~TracesWhenDestroyed() { *trace = TraceHere(); }
};

__attribute__((noinline)) void UnwindThroughDestructor(std::string& trace) {
    TracesWhenDestroyed guard{&trace};
    Thrower3();
    gSink = gSink + 1;
}

__attribute__((noinline)) std::string FailInsideCleanUp() {
    std::string trace;
    try {
        UnwindThroughDestructor(trace);
    } catch (const std::exception&) {
    }
    return trace;
}

TEST(StackTrace, ReturnAddressesInsideCatchAndCleanUpCode) {
    const std::string inCatch = FailInsideCatch();
    EXPECT_EQ((std::vector<std::string>{"FailInsideCatch"}), Named(inCatch, {"FailInsideCatch"})) << inCatch;
    const std::string inCleanUp = FailInsideCleanUp();
    EXPECT_EQ(
        (std::vector<std::string>{"TracesWhenDestroyed", "UnwindThroughDestructor", "FailInsideCleanUp"}),
        Named(inCleanUp, {"TracesWhenDestroyed", "UnwindThroughDestructor", "FailInsideCleanUp"}))
        << inCleanUp;
}

// A thread that waits two calls deep until it is told to end.
struct Waiter {
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const void* stackBase = nullptr;
    ~Waiter() {
        CloseHandle(ready);
        CloseHandle(stop);
    }
};

__attribute__((noinline)) void ThreadLevel2(Waiter& waiter) {
    waiter.stackBase = StackBase();
    SetEvent(waiter.ready);
    WaitForSingleObject(waiter.stop, INFINITE);
    gSink = gSink + 1;
}
__attribute__((noinline)) void ThreadLevel1(Waiter& waiter) {
    ThreadLevel2(waiter);
    gSink = gSink + 1;
}
DWORD WINAPI WaiterThread(void* parameter) {
    ThreadLevel1(*static_cast<Waiter*>(parameter));
    return 0;
}

TEST(StackTrace, ASuspendedSecondaryThread) {
    Waiter waiter;
    HANDLE thread = CreateThread(nullptr, 0, WaiterThread, &waiter, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(waiter.ready, 10000));
    ASSERT_NE(DWORD(-1), SuspendThread(thread));
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
    const bool haveContext = GetThreadContext(thread, &context);
    const void* limit = nullptr;
    const void* base = nullptr;
    const bool haveLimits = jov::ThreadStackLimits(thread, limit, base);
    std::string trace;
    if (haveContext && haveLimits) {
        const void* address = nullptr;
        const void* entry = nullptr;
        trace = jov::TraceStack(false, false, false, reinterpret_cast<const void*>(context.Eip), false, false,
                                reinterpret_cast<const void*>(context.Esp), base,
                                reinterpret_cast<const void*>(&WaiterThread), address, entry, nullptr,
                                reinterpret_cast<const void*>(context.Ebp));
    }
    ResumeThread(thread);
    SetEvent(waiter.stop);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    ASSERT_TRUE(haveContext);
    ASSERT_TRUE(haveLimits);
    EXPECT_EQ(waiter.stackBase, base); // the worker finds what the thread itself sees
    EXPECT_LT(reinterpret_cast<uintptr_t>(limit), uintptr_t(context.Esp));
    EXPECT_EQ((std::vector<std::string>{"ThreadLevel2", "ThreadLevel1", "WaiterThread"}),
              Named(trace, {"ThreadLevel2", "ThreadLevel1", "WaiterThread"}))
        << trace;
}

TEST(StackTrace, DescribeAddressNamesOwnCode) {
    const std::string text = jov::DescribeAddress(reinterpret_cast<const void*>(&NestedLevel2));
    EXPECT_NE(std::string::npos, text.find("stacktrace_test.exe")) << text;
    EXPECT_NE(std::string::npos, text.find("NestedLevel2")) << text;
    EXPECT_EQ(" ???", jov::DescribeAddress(reinterpret_cast<const void*>(0x10)).substr(8));
}

// The bar of a long report: a topmost strip 23 pixels high in the middle of the screen.
BOOL CALLBACK CollectWindow(HWND window, LPARAM windows) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name); // not the thread's input-method window
    if (lstrcmpiA(name, "Static") == 0) reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    return TRUE;
}

TEST(ProgressBar, AppearsOnlyForLongWorkAndGoesWithItsTracker) {
    jov::ProgressTracker* tracker = jov::CreateProgressTracker();
    ASSERT_NE(nullptr, tracker);
    jov::AddProgressPhase(tracker, 1000);
    jov::AddProgressPhase(tracker, 1000);
    jov::SetProgressPosition(tracker, 100);
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&windows));
    EXPECT_TRUE(windows.empty());
    const DWORD start = GetTickCount();
    while (GetTickCount() - start <= 800) SwitchToThread(); // the work "takes" longer than 750 ms
    jov::SetProgressPosition(tracker, 200);
    EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&windows));
    ASSERT_EQ(1u, windows.size());
    RECT rect{};
    GetWindowRect(windows[0], &rect);
    EXPECT_EQ(23, rect.bottom - rect.top);
    EXPECT_EQ(GetSystemMetrics(SM_CXFULLSCREEN) / 2, rect.right - rect.left);
    EXPECT_TRUE(GetWindowLongA(windows[0], GWL_EXSTYLE) & WS_EX_TOPMOST);
    jov::NextProgressPhase(tracker); // the first of two threads traced: 44 % of what was left
    // What was drawn reaches the screen although this thread dispatches nothing: its yellow frame.
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(RGB(255, 255, 0), GetPixel(screen, rect.left + 10, rect.top + 2));
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(screen_picture::Save(windows[0], "progress_bar"));
    jov::NextProgressPhase(tracker);
    jov::FreeProgressTracker(tracker);
    EXPECT_EQ(nullptr, tracker);
    EXPECT_FALSE(IsWindow(windows[0]));
}

} // namespace
