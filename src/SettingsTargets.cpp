#include "SettingsTargets.h"
#include "ConstVars.h"
#include "FindWndCoder.h"
#include "List.h"
#include "Main.h"
#include "OpenForms.h"
#include "WndSearch.h"

void TProgramSettingsTargets::ApplyIntFormatToForms() {
    main_.UpdateHandleFormat();
    for (TListForm* list : OpenForms<TListForm>()) list->UpdateIntFormat();
    for (TFindWndCodeGenerator* coder : OpenForms<TFindWndCodeGenerator>()) coder->UpdateIntFormat();
    for (TWndSearchForm* search : OpenForms<TWndSearchForm>()) search->UpdateIntFormat();
}

void TProgramSettingsTargets::ApplyStyle(bool) {
    // The program's windows draw the system's caption until the styled forms exist.
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
