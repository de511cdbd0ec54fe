// The settings dialog's Apply carried out on the program's own windows: the main form, a list window with
// its search window, a code generator.
#include "ConstVars.h"
#include "FindWndCoder.h"
#include "Functions.h"
#include "List.h"
#include "ListSearch.h"
#include "Main.h"
#include "Properties.h"
#include "ResourceIds.h"
#include "SettingsTargets.h"
#include "framework/Application.h"
#include "support/ListFakes.h"
#include "support/Screenshot.h"
#include "support/TestSettings.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <cstring>
#include <functional>
#include <string>

namespace {

bool TopMost(HWND window) {
    return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// Whether the main form's icon is in the notification area: only an icon that is there can be changed.
bool InTray(HWND form) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = form;
    data.uID = 1;
    data.uFlags = NIF_TIP;
    std::strncpy(data.szTip, "Ostrel", 63);
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

} // namespace

TEST(SettingsTargets, ApplyReachesEveryWindowItNames) {
    TestSettings settings;
    auto& s = *OstrelSettings;
    auto main = std::make_unique<TOstrelMainForm>();
    fw::application().setMainForm(main.get());
    main->show(SW_SHOWNOACTIVATE);
    auto* list = CreateChildForm<TWindowListForm>();
    ASSERT_NE(nullptr, list);
    ASSERT_TRUE(
        PumpUntil([&] { return IsWindowEnabled(list->Tree.handle()) && list->Tree.VisibleRowCount(); }));
    list->SearchButtonClick();
    auto* coder = CreateChildForm<TFindWndCodeGenerator>(main->handle());
    ASSERT_NE(nullptr, coder);

    TProgramSettingsTargets targets(*main);
    TPropertyForm dialog(main->handle(), s, targets);
    dialog.show();
    core::TGeneralSettings g = dialog.EditedGeneralSettings();
    auto apply = [&](const std::function<void(core::TGeneralSettings&)>& change) {
        change(g);
        dialog.ShowGeneralSettings(g);
        SendMessageA(dialog.handle(), WM_COMMAND, MAKEWPARAM(IDC_PROP_APPLY, BN_CLICKED), 0);
        fw::application().processMessages();
    };
    auto firstHandleText = [&] { return list->Tree.Text(*list->Tree.VisibleRow(0), 0); };

    apply([](auto& g) { g.IntFormat = 2; });
    EXPECT_EQ("0x", firstHandleText().substr(0, 2));
    testing_support::SaveScreenshotPng("settings_targets_hex_numbers", {list->handle()});

    apply([](auto& g) { g.Style = 1; });
    for (TStyleForm* form :
         std::initializer_list<TStyleForm*>{main.get(), list, list->SearchForm.get(), coder})
        EXPECT_TRUE(form->UseStandardCaption());
    EXPECT_TRUE(dialog.UseStandardCaption());
    testing_support::SaveScreenshotPng("settings_targets_standard_caption", {main->handle(), list->handle()});
    apply([](auto& g) { g.Style = 0; });
    EXPECT_FALSE(main->UseStandardCaption());
    EXPECT_FALSE(list->SearchForm->UseStandardCaption());

    apply([](auto& g) { g.StayOnTop = true; });
    EXPECT_TRUE(TopMost(main->handle()));
    apply([](auto& g) { g.AppBarDocking = true; });
    EXPECT_FALSE(TopMost(main->handle())) << "a docked form is not on top";
    EXPECT_FALSE(main->CaptionButtons() & core::ButtonBit(cbMaximize));
    apply([](auto& g) { g.AppBarDocking = false; });
    EXPECT_TRUE(main->CaptionButtons() & core::ButtonBit(cbMaximize));
    apply([](auto& g) { g.StayOnTop = false; });
    EXPECT_FALSE(TopMost(main->handle()));

    apply([](auto& g) { g.Minimization = 1; });
    EXPECT_TRUE(InTray(main->handle()));
    EXPECT_FALSE(IsWindowVisible(fw::application().handle())) << "the tray alone";
    apply([](auto& g) { g.Minimization = 0; });
    EXPECT_FALSE(InTray(main->handle()));

    apply([](auto& g) { g.MainFinder = false; });
    EXPECT_FALSE(IsWindowVisible(main->FindWndPanel.handle()));
    apply([](auto& g) { g.MainFinder = true; });
    EXPECT_TRUE(IsWindowVisible(main->FindWndPanel.handle()));

    for (std::uint8_t language : {0, 1}) {
        apply([&](auto& g) { g.CodeLanguage = language; });
        EXPECT_EQ(language == 0, coder->Editor().code().rfind("var", 0) == 0) << int(language);
    }

    dialog.close();
    main->MenuCloseAllClick();
    fw::application().processMessages();
    fw::application().setMainForm(nullptr);
}
