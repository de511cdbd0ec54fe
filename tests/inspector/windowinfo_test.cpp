// Window objects and window helpers on windows of our own in the test desktop.
#include "Functions.h"
#include "InfoObjects.h"
#include "WindowText.h"
#include "framework/Application.h"
#include "framework/Handles.h"
#include "helpers/ChildProcess.h"

#include "helpers/ValuePrinter.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using fw::Value;

Value handleValue(HWND wnd) {
    return Value::UInt32(static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(wnd)));
}

int postedSeen = 0;

LRESULT CALLBACK testProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_APP) ++postedSeen;
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

// A registered class with extra bytes and icons, destroyed windows and class at the end.
class Windows : public ::testing::Test {
protected:
    static constexpr const char* ClassName = "OstrelTestWindow";
    ATOM atom = 0;
    HWND top = nullptr, child = nullptr, grandchild = nullptr, owned = nullptr;

    void SetUp() override {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS | CS_HREDRAW;
        wc.lpfnWndProc = testProc;
        wc.cbClsExtra = 4;
        wc.cbWndExtra = 8;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
        wc.hIconSm = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_WARNING));
        wc.lpszClassName = ClassName;
        atom = RegisterClassExA(&wc);
        ASSERT_NE(atom, 0);
        top = CreateWindowExA(0, ClassName, "Test Caption", WS_OVERLAPPEDWINDOW, 10, 20, 300, 200, nullptr,
                              nullptr, wc.hInstance, nullptr);
        child = CreateWindowExA(0, ClassName, "child", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, top,
                                reinterpret_cast<HMENU>(42), wc.hInstance, nullptr);
        grandchild = CreateWindowExA(0, ClassName, "grandchild", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, child,
                                     reinterpret_cast<HMENU>(-5), wc.hInstance, nullptr);
        owned = CreateWindowExA(WS_EX_TOOLWINDOW, ClassName, "owned", WS_POPUP, 0, 0, 50, 50, top, nullptr,
                                wc.hInstance, nullptr);
        ASSERT_TRUE(top && child && grandchild && owned);
    }
    void TearDown() override {
        for (HWND w : {owned, top})
            if (w) DestroyWindow(w);
        UnregisterClassA(ClassName, GetModuleHandleA(nullptr));
    }
};

TEST_F(Windows, PropertiesOfOurOwnWindows) {
    TWindowInfoObject info(top);
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    const Value module = handleValue(reinterpret_cast<HWND>(GetModuleHandleA(nullptr)));
    struct Case {
        const char* property;
        Value expected;
    } cases[] = {
        {"Handle", handleValue(top)},
        {"WindowText", Value("Test Caption")},
        {"ControlID", Value::Int32(0)},
        {"ExtWindowStyle", Value::UInt32(GetWindowLongA(top, GWL_EXSTYLE))},
        {"WindowStyle", Value::UInt32(GetWindowLongA(top, GWL_STYLE))},
        {"ClassName", Value(ClassName)},
        {"ClassAtom", Value::UInt32(atom)},
        {"ClassBytes", Value::UInt32(4)},
        {"WindowBytes", Value::UInt32(8)},
        {"ClassStyle", Value::UInt32(CS_DBLCLKS | CS_HREDRAW)},
        {"ClassInstanceHandle", module},
        {"InstanceHandle", module},
        {"ClassModule", Value(std::string(exe))},
        {"ProcessID", Value::UInt32(GetCurrentProcessId())},
        {"ThreadID", Value::UInt32(GetCurrentThreadId())},
        {"Unicode", Value::Bool(false)},
        {"ParentWindow", handleValue(GetDesktopWindow())},
        {"OwnerWindow", Value("(None)")},
        {"MenuHandle", Value("(None)")},
        {"WndProc", Value::UInt32(static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(&testProc)))},
        {"ClassWndProc", Value::UInt32(static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(&testProc)))},
    };
    EXPECT_EQ(std::size(cases), info.Properties().size());
    for (const Case& c : cases) EXPECT_EQ(info.ReadProperty(c.property), c.expected) << c.property;

    EXPECT_EQ(TWindowInfoObject(child).ReadControlID(), Value::Int32(42));
    EXPECT_EQ(TWindowInfoObject(grandchild).ReadControlID(), Value::Int32(-5));
    EXPECT_EQ(TWindowInfoObject(child).ReadParentWindow(), handleValue(top));
    EXPECT_EQ(TWindowInfoObject(owned).ReadOwnerWindow(), handleValue(top));
    EXPECT_EQ(TWindowInfoObject(owned).ReadParentWindow(), handleValue(GetDesktopWindow()));
    EXPECT_EQ(TWindowInfoObject(owned).ReadExtWindowStyle(), Value::UInt32(WS_EX_TOOLWINDOW));
    // A genuine 0 reads as 0, whatever error the thread had before.
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(TWindowInfoObject(child).ReadExtWindowStyle(), Value::UInt32(0));

    std::string desktopClass = TWindowInfoObject(GetDesktopWindow()).ReadClassName().toText();
    EXPECT_GT(desktopClass.size(), 10u);
    EXPECT_EQ(desktopClass.substr(desktopClass.size() - 10), " (Desktop)");
}

