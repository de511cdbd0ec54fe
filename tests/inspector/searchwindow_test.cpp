// A list window's search window in the real program, driven from outside: Enter in its text changes the
// pattern, it floats above its list only while one of the two is active, and Cancel takes it away.
#include "List.h"
#include "ResourceIds.h"
#include "support/ProgramDriver.h"
#include "support/Screenshot.h"
#include <gtest/gtest.h>

#include <iterator>
#include <string>

using namespace testing_support;

namespace {

bool Topmost(HWND window) {
    return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// A line of the pattern list ("Handle: 'text'"). Asked in wide characters: the ANSI reply does not
// cross processes whole under Wine.
std::string PatternLine(HWND search, int index) {
    HWND list = GetDlgItem(search, IDC_LIST_PATTERNS);
    wchar_t text[256] = {};
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
    if (length <= 0 || length >= LRESULT(std::size(text))) return {};
    SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
    return std::string(text, text + length);
}

// As a click on a window does: raised and activated.
void ClickActivate(HWND window) {
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(window);
}

class SearchWindow : public testing::Test {
protected:
    static void SetUpTestSuite() { WriteProgramSettings(); }
    void SetUp() override {
        ASSERT_TRUE(p.started());
        list = p.OpenList(0, "1 Window List");
        ASSERT_TRUE(list);
        PostMessageA(list, WM_COMMAND, MAKEWPARAM(TListForm::cmSearch, BN_CLICKED), 0);
        ASSERT_TRUE(WaitFor([&] { return (search = p.Find("#32770", "Search")) != nullptr; }));
    }

    Program p;
    HWND list = nullptr, search = nullptr;
};

TEST_F(SearchWindow, EnterInTheTextChangesThePatternOfTheSelectedColumn) {
    HWND text = GetDlgItem(search, IDC_LIST_TEXT);
    ASSERT_EQ("Handle: ''", PatternLine(search, 0));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(search, IDOK))) << "nothing to search for yet";

    SendMessageA(text, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("$0001*"));
    PostMessageA(text, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(text, WM_KEYUP, VK_RETURN, 0xC0000001);
    EXPECT_TRUE(WaitFor([&] { return PatternLine(search, 0) == "Handle: '$0001*'"; }))
        << PatternLine(search, 0);
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(GetDlgItem(search, IDOK)) != FALSE; }));
    EXPECT_TRUE(IsWindowVisible(search)) << "Enter in the text neither searches nor closes";
    p.WaitPainted();
    SaveScreenshotPng("list_search_window");
}

TEST_F(SearchWindow, FloatsAboveItsListWhileEitherIsActiveAndCancelHidesIt) {
    ClickActivate(list);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == list; }));
    EXPECT_TRUE(WaitFor([&] { return Topmost(search) && IsAbove(search, list); }))
        << "the list came above its search window";

    ClickActivate(p.main);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == p.main; }));
    EXPECT_TRUE(WaitFor([&] { return !Topmost(search); })) << "it floats above other programs' windows";

    ClickActivate(search);
    EXPECT_TRUE(WaitFor([&] { return Topmost(search) && IsAbove(search, list); }));
    RECT stood{};
    GetWindowRect(search, &stood);
    PostMessageA(search, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(search) && !Topmost(search); }))
        << "visible " << IsWindowVisible(search) << ", topmost " << Topmost(search);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == list; })) << "the list takes over";
    const POINT middle{(stood.left + stood.right) / 2, (stood.top + stood.bottom) / 2};
    EXPECT_EQ(list, GetAncestor(WindowFromPoint(middle), GA_ROOT)) << "the list shows where it stood";
    p.WaitPainted();
    SaveScreenshotPng("list_search_window_hidden");
}

TEST_F(SearchWindow, GoesWhenItsListIsMinimisedIntoItsButton) {
    PostMessageA(list, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(list); }));
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(search); }));
}

} // namespace
