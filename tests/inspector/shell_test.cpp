#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <fstream>
#include <map>
#include <sstream>
#include "AppBar.h"
#include "ConstVars.h"
#include "DesktopIcons.h"
#include "SplashScreen.h"
#include "core/IconPositions.h"
#include "framework/Application.h"
#include "framework/Registry.h"
#include "support/ProcessDriver.h"

using testing_support::BuildPath;
using testing_support::ChildProcess;

namespace {

const std::string key = "Software\\OstrelTests\\IconPositions";

struct Icon {
    std::string label;
    long x, y;
};

// The helper desktop's icons as it reports them itself.
std::vector<Icon> icons(HWND progman, const std::string& report) {
    DWORD_PTR done = 0;
    SendMessageTimeoutA(progman, WM_APP + 1, 0, 0, SMTO_ABORTIFHUNG, 5000, &done);
    std::vector<Icon> out;
    std::ifstream in(report);
    Icon icon;
    while (in >> icon.label >> icon.x >> icon.y) out.push_back(icon);
    return out;
}

HWND folderView(HWND progman) {
    HWND view = FindWindowExA(progman, nullptr, "SHELLDLL_DefView", nullptr);
    return FindWindowExA(view, nullptr, "SysListView32", nullptr);
}

struct FakeDesktop {
    explicit FakeDesktop(const std::string& args)
        : report(BuildPath("fake_desktop.txt")),
          process("\"" + BuildPath("fake_desktop.exe") + "\" \"" + report + "\" " + args),
          progman(process.waitWindow("Progman", "Program Manager", 10000)) {}
    std::string report;
    ChildProcess process;
    HWND progman;
};

size_t storedValues() {
    fw::Registry registry;
    return registry.openKey(key, false) ? registry.valueNames().size() : 0;
}

} // namespace

TEST(DesktopIcons, SaveMoveRestorePutsEveryIconBackAndEmptiesTheStore) {
    FakeDesktop desk("Trash Home Docs Docs");
    ASSERT_TRUE(desk.progman);
    auto before = icons(desk.progman, desk.report);
    ASSERT_EQ(before.size(), 4u);

    SaveIconPositionsUnder(key);
    EXPECT_EQ(storedValues(), 3u) << "one value per label";
    HWND view = folderView(desk.progman);
    for (int i = 0; i < 4; ++i) SendMessageA(view, LVM_SETITEMPOSITION, i, MAKELPARAM(300, 200 + 10 * i));
    RestoreIconPositionsUnder(key);

    auto after = icons(desk.progman, desk.report);
    ASSERT_EQ(after.size(), 4u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(after[i].x, before[i].x) << after[i].label;
        EXPECT_EQ(after[i].y, before[i].y) << after[i].label;
    }
    for (int i = 2; i < 4; ++i) EXPECT_EQ(after[i].x, before[3].x) << "a repeated label's last saved place";
    EXPECT_EQ(storedValues(), 0u);
}

TEST(DesktopIcons, StaleValuesMoveNoIcon) {
    FakeDesktop desk("One Two Three");
    ASSERT_TRUE(desk.progman);
    {
        fw::Registry registry;
        ASSERT_TRUE(registry.openKey(key, true));
        auto unreadable = core::EncodeIconPoint({-1, -1});
        registry.writeBinaryData("One", unreadable.data(), unreadable.size());
        const char shortValue[5] = {1, 2, 3, 4, 5};
        registry.writeBinaryData("Two", shortValue, sizeof shortValue);
    }
    auto before = icons(desk.progman, desk.report);
    ASSERT_EQ(before.size(), 3u);
    RestoreIconPositionsUnder(key);
    auto after = icons(desk.progman, desk.report);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].x, before[i].x) << after[i].label;
        EXPECT_EQ(after[i].y, before[i].y) << after[i].label;
    }
    EXPECT_EQ(storedValues(), 0u);
}

TEST(DesktopIcons, AutoArrangeIsKept) {
    FakeDesktop desk("autoarrange One Two");
    ASSERT_TRUE(desk.progman);
    auto before = icons(desk.progman, desk.report);
    SaveIconPositionsUnder(key);
    EXPECT_EQ(storedValues(), 2u);
    RestoreIconPositionsUnder(key);
    DWORD_PTR autoArrange = 0;
    SendMessageTimeoutA(desk.progman, WM_APP + 2, 0, 0, SMTO_ABORTIFHUNG, 5000, &autoArrange);
    EXPECT_TRUE(autoArrange);
    auto after = icons(desk.progman, desk.report);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i].x, before[i].x) << after[i].label;
    EXPECT_EQ(storedValues(), 0u);
}

// Docking saves the places before the bar shifts the icons, and undocking puts them back, only when the
// user asked for it: otherwise the icons stay where the shell put them.
TEST(DesktopIcons, TheBarSavesAndRestoresThemOnlyWithSaveDesktopIcons) {
    fw::application().initialize(GetModuleHandleA(nullptr));
    auto settings = std::make_unique<TOSTREL_Settings>();
    settings->SplashForm.reset();
    OstrelSettings = settings.get();
    const std::string programKey = TOSTREL_Settings::RegistryKey() + "\\IconPositions";
    ASSERT_NE(programKey.find("Ostrel"), std::string::npos) << programKey;
    HWND bar = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "bar", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               nullptr, nullptr);
    for (const bool save : {true, false}) {
        SCOPED_TRACE(save ? "SaveDesktopIcons on" : "SaveDesktopIcons off");
        settings->SaveDesktopIcons = save;
        FakeDesktop desk("Trash Home Docs");
        ASSERT_TRUE(desk.progman);
        auto before = icons(desk.progman, desk.report);
        ASSERT_EQ(before.size(), 3u);
        ASSERT_TRUE(RegisterAppBar(bar, 60));
        // The shell makes room for the bar.
        HWND view = folderView(desk.progman);
        for (int i = 0; i < 3; ++i) SendMessageA(view, LVM_SETITEMPOSITION, i, MAKELPARAM(300, 200 + 30 * i));
        UnregisterAppBar(bar);
        auto after = icons(desk.progman, desk.report);
        ASSERT_EQ(after.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(save ? before[i].x : 300, after[i].x) << after[i].label;
            EXPECT_EQ(save ? before[i].y : 200 + 30 * i, after[i].y) << after[i].label;
        }
        fw::Registry registry;
        EXPECT_TRUE(!registry.openKey(programKey, false) || registry.valueNames().empty());
    }
    DestroyWindow(bar);
    OstrelSettings = nullptr;
}
