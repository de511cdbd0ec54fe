// Traces of this test program's own stacks, named from its own symbol resource: nested calls, a C++
// exception traced from its throw site and the rules of its record, a failure inside catch and clean-up
// code, a suspended thread.
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

__attribute__((noinline)) void Thrower3() {
    gSink = gSink + 1;
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

// The record of this thread's throw of `thrown`, held as a report holds it.
jov::ThrowSiteHold HoldThrowOf(const std::exception& thrown) {
    return jov::ThrowSiteHold::OfObject(GetCurrentThreadId(), &typeid(thrown), &thrown);
}

// What the catch and a report's calls do to the stack the throwers stood on.
__attribute__((noinline)) void ReuseStack() {
    volatile char scratch[8192];
    for (std::size_t i = 0; i < sizeof scratch; ++i) scratch[i] = char(i);
    gSink = gSink + scratch[100];
}

std::string TraceHeldThrow(const jov::ThrowSiteHold& hold) {
    const void* address = nullptr;
    const void* entry = nullptr;
    return hold.get() ? jov::TraceThrowSite(false, false, false, *hold.get(), StackBase(), nullptr, address,
                                            entry, nullptr)
                      : std::string();
}

// Deeper than the stack copy reaches: the frames above the padding are read from the live stack.
__attribute__((noinline)) std::string PaddedThrower() {
    volatile char padding[jov::ThrowSiteStackCopyLimit + 4096];
    padding[0] = 1;
    std::string trace;
    try {
        Thrower1();
    } catch (const std::exception& thrown) {
        ReuseStack();
        trace = TraceHeldThrow(HoldThrowOf(thrown));
    }
    gSink = gSink + padding[0];
    return trace;
}

DWORD WINAPI ThrowingThread(void* trace) {
    *static_cast<std::string*>(trace) = PaddedThrower();
    return 0;
}

TEST(ThrowSite, TheThrowersAreTracedAsTheyStoodAtTheThrow) {
    std::string nearTrace;
    try {
        Thrower1();
    } catch (const std::exception& thrown) {
        ReuseStack();
        nearTrace = TraceHeldThrow(HoldThrowOf(thrown));
    }
    const std::vector<std::string> names{"Thrower3", "Thrower2", "Thrower1",
                                         "TheThrowersAreTracedAsTheyStoodAtTheThrow"};
    EXPECT_EQ(names, Named(nearTrace, names)) << nearTrace;
    for (const char* name : {"Thrower3", "Thrower2", "Thrower1"})
        EXPECT_TRUE(HasOwnLineNumber(nearTrace, name)) << name << "\n" << nearTrace;

    std::string farTrace;
    HANDLE thread = CreateThread(nullptr, 0, ThrowingThread, &farTrace, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 60000));
    CloseHandle(thread);
    const std::vector<std::string> deepNames{"Thrower3", "Thrower2", "Thrower1", "PaddedThrower",
                                             "ThrowingThread"};
    EXPECT_EQ(deepNames, Named(farTrace, deepNames)) << farTrace;
}

__attribute__((noinline)) void ThrowAndCatch() {
    try {
        throw std::logic_error("handled where it was thrown");
    } catch (const std::logic_error&) {
    }
}

// Where the thread's newest throw left its record, as a name.
std::string ThrowFunction(const jov::ThrowSiteHold& hold) {
    return hold.get() ? jov::DescribeAddress(reinterpret_cast<const void*>(hold.get()->ReturnAddress - 1))
                      : "(no record)";
}

TEST(ThrowSite, AThrowKeepsItsRecordThroughANestedThrowARethrowAndAReportsHold) {
    try {
        Thrower1();
    } catch (const std::exception& first) {
        ThrowAndCatch(); // a throw made while the first is handled
        EXPECT_NE(std::string::npos, ThrowFunction(HoldThrowOf(first)).find("Thrower3"));
        const std::string rethrowAddress = ThrowFunction(HoldThrowOf(first));
        try {
            throw;
        } catch (const std::exception& again) {
            EXPECT_EQ(&first, &again);
            EXPECT_EQ(rethrowAddress, ThrowFunction(HoldThrowOf(again))) << "a rethrow is no new throw";
        }
        {
            const jov::ThrowSiteHold held = HoldThrowOf(first);
            const jov::TThrowSite before = *held.get();
            for (int i = 0; i < 3; ++i) ThrowAndCatch();
            EXPECT_EQ(before.ReturnAddress, held.get()->ReturnAddress);
            EXPECT_EQ(0, std::memcmp(before.StackCopy, held.get()->StackCopy, before.StackCopySize));
            EXPECT_NE(std::string::npos, ThrowFunction(HoldThrowOf(first)).find("Thrower3"));
            const jov::TThrowSite* newest = jov::FindThrowSite(GetCurrentThreadId());
            ASSERT_NE(nullptr, newest);
            EXPECT_NE(std::string::npos,
                      jov::DescribeAddress(reinterpret_cast<const void*>(newest->ReturnAddress - 1))
                          .find("ThrowAndCatch"))
                << "the throws meanwhile took the other record";
        }
        // Unheld, two more throws replace both records.
        ThrowAndCatch();
        ThrowAndCatch();
        EXPECT_EQ("(no record)", ThrowFunction(HoldThrowOf(first)));
    }
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
