// A list window's search window in the real program, driven from outside: Enter in its text changes the
// pattern.
#include "List.h"
#include "ResourceIds.h"
#include "support/OstrelProgram.h"
#include "support/Screenshot.h"
#include <gtest/gtest.h>

#include <iterator>
#include <string>

using namespace testing_support;

namespace {

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

class SearchWindow : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(p.started());
        list = p.OpenList(0, "1 Window List");
        ASSERT_TRUE(list);
        PostMessageA(list, WM_COMMAND, MAKEWPARAM(TListForm::cmSearch, BN_CLICKED), 0);
        ASSERT_TRUE(WaitFor([&] { return (search = p.Find("#32770", "Search")) != nullptr; }));
    }

    OstrelProgram p;
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

} // namespace
