// A detail window of the real program, driven from outside with the mouse and the keyboard.
#include "controls/NonClientMetrics.h"
#include "core/CaptionLayout.h"
#include "support/Cursor.h"
#include "support/ProgramDriver.h"
#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdlib>
#include <string>

namespace {
using testing_support::Hex;
using testing_support::Program;
using testing_support::WaitFor;

const DWORD timeout = testing_support::programTimeout;
const int cmProperties = 104;

class DetailRoad : public testing::Test {
protected:
    static void SetUpTestSuite() { testing_support::WriteProgramSettings(); }
};

// Where the keys go in the thread of `window`: its focus, else its active window.
HWND KeyTarget(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus ? info.hwndFocus : info.hwndActive;
}

// A caption button's middle, in screen coordinates, of a detail window (minimize and close buttons).
POINT CaptionButtonPoint(HWND window, core::CaptionButtonKind kind) {
    RECT w;
    GetWindowRect(window, &w);
    const NONCLIENTMETRICSA metrics = ReadNonClientMetrics();
    const core::CaptionMetrics m{GetSystemMetrics(SM_CXFRAME), metrics.iCaptionWidth, metrics.iCaptionHeight};
    const core::LayoutRect r = core::CaptionButtonRect(
        kind, core::ButtonBit(core::cbMinimize) | core::ButtonBit(core::cbClose), w.right - w.left, m);
    return {w.left + (r.left + r.right) / 2, w.top + (r.top + r.bottom) / 2};
}

// The main form's detail window, opened through its row in the window list.
HWND OpenMainFormDetails(Program& p, HWND list) {
    for (int i = 0; i < Program::Rows(list); ++i)
        if (p.Cell(list, i, 0) == Hex(reinterpret_cast<UINT_PTR>(p.main))) {
            p.Focus(list, i);
            PostMessageA(list, WM_COMMAND, MAKEWPARAM(cmProperties, 0), 0);
            return p.ostrel.waitWindow("TInfoForm", "1 Window Info", timeout);
        }
    return nullptr;
}

// A press on a button that the user thinks better of: released off it. Esc then closes the window,
// whichever window was active before the press.
TEST_F(DetailRoad, EscClosesTheWindowAfterAPressOnAButtonWasReleasedOffIt) {
    Program p;
    ASSERT_TRUE(p.main);
    HWND list = p.OpenList(0, "1 Window List");
    ASSERT_TRUE(list);
    enum Press { RefreshButton, CloseButton, MinimizeButton };
    const char* const names[] = {"Refresh", "close", "minimize"};
    const struct {
        Press press;
        bool listActive; // the window list was the active window when the press came
    } cases[] = {{RefreshButton, false}, {CloseButton, true}, {MinimizeButton, true}, {CloseButton, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << names[c.press] << " button" << (c.listActive ? ", the list active" : ""));
        HWND details = OpenMainFormDetails(p, list);
        ASSERT_TRUE(details);
        // Apart, so that the active one covers nothing of the other.
        SetWindowPos(list, nullptr, 0, 660, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(details, nullptr, 300, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        HWND active = c.listActive ? list : details;
        SetForegroundWindow(active);
        ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == active; }));

        RECT client;
        GetClientRect(details, &client);
        POINT off{client.right / 2, client.bottom / 2};
        ClientToScreen(details, &off);
        POINT on{};
        if (c.press == RefreshButton) {
            RECT r;
            GetWindowRect(FindWindowExA(details, nullptr, "Button", "Refresh"), &r);
            on = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        } else {
            on = CaptionButtonPoint(details, c.press == CloseButton ? core::cbClose : core::cbMinimize);
        }
        auto button = [](DWORD flags) {
            INPUT input{};
            input.type = INPUT_MOUSE;
            input.mi.dwFlags = flags;
            return SendInput(1, &input, sizeof input) == 1;
        };
        // The real mouse: only a press the system delivers activates as a user's does.
        ASSERT_TRUE(MoveCursorTo(on));
        ASSERT_TRUE(button(MOUSEEVENTF_LEFTDOWN));
        p.WaitIdle();
        // Anywhere off the button will do; the echoes of the moves may hold the cursor back a while.
        const bool moved = WaitFor(
            [&] {
                SetCursorPos(off.x, off.y);
                POINT now{};
                GetCursorPos(&now);
                return std::abs(now.x - on.x) + std::abs(now.y - on.y) > 40;
            },
            5000);
        ASSERT_TRUE(button(MOUSEEVENTF_LEFTUP));
        ASSERT_TRUE(moved);
        p.WaitIdle();
        ASSERT_TRUE(IsWindow(details) && !IsIconic(details))
            << "the press released off its button did nothing";

        // Where an activation went reaches the other processes a moment later.
        WaitFor([&] { return GetAncestor(KeyTarget(details), GA_ROOT) == details; }, 3000);
        HWND keys = KeyTarget(details);
        PostMessageA(keys, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageA(keys, WM_KEYUP, VK_ESCAPE, 0xC0010001);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(details); }, 10000));
        if (IsWindow(details)) PostMessageA(details, WM_CLOSE, 0, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(details); }));
    }
}

} // namespace
