// The main form's own taskbar in the real program, clicked from outside: the button of a form that is
// not active brings that form to the front.
#include "support/ProgramDriver.h"
#include "support/Screenshot.h"
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

const int findWindowTag = 101;

// A left click on the button of entry `index`: the buttons stand left to right, 120 pixels wide with a
// pixel between them, while the bar has room for them all.
void ClickButton(HWND taskbar, int index) {
    RECT client{};
    GetClientRect(taskbar, &client);
    const LPARAM at = MAKELPARAM(1 + index * 121 + 60, client.bottom / 2);
    PostMessageA(taskbar, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(taskbar, WM_LBUTTONUP, 0, at);
}

TEST(TaskbarButton, ClickBringsAFormThatIsNotActiveToTheFront) {
    WriteProgramSettings();
    Program p;
    ASSERT_TRUE(p.started());
    HWND taskbar = FindDescendant(p.main, "TTaskbar");
    ASSERT_TRUE(taskbar);
    HWND first = p.OpenChild(findWindowTag, "#32770", "1 Find Window");
    ASSERT_TRUE(first);
    HWND second = p.OpenChild(findWindowTag, "#32770", "2 Find Window");
    ASSERT_TRUE(second);
    // Side by side, so that the screenshot shows both.
    RECT r{};
    GetWindowRect(first, &r);
    SetWindowPos(first, nullptr, r.left - (r.right - r.left) / 2 - 10, r.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(second, nullptr, r.left + (r.right - r.left) / 2 + 10, r.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == second && IsAbove(second, first); }));

    ClickButton(taskbar, 0);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == first; }));
    EXPECT_TRUE(WaitFor([&] { return IsAbove(first, second); })) << "the clicked form stays behind the other";
    p.WaitPainted();
    SaveScreenshotPng("taskbar_after_click");

    ClickButton(taskbar, 1);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == second && IsAbove(second, first); }));
}

} // namespace
