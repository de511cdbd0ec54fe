// List windows over fake sources: columns and copy items from the settings, the status panels after a
// fill, and the header following the focused row.
#include "ConstVars.h"
#include "List.h"
#include "FormatConsts.h"
#include "SplashScreen.h"
#include "controls/Taskbar.h"
#include "fakes/FakeMessageBoxes.h"
#include "framework/Application.h"
#include "helpers/ChildProcess.h"
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
    EXPECT_EQ(3, int(SendMessageA(form.StatusBar, SB_GETPARTS, 0, 0))) << "a panel per kind from the start";
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

    // A right-click shows the menu of the row under the mouse, none below the last row.
    auto at = [&](int x, int y) {
        POINT point{x, y};
        ClientToScreen(form.Tree.handle(), &point);
        return point;
    };
    RECT row{}, client{};
    ListView_GetItemRect(form.Tree.handle(), 0, &row, LVIR_BOUNDS);
    GetClientRect(form.Tree.handle(), &client);
    EXPECT_EQ(form.KindMenu(ltProcesses),
              form.TreeGetPopupMenu(at(row.left + 30, (row.top + row.bottom) / 2)));
    EXPECT_EQ(nullptr, form.TreeGetPopupMenu(at(30, client.bottom - 5)));
    EXPECT_EQ(form.KindMenu(ltThreads), form.TreeGetPopupMenu({-1, -1})) << "the keyboard's: the focused row";
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

// The module paths of the module rows, each with the process IDs of its child rows.
std::string ModulesAndProcesses(TListForm& form) {
    std::string text;
    for (const auto& module : form.Tree.Rows().roots()) {
        text += (text.empty() ? "" : " ") + module->data.KeyValue().toText() + "(";
        for (const auto& child : module->children)
            text += (&child == &module->children.front() ? "" : " ") + child->data.KeyValue().toText();
        text += ")";
    }
    return text;
}

TEST_F(ListForm, TerminatingFromAModuleListTakesItsRowsAndItsLoneModules) {
    SleeperProcess child;
    ASSERT_TRUE(child.started());
    const std::string id = std::to_string(child.id());
    sources.wmi->Add("Win32_Process", {{"Handle", id}}); // no WMI Terminate: the program's own way then
    sources.modules.processes = {{3, {"C:\\a.dll", "C:\\b.dll"}}, {child.id(), {"C:\\a.dll", "C:\\c.dll"}}};
    fake::MessageBoxes boxes(IDYES);
    TModuleListForm form(sources);
    form.show(SW_SHOWNOACTIVATE);
    ASSERT_TRUE(Fill(form));
    ASSERT_EQ("C:\\a.dll(3 " + id + ") C:\\b.dll(3) C:\\c.dll(" + id + ")", ModulesAndProcesses(form));
    EXPECT_EQ("Processes: 2", Panel(form.StatusBar, 1));

    // Its row under a.dll, chosen from the menu as the user does.
    form.SelectRow(form.Tree.Rows().roots()[0]->children[1].get());
    PostMessageA(form.handle(), WM_COMMAND, TListForm::cmTerminateProcess, 0);
    ASSERT_TRUE(PumpUntil([&] { return Panel(form.StatusBar, 0) == "Modules: 2"; }));
    EXPECT_EQ("Processes: 1", Panel(form.StatusBar, 1));
    EXPECT_EQ("C:\\a.dll(3) C:\\b.dll(3)", ModulesAndProcesses(form)) << "c.dll had no other process";
    EXPECT_EQ(0, child.waitExit(5000));
    ASSERT_EQ(1u, boxes.shown.size());
    EXPECT_EQ("Are you sure you want to terminate this process?", boxes.shown[0].text);

    // A process WMI no longer knows: the message, and the rows stay.
    sources.wmi->objects.erase("Win32_Process.Handle=\"3\"");
    form.SelectRow(form.Tree.Rows().roots()[1]->children[0].get());
    PostMessageA(form.handle(), WM_COMMAND, TListForm::cmTerminateProcess, 0);
    ASSERT_TRUE(PumpUntil([&] { return boxes.shown.size() == 2; }));
    EXPECT_EQ("The process with ID " + FormatNumber(3) + " doesn't exist anymore.", boxes.shown[1].text);
    EXPECT_EQ("Error", boxes.shown[1].caption);
    EXPECT_EQ(UINT(MB_ICONERROR), boxes.shown[1].type & MB_ICONMASK);
    EXPECT_EQ("C:\\a.dll(3) C:\\b.dll(3)", ModulesAndProcesses(form));
    EXPECT_EQ("Modules: 2", Panel(form.StatusBar, 0));
}

