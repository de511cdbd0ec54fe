#include "SettingsTargets.h"
#include "ConstVars.h"
#include "FindWndCoder.h"
#include "List.h"
#include "ListSearch.h"
#include "Main.h"
#include "OpenForms.h"
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
    // Docking arrives with the app bar.
}

void TProgramSettingsTargets::ApplyStayOnTop() {
    const bool onTop = OstrelSettings->StayOnTop && !OstrelSettings->AppBarDocking;
    SetWindowPos(main_.handle(), onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TProgramSettingsTargets::ApplyMinimization() {
    // The tray icon arrives with the shell's notification area support.
}

void TProgramSettingsTargets::ApplyMainFinder() {
    main_.ShowFinderPanel(OstrelSettings->MainFinder);
}

void TProgramSettingsTargets::UpdateHotKey() {
    // The hot key's registration arrives with the shell's hot key support.
}

void TProgramSettingsTargets::ApplyCodeLanguage() {
    for (TFindWndCodeGenerator* coder : OpenForms<TFindWndCodeGenerator>()) {
        coder->UpdateHighlighter();
        coder->GenerateCode();
    }
}
