#include "Main.h"
#include "ConstVars.h"
#include "framework/Application.h"

TOstrelMainForm::TOstrelMainForm() {
    CreateParams p;
    p.className = "TOstrelMainForm";
    p.caption = "Ostrel";
    p.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    p.icon = OstrelSettings ? OstrelSettings->ProgramIcon.get() : nullptr;
    p.width = 800;
    p.height = 140;
    p.parent = fw::application().handle();
    create(p);
    if (OstrelSettings) SetUseStandardCaption(OstrelSettings->Style == 1);
    Taskbar.Create(handle());
    Taskbar.SetButtonWidth(120);
    Taskbar.SetButtonHeight(22);
    TButtonSettings look = Taskbar.ButtonSettings();
    look.ColorWhenDown = look.ColorOnMouseOver = look.ColorOnClick = 14476520;
    Taskbar.SetButtonSettings(look);
    if (p.icon) Taskbar.SetStdIcon(p.icon);
}

void TOstrelMainForm::onSize(int width, int) {
    Taskbar.setBounds(0, 0, width, TTaskbar::Height);
}

void TOstrelMainForm::MenuShowClick() {
    HWND app = fw::application().handle();
    if (IsIconic(app)) {
        fw::application().restore();
        if (OstrelSettings && OstrelSettings->Minimization != 0) ShowWindow(app, SW_HIDE);
    }
    SetForegroundWindow(handle());
}

void TOstrelMainForm::UpdateHandleFormat() {
    // The handle field comes with the finder panel; until then there is nothing to re-render.
}
