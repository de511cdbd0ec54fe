// The settings dialog: which settings it carries out, and its column preview, with the program's windows
// replaced by a recorder.
#include "ConstVars.h"
#include "Properties.h"
#include "ResourceIds.h"
#include "fakes/FakeMessageBoxes.h"
#include "framework/Application.h"
#include "support/ListFakes.h"
#include "support/ProcessDriver.h"
#include "support/Screenshot.h"
#include "support/TestSettings.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <commctrl.h>

namespace {

// Shows the dialog as its modal showing does, in the foreground. The first window of a process that is
// not in the foreground is activated in the background, and Wine does not tell it when it then becomes
// the foreground window (Windows does): the test tells it, so the picture shows the active caption.
void ShowInFront(TPropertyForm& dialog) {
    dialog.show();
    SetForegroundWindow(dialog.handle());
    if (!PumpUntil([&] { return dialog.Active(); }, 1000) && GetForegroundWindow() == dialog.handle())
        SendMessageA(dialog.handle(), WM_NCACTIVATE, TRUE, 0);
}

struct RecordedTargets : TSettingsTargets {
    std::vector<std::string> calls;
    std::uint8_t parseFormatSeen = 0;
    void ApplyIntFormatToForms() override {
        calls.push_back("IntFormat");
        parseFormatSeen = OstrelSettings->ParseFormat;
    }
    void ApplyStyle(bool standard) override { calls.push_back(standard ? "Style standard" : "Style own"); }
    void ApplyAppBarDocking() override { calls.push_back("AppBar"); }
    void ApplyStayOnTop() override { calls.push_back("StayOnTop"); }
    void ApplyMinimization() override { calls.push_back("Minimization"); }
    void ApplyMainFinder() override { calls.push_back("MainFinder"); }
    void UpdateHotKey() override { calls.push_back("HotKey"); }
    void ApplyCodeLanguage() override { calls.push_back("CodeLanguage"); }
};

std::string Names(const std::vector<TColumnSetting*>& columns) {
    std::string s;
    for (auto* c : columns) s += (c ? c->name : "?") + " ";
    return s;
}

// The "Lists" page, chosen as a click on its tab does, with the given kind's columns.
void ShowListsPage(TPropertyForm& dialog, TListTypes kind) {
    HWND pages = GetDlgItem(dialog.handle(), IDC_PROP_PAGES);
    SendMessageA(pages, TCM_SETCURSEL, 1, 0);
    NMHDR change{pages, IDC_PROP_PAGES, UINT(TCN_SELCHANGE)};
    SendMessageA(dialog.handle(), WM_NOTIFY, IDC_PROP_PAGES, reinterpret_cast<LPARAM>(&change));
    dialog.SelectListType(kind);
}

// Ticks or clears the named item as a click on its box does.
void Tick(TPropertyForm& dialog, const std::string& name, bool ticked) {
    const auto& items = dialog.PropertyItems();
    const auto item = std::find_if(items.begin(), items.end(), [&](auto* i) { return i->name == name; });
    ASSERT_NE(items.end(), item) << name;
    dialog.SetItemTicked(std::size_t(item - items.begin()), ticked);
    fw::application().processMessages();
}

} // namespace

TEST(Properties, CarriesOutOnlyWhatChanged) {
    TestSettings settings;
    auto& s = *OstrelSettings;
    RecordedTargets targets;
    TPropertyForm dialog(nullptr, s, targets);

    ShowInFront(dialog);
    testing_support::SaveScreenshotPng("properties_general", {dialog.handle()});
    dialog.ApplyClick();
    EXPECT_TRUE(targets.calls.empty()) << "nothing changed";

    // The combination alone: stored and registered again.
    core::TGeneralSettings g = dialog.EditedGeneralSettings();
    EXPECT_EQ(0x4079, g.HotKey) << "the control shows the stored Ctrl+F10";
    g.HotKey = 0x4078;
    dialog.ShowGeneralSettings(g);
    dialog.ApplyClick();
    EXPECT_EQ(std::vector<std::string>{"HotKey"}, targets.calls);
    EXPECT_EQ(0x4078, s.HotKey);

    targets.calls.clear();
    g.IntFormat = 2;
    g.Style = 1;
    g.CodeLanguage = 1;
    dialog.ShowGeneralSettings(g);
    dialog.ApplyClick();
    EXPECT_EQ((std::vector<std::string>{"IntFormat", "Style standard", "CodeLanguage"}), targets.calls);
    EXPECT_EQ(1, targets.parseFormatSeen) << "numbers on screen are read in the old format";
    EXPECT_EQ(3, s.ParseFormat);
    EXPECT_EQ(2, s.IntFormat);
    EXPECT_EQ(&CTokens, s.TokenTable);

    // While loading, nothing but the hot key touches the program.
    targets.calls.clear();
    s.Loading = true;
    g.Style = 0;
    g.Minimization = 1;
    g.UseHotKey = false;
    dialog.ShowGeneralSettings(g);
    dialog.ApplyClick();
    EXPECT_EQ(std::vector<std::string>{"HotKey"}, targets.calls);
    EXPECT_EQ(0, s.Style);
    EXPECT_EQ(1, s.Minimization);
    s.Loading = false;
}