TEST_F(Windows, IconsAndRectangles) {
    HICON classBig = reinterpret_cast<HICON>(GetClassLongPtrA(top, GCLP_HICON));
    HICON own = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_QUESTION));
    SendMessageA(top, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(own));
    TWindowInfoObject info(top);
    EXPECT_EQ(info.GetSmallIcon(), own);
    EXPECT_EQ(info.GetBigIcon(), classBig); // no icon of its own: the class's
    EXPECT_EQ(info.GetSmallIcon(), own);    // from the cache

    RECT r, expected;
    info.GetWindowRect(r);
    ::GetWindowRect(top, &expected);
    EXPECT_TRUE(EqualRect(&r, &expected));
    info.GetClientRect(r);
    ::GetClientRect(top, &expected);
    EXPECT_TRUE(EqualRect(&r, &expected));
    info.GetNormalRect(r);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right, 310);
    EXPECT_EQ(r.bottom, 220);
}

TEST_F(Windows, DeadHandleGivesPlaceholders) {
    HWND dead = owned;
    DestroyWindow(owned);
    owned = nullptr;
    TWindowInfoObject info(dead);
    for (const char* name :
         {"WndProc", "WindowStyle", "ExtWindowStyle", "ClassAtom", "ClassBytes", "ClassModule",
          "ClassWndProc", "ClassInstanceHandle", "WindowBytes", "InstanceHandle"})
        EXPECT_EQ(info.ReadProperty(name), Value("(Unavailable)")) << name;
    EXPECT_EQ(info.ReadWindowText(), Value("<SendMessage failed>"));
    EXPECT_EQ(info.ReadProcessID(), Value::UInt32(0));
    EXPECT_EQ(info.ReadThreadID(), Value::UInt32(0));
    EXPECT_EQ(info.ReadClassName(), Value(""));
    EXPECT_EQ(info.GetBigIcon(), nullptr);
    EXPECT_EQ(info.GetSmallIcon(), nullptr);
}

// Times one window-text read.
DWORD timedRead(HWND wnd, Value& text) {
    DWORD start = GetTickCount();
    text = TWindowInfoObject(wnd).ReadWindowText();
    return GetTickCount() - start;
}

// A window of this process on a thread of its own, which notes the messages a text read sends it.
class NotingWindow {
public:
    NotingWindow() {
        owner_ = std::thread([this] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = Proc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "OstrelNotingWindow";
            RegisterClassA(&wc);
            wnd = CreateWindowExA(0, wc.lpszClassName, "noted", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  wc.hInstance, nullptr);
            SetEvent(ready_);
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
            DestroyWindow(wnd);
        });
        WaitForSingleObject(ready_, 5000);
        threadId_ = GetWindowThreadProcessId(wnd, nullptr);
    }
    ~NotingWindow() {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        owner_.join();
        CloseHandle(ready_);
    }
    HWND wnd = nullptr;
    static inline std::vector<UINT> noted;

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NULL || msg == WM_GETTEXTLENGTH || msg == WM_GETTEXT) noted.push_back(msg);
        return DefWindowProcA(wnd, msg, wParam, lParam);
    }
    HANDLE ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD threadId_ = 0;
    std::thread owner_;
};

