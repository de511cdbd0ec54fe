// The finder's pop-up in the real program, with only the mouse moved, never clicked: it shows when the
// mouse comes onto its arrow button, stays while the mouse is over the button or the pop-up, and goes a
// moment after the mouse has left both.
#include "support/Cursor.h"
#include "support/ProgramDriver.h"
#include "support/Screenshot.h"
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(FinderPopup, ShowsWhileTheMouseIsOverItsButtonOrItAndGoesAfterItLeft) {
    ChildProcess target("\"" + SiblingPath("ostrel_sleeper.exe") + "\" shown");
    HWND foreign = target.waitWindow("OstrelFinderTarget", "ostrel finder target", 30000);
    ASSERT_TRUE(foreign);
    WriteProgramSettings();
    Program p;
    ASSERT_TRUE(p.started());
    HWND button = FindDescendant(p.main, "TToolWindowPanel");
    ASSERT_TRUE(button);
    RECT b{};
    GetWindowRect(button, &b);
    // The other program's window lies where the pop-up opens, just below the main window.
    RECT m{};
    GetWindowRect(p.main, &m);
    SetWindowPos(foreign, HWND_TOP, b.right - 320, m.bottom, 310, 200, SWP_NOACTIVATE);
    const POINT away{b.right - 130, b.bottom + 400}, onButton{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
    auto popup = [&] { return p.Find("TFinderToolWnd"); };

    ASSERT_TRUE(MoveCursorTo(away));
    ASSERT_TRUE(WaitFor([&] { return !popup(); }));
    ASSERT_TRUE(MoveCursorTo(onButton));
    ASSERT_TRUE(WaitFor([&] { return popup() != nullptr; }, 5000)) << "no pop-up on the mouse's arrival";
    EXPECT_TRUE(HoldsFor([&] { return popup() != nullptr; }, 800)) << "gone while the mouse rests on it";

    RECT r{};
    GetWindowRect(popup(), &r);
    ASSERT_TRUE(MoveCursorTo({r.left + 40, r.top + 12})); // onto its first item
    EXPECT_TRUE(HoldsFor([&] { return popup() != nullptr; }, 800)) << "gone while the mouse is on it";
    p.WaitPainted();
    SaveScreenshotPng("finder_popup_over_foreign_window");

    ASSERT_TRUE(MoveCursorTo(away));
    EXPECT_TRUE(WaitFor([&] { return !popup(); }, 5000)) << "stays after the mouse left";
}

} // namespace
