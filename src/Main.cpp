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
}
