#include "crashreport/jovStrings.h"
#include "crashreport/jovToolsMsgHandlers.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace jov;

namespace {

struct Call {
    UINT message;
    LRESULT resultSeen;
    DWORD thread;
};
std::vector<Call> calls; // written on the thread that runs the handler, read after it answered

void Record(HWND, UINT message, WPARAM, LPARAM, LRESULT& result) {
    calls.push_back({message, result, GetCurrentThreadId()});
    result = 77;
}
void Other(HWND, UINT message, WPARAM, LPARAM, LRESULT&) {
    calls.push_back({message, -1, GetCurrentThreadId()});
}
void RemovesItself(HWND, UINT message, WPARAM, LPARAM, LRESULT&) {
    calls.push_back({message, -2, GetCurrentThreadId()});
    RemoveMessageHandler(RemovesItself, message);
}

struct Target {
    int hits = 0;
    static void Method(void* self, HWND, UINT, WPARAM wParam, LPARAM, LRESULT& result) {
        static_cast<Target*>(self)->hits += static_cast<int>(wParam);
        result = 5;
    }
};

std::string ClassNameOf(DWORD thread) {
    return "jovToolsMsgHandlerWindow" + FormatHex(thread, 1, '0') +
           FormatHex(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&GetHandlerWindow)), 1, '0');
}

bool ClassRegistered(DWORD thread) {
    WNDCLASSA info;
    return GetClassInfoA(GetModuleHandleA(nullptr), ClassNameOf(thread).c_str(), &info) != 0;
}

// A thread with a message loop; `setup` runs on it first.
class PumpingThread {
public:
    template <typename Setup> explicit PumpingThread(Setup setup) {
        thread_ = std::thread([this, setup] {
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue exists from here
            setup();
            id = GetCurrentThreadId();
            while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
        });
        while (id == 0) Sleep(1);
    }
    ~PumpingThread() {
        PostThreadMessageA(id, WM_QUIT, 0, 0);
        thread_.join();
    }
    std::atomic<DWORD> id{0};

private:
    std::thread thread_;
};

} // namespace

TEST(MsgHandlers, NumbersAndDuplicates) {
    calls.clear();
    EXPECT_EQ(AddMessageHandler(Record), UINT(WM_USER));
    EXPECT_EQ(AddMessageHandler(Other), UINT(WM_USER + 1));
    EXPECT_EQ(AddMessageHandler(Record, 0x9000), 0x9000u);
    EXPECT_EQ(AddMessageHandler(Record, 0x9000), 0u); // already registered
    const HWND window = GetHandlerWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(GetHandlerWindow(0), window);
    EXPECT_EQ(FindWindowA(ClassNameOf(GetCurrentThreadId()).c_str(), nullptr), window);
    EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
    EXPECT_FALSE(IsWindowVisible(window));

    // The handler sees the default result and may change it.
    EXPECT_EQ(SendMessageA(window, 0x9000, 0, 0), 77);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].resultSeen, 0);
    EXPECT_EQ(SendMessageA(window, WM_USER + 1, 0, 0), 0);
    EXPECT_EQ(calls.size(), 2u);

    RemoveMessageHandler(Record); // message 0: every message of this handler
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(AddMessageHandler(Record), UINT(WM_USER)); // free again
    RemoveMessageHandler(Record, WM_USER);
    RemoveMessageHandler(Other, WM_USER + 1);
    EXPECT_FALSE(IsWindow(window)); // the last one took the window
    EXPECT_FALSE(ClassRegistered(GetCurrentThreadId()));
}

TEST(MsgHandlers, OnlyListedMessagesReachHandlers) {
    calls.clear();
    ASSERT_EQ(AddMessageHandler(Record, WM_PAINT), UINT(WM_PAINT));
    ASSERT_EQ(AddMessageHandler(Record, WM_ACTIVATEAPP), UINT(WM_ACTIVATEAPP));
    ASSERT_EQ(AddMessageHandler(Record, WM_SETTEXT), UINT(WM_SETTEXT));
    const HWND window = GetHandlerWindow();
    SendMessageA(window, WM_PAINT, 0, 0);
    SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("x"));
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(SendMessageA(window, WM_ACTIVATEAPP, TRUE, 0), 77);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].message, UINT(WM_ACTIVATEAPP));

    Target target;
    const UINT message = AddMessageHandler(nullptr, 0, 0, &Target::Method, &target);
    ASSERT_NE(message, 0u);
    EXPECT_EQ(AddMessageHandler(nullptr, message, 0, &Target::Method, &target), 0u);
    EXPECT_EQ(SendMessageA(window, message, 3, 0), 5);
    EXPECT_EQ(target.hits, 3);
    RemoveMessageHandler(nullptr, 0, 0, &Target::Method, &target);
    RemoveMessageHandler(Record);
    EXPECT_FALSE(IsWindow(window));
}

TEST(MsgHandlers, HandlerMayRemoveItself) {
    calls.clear();
    const UINT message = AddMessageHandler(RemovesItself);
    ASSERT_EQ(AddMessageHandler(Other, message), message);
    const HWND window = GetHandlerWindow();
    SendMessageA(window, message, 0, 0);
    ASSERT_EQ(calls.size(), 2u); // both ran: the list was copied before the first call
    EXPECT_EQ(calls[0].resultSeen, -2);
    EXPECT_EQ(calls[1].resultSeen, -1);
    SendMessageA(window, message, 0, 0);
    EXPECT_EQ(calls.size(), 3u); // only the other one is left
    RemoveMessageHandler(Other);

    // The last handler removing itself takes the window while it is handling a message.
    calls.clear();
    ASSERT_EQ(AddMessageHandler(RemovesItself), message);
    const HWND second = GetHandlerWindow();
    SendMessageA(second, message, 0, 0);
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_FALSE(IsWindow(second));
    EXPECT_FALSE(ClassRegistered(GetCurrentThreadId()));
}

TEST(MsgHandlers, OtherThreads) {
    // A thread without a window gets none from here, and none is made.
    PumpingThread bare([] {});
    EXPECT_EQ(GetHandlerWindow(bare.id), nullptr);
    EXPECT_EQ(AddMessageHandler(Record, 0, bare.id), 0u);
    EXPECT_FALSE(ClassRegistered(bare.id));

    calls.clear();
    PumpingThread owner([] { AddMessageHandler(Other); });
    const HWND window = GetHandlerWindow(owner.id);
    ASSERT_TRUE(window);
    EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), owner.id);
    // Added from here, run on the owner.
    EXPECT_EQ(AddMessageHandler(Record, 0x9100, owner.id), 0x9100u);
    EXPECT_EQ(SendMessageA(window, 0x9100, 0, 0), 77);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].thread, owner.id);

    // Removed from here: the window is closed by a posted WM_CLOSE on its own thread.
    RemoveMessageHandler(Record, 0x9100, owner.id);
    EXPECT_TRUE(IsWindow(window));
    RemoveMessageHandler(Other, 0, owner.id);
    for (int i = 0; i < 500 && IsWindow(window); ++i) Sleep(2);
    EXPECT_FALSE(IsWindow(window));
    for (int i = 0; i < 500 && ClassRegistered(owner.id); ++i) Sleep(2);
    EXPECT_FALSE(ClassRegistered(owner.id));
    EXPECT_EQ(GetHandlerWindow(owner.id), nullptr);
}