TEST(HungWindows, TextReadAsksTwoMessagesAndWaitsAtMostTheirTimeOuts) {
    {
        NotingWindow noting;
        std::string text;
        EXPECT_EQ(ReadWindowText(noting.wnd, text), WindowTextResult::Ok);
        EXPECT_EQ(text, "noted");
        EXPECT_EQ(NotingWindow::noted, (std::vector<UINT>{WM_GETTEXTLENGTH, WM_GETTEXT}));
    }

    // One of this process, on a thread that stops answering.
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HWND hung = nullptr;
    std::thread owner([&] {
        hung =
            CreateWindowExA(0, "STATIC", "hung", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        SetEvent(ready);
        Sleep(2500);
        DestroyWindow(hung);
    });
    WaitForSingleObject(ready, 5000);
    Value text;
    DWORD elapsed = timedRead(hung, text);
    EXPECT_EQ(text, Value("<SendMessage timed out>"));
    EXPECT_GE(elapsed, 600u);
    EXPECT_LE(elapsed, 1600u);
    owner.join();
    CloseHandle(ready);

    // Of other processes: one that never answers at all, one that answers the length but takes its time
    // over the text. Each costs at most the time-outs of the two messages.
    struct Case {
        const char* mode;
        const char* className;
    } cases[] = {{"window", "OstrelHungWindow"}, {"slowtext", "OstrelSlowText"}};
    for (const Case& c : cases) {
        SleeperProcess child(c.mode);
        ASSERT_TRUE(child.started());
        HWND other = nullptr;
        for (int i = 0; i < 100 && !other; ++i, Sleep(50)) other = FindWindowA(c.className, nullptr);
        ASSERT_NE(other, nullptr) << c.mode;
        elapsed = timedRead(other, text);
        EXPECT_EQ(text, Value("<SendMessage timed out>")) << c.mode;
        EXPECT_GE(elapsed, 600u) << c.mode;
        EXPECT_LE(elapsed, 1600u) << c.mode;
        if (std::string(c.mode) != "window") continue;
        // A search by text passes it by within the same limit.
        DWORD start = GetTickCount();
        EXPECT_EQ(EmulateFindWindowEx(nullptr, nullptr, c.className, "ostrel hung window"), nullptr);
        EXPECT_LE(GetTickCount() - start, 1600u);
        EXPECT_EQ(EmulateFindWindowEx(nullptr, nullptr, c.className, nullptr), other);
        // Once the system counts it as hung, the search (run on every typed character) costs it nothing.
        for (int i = 0; i < 300 && !IsHungAppWindow(other); ++i) Sleep(50);
        ASSERT_TRUE(IsHungAppWindow(other));
        start = GetTickCount();
        EXPECT_EQ(EmulateFindWindowEx(nullptr, nullptr, c.className, "ostrel hung window"), nullptr);
        EXPECT_LE(GetTickCount() - start, 300u);
    }
}

const HICON classBig = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
const HICON classSmall = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_WARNING));
const HICON ownBig = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_QUESTION));

LRESULT CALLBACK ownBigIconProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_GETICON && wParam == ICON_BIG) return reinterpret_cast<LRESULT>(ownBig);
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

TEST(HungWindows, IconsFallBackToTheClassWithinTheTimeOut) {
    // A window of this process whose thread stops answering until released, with class icons and a big
    // icon of its own.
    fw::Handle ready(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
        release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HWND wnd = nullptr;
    std::thread owner([&] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = ownBigIconProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hIcon = classBig;
        wc.hIconSm = classSmall;
        wc.lpszClassName = "OstrelHungIcons";
        RegisterClassExA(&wc);
        wnd = CreateWindowExA(0, wc.lpszClassName, "icons", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              wc.hInstance, nullptr);
        SetEvent(ready.get());
        WaitForSingleObject(release.get(), 20000);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
        DestroyWindow(wnd);
        UnregisterClassA(wc.lpszClassName, wc.hInstance);
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready.get(), 5000));
    TWindowInfoObject info(wnd);
    const DWORD start = GetTickCount();
    EXPECT_EQ(info.GetSmallIcon(), classSmall);
    EXPECT_LE(GetTickCount() - start, 1600u);
    EXPECT_EQ(info.BigIcon, -1) << "the big icon is still to be asked";
    SetEvent(release.get());
    EXPECT_EQ(info.GetBigIcon(), ownBig);
    EXPECT_EQ(info.GetSmallIcon(), classSmall);
    PostThreadMessageA(GetWindowThreadProcessId(wnd, nullptr), WM_QUIT, 0, 0);
    owner.join();
}

BOOL CALLBACK collectWindow(HWND wnd, LPARAM windows) {
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(wnd);
    return TRUE;
}