TEST_F(ListForm, TerminatingFromAProcessListLowersTheCountsOfItsThreadsAndWindows) {
    SleeperProcess child;
    ASSERT_TRUE(child.started());
    const std::string id = std::to_string(child.id());
    sources.wmi->Add("Win32_Process", {{"Handle", id}});
    for (const char* thread : {"9001", "9002"})
        sources.wmi->Add("Win32_Thread", {{"Handle", thread}, {"ProcessHandle", id}});
    sources.windows.Add(sources.windows.Add(nullptr, 9001));
    sources.windows.Add(nullptr, 9002);
    sources.windows.Add(nullptr, 70);
    fake::MessageBoxes boxes(IDYES);
    TProcessListForm form(sources);
    form.show(SW_SHOWNOACTIVATE);
    ASSERT_TRUE(Fill(form));
    ASSERT_EQ("Processes: 3", Panel(form.StatusBar, 0));
    EXPECT_EQ("Threads: 5", Panel(form.StatusBar, 1));
    EXPECT_EQ("Windows: 4", Panel(form.StatusBar, 2)) << "a window's child is counted with it";

    TOstrelTreeview::Node* row = nullptr;
    for (const auto& root : form.Tree.Rows().roots())
        if (root->data.KeyValue().toText() == id) row = root.get();
    ASSERT_TRUE(row);
    form.SelectRow(row);
    PostMessageA(form.handle(), WM_COMMAND, TListForm::cmTerminateProcess, 0);
    ASSERT_TRUE(PumpUntil([&] { return Panel(form.StatusBar, 0) == "Processes: 2"; }));
    EXPECT_EQ("Threads: 3", Panel(form.StatusBar, 1));
    EXPECT_EQ("Windows: 1", Panel(form.StatusBar, 2));
    EXPECT_EQ(2u, form.Tree.Rows().roots().size());
    EXPECT_EQ(0, child.waitExit(5000));
}

TEST_F(ListForm, AListClosedAgainWhileItsTaskbarFreesItIsFreedOnce) {
    HWND owner = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(owner);
    std::atomic<int> holding{0}, closesSent{0};
    {
        TTaskbar taskbar;
        taskbar.Create(owner);
        auto* form = new TWindowListForm(sources);
        taskbar.AddForm(form, true, true);
        form->show(SW_SHOWNOACTIVATE);
        const HWND list = form->handle();
        // The fill holds until the list has been closed, then closes it again: that close reaches the
        // list while it waits for this worker on its way out.
        sources.windows.Add(nullptr);
        sources.windows.beforeVisit = [&](HWND) {
            if (holding++) return;
            for (DWORD start = GetTickCount(); IsWindowVisible(list) && GetTickCount() - start < 10000;)
                Sleep(1);
            DWORD_PTR result = 0;
            if (SendMessageTimeoutA(list, WM_CLOSE, 0, 0, SMTO_NORMAL, 10000, &result)) ++closesSent;
        };
        form->StartRefresh();
        ASSERT_TRUE(PumpUntil([&] { return holding > 0; }));
        PostMessageA(list, WM_CLOSE, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(list); }));
        EXPECT_EQ(0, taskbar.Items().Count());
    }
    EXPECT_EQ(1, closesSent) << "the second close came during the wait";
    DestroyWindow(owner);
}

TEST_F(ListForm, WindowRowsAreSelectedInEveryListButModuleListsAndNumbersFollowTheFormat) {
    HWND top = sources.windows.Add(nullptr, 70), inner = sources.windows.Add(top);
    sources.windows.Add(nullptr, 71);
    TProcessListForm processes(sources);
    TModuleListForm modules(sources);
    ASSERT_TRUE(Fill(processes));
    ASSERT_TRUE(Fill(modules));
    for (TListForm* form : std::initializer_list<TListForm*>{&processes, &modules})
        form->SelectWindowRows(inner);
    TOstrelTreeview::Node* focused = processes.Tree.FocusedNode();
    ASSERT_TRUE(focused);
    EXPECT_EQ(ltWindows, focused->data.Kind);
    std::int64_t key = 0;
    focused->data.KeyValue().toInt64(key);
    EXPECT_EQ(std::int64_t(reinterpret_cast<UINT_PTR>(inner)), key);
    EXPECT_TRUE(focused->parent->expanded && focused->parent->parent->expanded) << "opened down to it";
    EXPECT_EQ(modules.Tree.VisibleRow(0), modules.Tree.FocusedNode()) << "a module list has no window rows";

    // The first row's process ID as the control shows it, in each number format.
    const std::uint8_t format = OstrelSettings->IntFormat;
    processes.Tree.FocusNode(processes.Tree.VisibleRow(0));
    processes.show(SW_SHOWNOACTIVATE);
    for (std::uint8_t shown : {0, 2}) {
        OstrelSettings->IntFormat = shown;
        UpdateWindow(processes.Tree.handle());
        processes.UpdateIntFormat();
        EXPECT_TRUE(GetUpdateRect(processes.Tree.handle(), nullptr, FALSE)) << "painted anew";
        EXPECT_EQ(shown ? "0x00000003" : "3", ListViewItemText(processes.Tree.handle(), 0, 0));
    }
    OstrelSettings->IntFormat = format;
}

} // namespace
