#include "SettingsTargets.h"
#include "AppBar.h"
#include "ConstVars.h"
#include "HotKey.h"
#include "TrayIcon.h"
#include "FindWndCoder.h"
#include "List.h"
#include "ListSearch.h"
#include "Main.h"
#include "Functions.h"
#include "WndSearch.h"

void TProgramSettingsTargets::ApplyIntFormatToForms() {
    ::ApplyIntFormatToForms();
}

void TProgramSettingsTargets::ApplyStyle(bool standardCaption) {
    main_.SetUseStandardCaption(standardCaption);
    for (TStyleForm* form : OpenForms<TStyleForm>()) form->SetUseStandardCaption(standardCaption);
    for (TListForm* list : OpenForms<TListForm>())
        if (list->SearchForm) list->SearchForm->SetUseStandardCaption(standardCaption);
}

void TProgramSettingsTargets::ApplyAppBarDocking() {
    HWND main = main_.handle();
    CaptionButtonSet buttons = main_.CaptionButtons();
    if (OstrelSettings->AppBarDocking) {
        SetWindowTopmost(main, false);
        buttons &= CaptionButtonSet(~core::ButtonBit(cbMaximize));
        main_.SetCaptionButtons(buttons);
        RECT r{};
        GetWindowRect(main, &r);
        if (auto place = RegisterAppBar(main, r.bottom - r.top)) main_.ApplyPlacement(*place);
    } else {
        buttons |= core::ButtonBit(cbMaximize);
        main_.SetCaptionButtons(buttons);
        UnregisterAppBar(main);
    }
}

void TProgramSettingsTargets::ApplyStayOnTop() {
    SetWindowTopmost(main_.handle(), OstrelSettings->StayOnTop && !OstrelSettings->AppBarDocking);
}

void TProgramSettingsTargets::ApplyMinimization() {
    if (OstrelSettings->Minimization == 0)
        RemoveTrayIcon(main_.handle());
    else
        AddTrayIcon(main_.handle());
}

void TProgramSettingsTargets::ApplyMainFinder() {
    main_.ShowFinderPanel(OstrelSettings->MainFinder);
}

void TProgramSettingsTargets::UpdateHotKey() {
    ::UpdateHotKey(main_.handle());
}

void TProgramSettingsTargets::ApplyCodeLanguage() {
    for (TFindWndCodeGenerator* coder : OpenForms<TFindWndCodeGenerator>()) {
        coder->UpdateHighlighter();
        coder->GenerateCode();
    }
}
