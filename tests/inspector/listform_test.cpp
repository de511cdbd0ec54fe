// List windows over fake sources: columns and copy items from the settings, the status panels after a
// fill, and the header following the focused row.
#include "ConstVars.h"
#include "List.h"
#include "SplashScreen.h"
#include "framework/Application.h"
#include "support/ListFakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string MenuText(HMENU menu, int index) {
    char text[128] = {};
    GetMenuStringA(menu, index, text, sizeof text, MF_BYPOSITION);
    return GetMenuState(menu, index, MF_BYPOSITION) & MF_SEPARATOR ? "-" : text;
}

std::vector<std::string> MenuTexts(HMENU menu) {
    std::vector<std::string> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) texts.push_back(MenuText(menu, i));
    return texts;
}

std::string HeaderText(HWND list, int column) {
    char text[128] = {};
    LVCOLUMNA info{};
    info.mask = LVCF_TEXT;
    info.pszText = text;
    info.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&info));
    return text;
}

std::string Panel(HWND status, int index) {
    char text[128] = {};
    SendMessageA(status, SB_GETTEXTA, index, reinterpret_cast<LPARAM>(text));
    return text;
}

class ListForm : public testing::Test {
protected:
    static void SetUpTestSuite() {
        fw::application().initialize(GetModuleHandleA(nullptr));
        OstrelSettings = new TOSTREL_Settings;
        OstrelSettings->SplashForm.reset();
        OstrelSettings->ThreadSemaphore.reset(CreateSemaphoreA(nullptr, 5, 5, nullptr));
    }
    static void TearDownTestSuite() {
        delete OstrelSettings;
        OstrelSettings = nullptr;
    }
    void SetUp() override {
        // Key columns only: the fake objects then need no reads of the system.
        OstrelSettings->ColumnSettings = KeyColumnLists();
        for (uint32_t id : {7u, 3u}) {
            sources.wmi->Add("Win32_Process", {{"Handle", std::to_string(id)}});
            sources.wmi->Add("Win32_Thread",
                             {{"Handle", std::to_string(id * 10)}, {"ProcessHandle", std::to_string(id)}});
        }
        sources.wmi->Add("Win32_Thread", {{"Handle", "71"}, {"ProcessHandle", "7"}});
    }
    // Fills the form and waits for the end of the fill.
    static bool Fill(TListForm& form) {
        form.StartRefresh();
        return PumpUntil(
            [&] { return !Panel(form.StatusBar, 0).empty() && IsWindowEnabled(form.Tree.handle()); });
    }
    FakeSources sources;
};

TEST_F(ListForm, ProcessListCountsEachKindAndHeadsColumnsByTheFocusedRow) {
    TProcessListForm form(sources);
    form.show(SW_SHOWNOACTIVATE);
    ASSERT_TRUE(Fill(form));
    EXPECT_EQ("Processes: 2", Panel(form.StatusBar, 0));
    EXPECT_EQ("Threads: 3", Panel(form.StatusBar, 1));
    EXPECT_EQ("Windows: 0", Panel(form.StatusBar, 2));
    EXPECT_EQ(3, int(SendMessageA(form.StatusBar, SB_GETPARTS, 0, 0)));

    // Sorted by the first column, smallest first; the first row focused.
    TOstrelTreeview::Node* first = form.Tree.FocusedNode();
    ASSERT_TRUE(first);
    EXPECT_EQ(first, form.Tree.VisibleRow(0));
    std::int64_t id = 0;
    first->data.KeyValue().toInt64(id);
    EXPECT_EQ(3, id);
    EXPECT_EQ("ProcessID", HeaderText(form.Tree.handle(), 0));
    EXPECT_TRUE(form.ToolBar.Enabled(TListForm::cmRefresh));
    EXPECT_FALSE(form.ToolBar.Enabled(TListForm::cmHighlight)) << "no window row";

    form.Tree.SetExpanded(first, true);
    form.Tree.FocusNode(first->children.front().get());
    EXPECT_EQ("ThreadID", HeaderText(form.Tree.handle(), 0)) << "the header describes the focused row";

    // The copy items stand above each menu's own items, a separator between.
    EXPECT_EQ((std::vector<std::string>{"Copy ProcessID to clipboard", "-", "Terminate process", "-",
                                        "Show process properties..."}),
              MenuTexts(form.KindMenu(ltProcesses)));
    EXPECT_EQ((std::vector<std::string>{"Copy ThreadID to clipboard"}), MenuTexts(form.KindMenu(ltThreads)));
    EXPECT_EQ((std::vector<std::string>{"Copy Handle to clipboard", "-", "Highlight window",
                                        "Create FindWindow code...", "-", "Show window properties..."}),
              MenuTexts(form.KindMenu(ltWindows)));
    EXPECT_EQ(0, GetMenuItemCount(form.KindMenu(ltModules))) << "not a kind of this list";
}

TEST_F(ListForm, ModuleListCountsProcessesNotRowsAndRefreshFillsAgain) {
    sources.modules.processes = {{3, {"C:\\a.dll", "C:\\b.dll"}}, {7, {"C:\\a.dll"}}};
    TModuleListForm form(sources);
    ASSERT_TRUE(Fill(form));
    EXPECT_EQ("Modules: 2", Panel(form.StatusBar, 0));
    EXPECT_EQ("Processes: 2", Panel(form.StatusBar, 1));

    sources.modules.processes.push_back({9, {"C:\\c.dll"}});
    SendMessageA(form.StatusBar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(""));
    PostMessageA(form.handle(), WM_COMMAND, TListForm::cmRefresh, 0);
    ASSERT_TRUE(PumpUntil([&] { return Panel(form.StatusBar, 0) == "Modules: 3"; }));
    EXPECT_EQ("Processes: 3", Panel(form.StatusBar, 1));
}

} // namespace