TEST_F(Windows, EveryPropertyOfEveryTopLevelWindowReads) {
    std::vector<HWND> windows;
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&windows));
    ASSERT_FALSE(windows.empty());
    for (HWND w : windows) {
        TWindowInfoObject info(w);
        for (const TPropertyInfo& p : info.Properties()) EXPECT_NO_THROW(info.Read(p)) << p.Name;
    }
}

TEST_F(Windows, EmulateFindWindowEx) {
    EXPECT_EQ(EmulateFindWindowEx(nullptr, nullptr, nullptr, nullptr),
              GetWindow(GetDesktopWindow(), GW_CHILD));
    EXPECT_EQ(EmulateFindWindowEx(nullptr, nullptr, ClassName, "Test Caption"), top);
    EXPECT_EQ(EmulateFindWindowEx(nullptr, nullptr, "ostreltestwindow", "Test Caption"), nullptr);
    EXPECT_EQ(EmulateFindWindowEx(nullptr, nullptr, ClassName, "test caption"), nullptr);
    EXPECT_EQ(EmulateFindWindowEx(top, nullptr, ClassName, nullptr), child);
    EXPECT_EQ(EmulateFindWindowEx(top, nullptr, nullptr, "grandchild"), nullptr); // not a direct child
    EXPECT_EQ(EmulateFindWindowEx(child, nullptr, nullptr, "grandchild"), grandchild);
    EXPECT_EQ(EmulateFindWindowEx(top, child, nullptr, nullptr), nullptr); // nothing after the only child
    HWND second =
        CreateWindowExA(0, ClassName, "child", WS_CHILD, 0, 0, 5, 5, top, nullptr, nullptr, nullptr);
    EXPECT_EQ(EmulateFindWindowEx(top, child, ClassName, "child"), second);
    EXPECT_EQ(EmulateFindWindowEx(owned, nullptr, nullptr, nullptr), nullptr); // no children at all
    HWND dead = second;
    DestroyWindow(second);
    EXPECT_EQ(EmulateFindWindowEx(dead, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(Windows, ParseWindowHandle) {
    // Handles are parsed in the default display format, "$" and hex digits.
    char typed[16];
    wsprintfA(typed, "$%08X", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(top)));
    // Wider than a handle, with the window's handle as its low half.
    const std::string wide = std::string("$1") + (typed + 1);
    struct Case {
        std::string text;
        bool askMessage;
        bool error;
        std::uint32_t value;
        std::string message;
    } cases[] = {
        {typed, true, false, static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(top)), ""},
        {"<no window found>", true, true, 0, "No such window found"},
        {"12x", true, true, 0, "\"12x\" is not a valid Handle-Value"},
        {"12x", false, true, 0, ""},
        {"(None)", false, false, 0, ""},
        {"(None)", true, true, 0, "No such window found"},
        {"$7FFFFFF0", false, false, 0x7FFFFFF0u, ""},
        {"$7FFFFFF0", true, true, 0x7FFFFFF0u, "No such window found"},
        {"$FFFFFFFF", false, false, 0xFFFFFFFFu, ""},
        {wide, true, true, 0, "\"" + wide + "\" is not a valid Handle-Value"},
        {wide, false, true, 0, ""},
    };
    for (const Case& c : cases) {
        bool error = false;
        std::string message;
        EXPECT_EQ(ParseWindowHandle(c.text, error, c.askMessage ? &message : nullptr), c.value) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
        EXPECT_EQ(message, c.message) << c.text;
    }
}

TEST_F(Windows, BlinkRedrawAndDelay) {
    ShowWindow(top, SW_SHOWNOACTIVATE);
    postedSeen = 0;
    PostMessageA(top, WM_APP, 0, 0);
    DWORD start = GetTickCount();
    DelayWithMessages(100);
    EXPECT_GE(GetTickCount() - start, 100u);
    EXPECT_EQ(postedSeen, 1); // messages keep flowing meanwhile

    start = GetTickCount();
    BlinkWindow(top);
    EXPECT_GE(GetTickCount() - start, 350u);
    RedrawWindowFull(top);
    HWND dead = owned;
    DestroyWindow(owned);
    owned = nullptr;
    start = GetTickCount();
    BlinkWindow(dead); // nothing to blink
    EXPECT_LT(GetTickCount() - start, 300u);

    // A program closed during a blink still ends: the quit is not lost in the wait.
    PostQuitMessage(0);
    DelayWithMessages(20);
    EXPECT_TRUE(fw::application().terminated());
}

} // namespace
