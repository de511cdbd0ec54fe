// Filter and search in a window list filled from the real desktop, with windows of our own to find.
#include "ConstVars.h"
#include "Filter.h"
#include "List.h"
#include "ListSearch.h"
#include "ResourceIds.h"
#include "fakes/FakeMessageBoxes.h"
#include "framework/Application.h"
#include "support/ListFakes.h"
#include "support/ProcessDriver.h"
#include "support/Screenshot.h"
#include "support/TestSettings.h"
#include <gtest/gtest.h>

namespace {

// A visible top-level window of a class of its own.
struct OwnWindow {
    explicit OwnWindow(const char* className) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = className;
        RegisterClassA(&wc);
        hwnd = CreateWindowExA(0, className, className, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 100, 60,
                               nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~OwnWindow() { DestroyWindow(hwnd); }
    HWND hwnd;
};

std::vector<std::string> VisibleRootClasses(TListForm& list) {
    std::vector<std::string> classes;
    for (int i = 0; i < list.Tree.VisibleRowCount(); ++i) {
        TOstrelTreeview::Node* node = list.Tree.VisibleRow(i);
        if (node->parent && !node->parent->parent) classes.push_back(list.Tree.Text(*node, 2));
    }
    return classes;
}

} // namespace

TEST(ListFilter, FilterSearchAndTheFilterButtonsBox) {
    TestSettings settings;
    OwnWindow alpha("OstrelFilterAlpha"), beta("OstrelFilterBeta"), alpha2("OstrelFilterAlphaTwo");
    auto* list = new TWindowListForm; // frees itself when closed
    list->StartRefresh();
    list->show();
    ASSERT_TRUE(
        PumpUntil([&] { return IsWindowEnabled(list->Tree.handle()) && list->Tree.VisibleRowCount() > 1; }));
    ASSERT_EQ(3u, list->KindColumnNames(ltWindows).size());
    EXPECT_EQ("ClassName", list->KindColumnNames(ltWindows)[2]);

    // Filter by class with a wildcard: only matching top-level windows stay, the desktop row too.
    list->Filters[ltWindows].Patterns = {"", "", "ostrelfilteralpha*"};
    list->FilterCheckbox->SetCheckboxChecked(true);
    list->FilterButtonCheckClick();
    auto classes = VisibleRootClasses(*list);
    std::sort(classes.begin(), classes.end());
    EXPECT_EQ((std::vector<std::string>{"OstrelFilterAlpha", "OstrelFilterAlphaTwo"}), classes);
    EXPECT_EQ(nullptr, list->Tree.VisibleRow(0)->parent) << "the desktop row stays";
    testing_support::SaveScreenshotPng("filtered_list", {list->handle()});

    // Search forward from the beginning: the filter hides Beta, so it is never found.
    list->SearchButtonClick();
    ASSERT_TRUE(list->SearchForm && list->SearchForm->visible());
    HWND search = list->SearchForm->handle();
    list->SearchForm->Patterns().Select(2);
    SetDlgItemTextA(search, IDC_LIST_TEXT, "OstrelFilter*");
    SendMessageA(search, WM_COMMAND, MAKEWPARAM(IDC_LIST_CHANGE, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(search, IDOK)));
    testing_support::SaveScreenshotPng("search_window", {list->handle(), search});
    fake::MessageBoxes boxes;
    std::vector<std::string> found;
    for (int i = 0; i < 4 && boxes.shown.empty(); ++i) {
        list->SearchForm->SearchClick();
        if (boxes.shown.empty()) found.push_back(list->Tree.Text(*list->Tree.FocusedNode(), 2));
    }
    std::sort(found.begin(), found.end());
    EXPECT_EQ((std::vector<std::string>{"OstrelFilterAlpha", "OstrelFilterAlphaTwo"}), found);
    ASSERT_EQ(1u, boxes.shown.size());
    EXPECT_EQ("No entry found that corresponds to yoursearch-options", boxes.shown[0].text);
    EXPECT_EQ("Searching done", boxes.shown[0].caption);
    // Backward from the current row finds the other one again.
    CheckRadioButton(search, IDC_LIST_FORWARD, IDC_LIST_BACKWARD, IDC_LIST_BACKWARD);
    list->SearchForm->SearchClick();
    EXPECT_EQ(1u, boxes.shown.size()) << "the first of the two is found again";

    // A click in the Filter button's box turns the filter off without opening the dialog.
    const RECT box = list->FilterCheckbox->BoxRect();
    const LPARAM at = MAKELPARAM((box.left + box.right) / 2, (box.top + box.bottom) / 2);
    SendMessageA(list->ToolBar.handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(list->ToolBar.handle(), WM_LBUTTONUP, 0, at);
    fw::application().processMessages();
    EXPECT_FALSE(list->FilterCheckbox->CheckboxChecked());
    EXPECT_EQ(nullptr, list->FilterForm);
    classes = VisibleRootClasses(*list);
    EXPECT_NE(classes.end(), std::find(classes.begin(), classes.end(), "OstrelFilterBeta"));

    // The dialog: cancelling keeps the list's filters.
    list->FilterButtonClick();
    ASSERT_NE(nullptr, list->FilterForm);
    EXPECT_FALSE(IsWindowEnabled(list->handle()));
    testing_support::SaveScreenshotPng("filter_window", {list->handle(), list->FilterForm->handle()});
    list->FilterForm->close();
    fw::application().processMessages();
    EXPECT_EQ(nullptr, list->FilterForm);
    EXPECT_TRUE(IsWindowEnabled(list->handle()));
    EXPECT_EQ("ostrelfilteralpha*", list->Filters[ltWindows].Patterns[2]);

    // Refresh hides the search window, and the new rows are filtered as the old ones were.
    list->FilterCheckbox->SetCheckboxChecked(true);
    list->FilterButtonCheckClick();
    if (!list->SearchForm->visible()) list->SearchButtonClick();
    ASSERT_TRUE(list->SearchForm->visible());
    SendMessageA(list->handle(), WM_COMMAND, TListForm::cmRefresh, 0);
    EXPECT_FALSE(list->SearchForm->visible());
    EXPECT_TRUE(PumpUntil([&] { return list->Tree.SearchDisplay(); }));
    EXPECT_TRUE(
        PumpUntil([&] { return !list->Tree.SearchDisplay() && IsWindowEnabled(list->Tree.handle()); }));
    classes = VisibleRootClasses(*list);
    std::sort(classes.begin(), classes.end());
    EXPECT_EQ((std::vector<std::string>{"OstrelFilterAlpha", "OstrelFilterAlphaTwo"}), classes);
    EXPECT_TRUE(list->FilterCheckbox->CheckboxChecked());
    list->close();
    fw::application().processMessages();
}

namespace {

// The filter dialog driven through its controls, as the user does.
struct FilterDialog {
    HWND dialog;
    void Command(int id, int code = BN_CLICKED) {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }
    void Kind(int index) {
        SendDlgItemMessageA(dialog, IDC_LIST_TYPE, CB_SETCURSEL, index, 0);
        Command(IDC_LIST_TYPE, CBN_SELCHANGE);
    }
    void Pattern(int column, const char* text) {
        SendDlgItemMessageA(dialog, IDC_LIST_PATTERNS, LB_SETCURSEL, column, 0);
        Command(IDC_LIST_PATTERNS, LBN_SELCHANGE);
        SetDlgItemTextA(dialog, IDC_LIST_TEXT, text);
        Command(IDC_LIST_CHANGE);
    }
    void Tick(int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }
};

std::vector<std::string> VisibleProcessNames(TListForm& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.Tree.VisibleRowCount(); ++i)
        if (TOstrelTreeview::Node* node = list.Tree.VisibleRow(i); node->data.Kind == ltProcesses)
            names.push_back(list.Tree.Text(*node, 1));
    return names;
}

} // namespace

TEST(ListFilter, TheDialogsOkStoresEveryKindsEditsAndActivateFilterOffShowsEveryRow) {
    TestSettings settings;
    FakeSources sources;
    for (uint32_t id : {10u, 20u, 30u})
        sources.wmi->Add("Win32_Process",
                         {{"Handle", std::to_string(id)}, {"Caption", "p" + std::to_string(id) + ".exe"}});
    sources.wmi->Add("Win32_Thread", {{"Handle", "101"}, {"ProcessHandle", "10"}});
    sources.wmi->Add("Win32_Thread", {{"Handle", "301"}, {"ProcessHandle", "30"}});
    auto* list = new TProcessListForm(sources); // frees itself when closed
    list->StartRefresh();
    list->show();
    ASSERT_TRUE(
        PumpUntil([&] { return IsWindowEnabled(list->Tree.handle()) && list->Tree.VisibleRowCount() == 3; }));

    // Processes whose module name starts with "p" and that have threads; an edit of the thread kind made in
    // between is kept too.
    list->FilterButtonClick();
    ASSERT_NE(nullptr, list->FilterForm);
    FilterDialog dialog{list->FilterForm->handle()};
    dialog.Pattern(1, "P*");
    dialog.Tick(IDC_LIST_CHILDNODES, true);
    dialog.Kind(1);
    dialog.Pattern(0, "3*");
    dialog.Kind(0);
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog.dialog, IDC_LIST_CHILDNODES)) << "kept with its kind";
    testing_support::SaveScreenshotPng("filter_window_edited", {list->handle(), dialog.dialog});
    dialog.Command(IDOK);
    fw::application().processMessages();
    EXPECT_EQ(nullptr, list->FilterForm);
    EXPECT_TRUE(list->FilterCheckbox->CheckboxChecked());
    EXPECT_EQ((std::vector<std::string>{"", "P*", ""}), list->Filters[ltProcesses].Patterns);
    EXPECT_TRUE(list->Filters[ltProcesses].MustHaveChildren);
    EXPECT_EQ("3*", list->Filters[ltThreads].Patterns.at(0));
    EXPECT_FALSE(list->Filters[ltThreads].MustHaveChildren);
    EXPECT_EQ((std::vector<std::string>{"p10.exe", "p30.exe"}), VisibleProcessNames(*list));

    // "Activate Filter" off: the box is cleared and every row shown again, the filters kept.
    list->FilterButtonClick();
    ASSERT_NE(nullptr, list->FilterForm);
    dialog.dialog = list->FilterForm->handle();
    dialog.Tick(IDC_LIST_ACTIVATE, false);
    dialog.Command(IDOK);
    fw::application().processMessages();
    EXPECT_FALSE(list->FilterCheckbox->CheckboxChecked());
    EXPECT_EQ((std::vector<std::string>{"p10.exe", "p20.exe", "p30.exe"}), VisibleProcessNames(*list));
    EXPECT_EQ("P*", list->Filters[ltProcesses].Patterns.at(1));
    testing_support::SaveScreenshotPng("filter_off_all_rows", {list->handle()});
    list->close();
    fw::application().processMessages();
}