TEST(Properties, KeyColumnStaysAndNewColumnsFillTheGaps) {
    TestSettings settings;
    auto& s = *OstrelSettings;
    RecordedTargets targets;
    fake::MessageBoxes boxes;
    TPropertyForm dialog(nullptr, s, targets);
    ShowInFront(dialog);
    ShowListsPage(dialog, ltProcesses);
    const std::string before = Names(dialog.PreviewColumns());
    EXPECT_EQ("ProcessID ModuleName ModulePath ", before);

    Tick(dialog, "ProcessID", false);
    ASSERT_EQ(1u, boxes.shown.size());
    EXPECT_EQ("This item can't be deactivated!", boxes.shown[0].text);
    EXPECT_EQ("Error", boxes.shown[0].caption);
    EXPECT_EQ(before, Names(dialog.PreviewColumns()));

    Tick(dialog, "ModuleName", false);
    EXPECT_EQ("ProcessID ModulePath ", Names(dialog.PreviewColumns()));
    Tick(dialog, "Priority", true);
    EXPECT_EQ("ProcessID ModulePath Priority ", Names(dialog.PreviewColumns()));
    testing_support::SaveScreenshotPng("properties_lists", {dialog.handle()});

    dialog.ApplyClick();
    auto shown = ShownColumns(s.ColumnSettings[ltProcesses]);
    EXPECT_EQ("ProcessID ModulePath Priority ", Names(shown));

    // The items stand in the order of their names, letter case ignored.
    dialog.SelectListType(ltServices);
    const auto& items = dialog.PropertyItems();
    std::vector<std::string> names;
    for (const auto* item : items)
        if (item->name.rfind("Start", 0) == 0) names.push_back(item->name);
    EXPECT_EQ((std::vector<std::string>{"Started", "StartMode", "StartName"}), names);
}

TEST(Properties, ClearingAColumnKeepsTheOthersInOrder) {
    TestSettings settings;
    auto& s = *OstrelSettings;
    RecordedTargets targets;
    TPropertyForm dialog(nullptr, s, targets);
    ShowInFront(dialog);
    ShowListsPage(dialog, ltProcesses);
    Tick(dialog, "Priority", true);
    Tick(dialog, "ThreadCount", true);
    std::vector<std::string> columns = {"ProcessID", "ModuleName", "ModulePath", "Priority", "ThreadCount"};
    auto joined = [](const std::vector<std::string>& names) {
        std::string text;
        for (const auto& name : names) text += name + " ";
        return text;
    };
    ASSERT_EQ(joined(columns), Names(dialog.PreviewColumns()));

    // Each position after the key column in turn; a column ticked again comes back as the last one.
    for (std::size_t position = 1; position < columns.size(); ++position) {
        const std::string name = columns[position];
        SCOPED_TRACE(name);
        columns.erase(columns.begin() + std::ptrdiff_t(position));
        Tick(dialog, name, false);
        EXPECT_EQ(joined(columns), Names(dialog.PreviewColumns()));
        if (position == 1)
            testing_support::SaveScreenshotPng("properties_lists_column_cleared", {dialog.handle()});
        columns.push_back(name);
        Tick(dialog, name, true);
        EXPECT_EQ(joined(columns), Names(dialog.PreviewColumns()));
    }

    // What the list windows are given keeps that order too.
    Tick(dialog, columns[2], false);
    columns.erase(columns.begin() + 2);
    dialog.ApplyClick();
    EXPECT_EQ(joined(columns), Names(ShownColumns(s.ColumnSettings[ltProcesses])));
}
