// A modal loop of the system dispatches messages: a main thread inside one for 1.5 s answers the
// watchdog's pings and is not reported.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE frozen reports 0
// EXPECT_LINE the program goes on
#include "FreezeApp.h"

constinit const jov::CrashSettings jov::ProgramCrashSettings = freezeapp::Settings();

namespace {

INT_PTR CALLBACK EndAfterATimer(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        SetTimer(dialog, 1, 1500, nullptr);
        return TRUE;
    }
    if (message == WM_TIMER) EndDialog(dialog, 0);
    return FALSE;
}

// An empty dialog template: style, no controls, position and size, no menu, class or title.
struct alignas(4) EmptyDialog {
    DLGTEMPLATE header{WS_POPUP, 0, 0, 0, 0, 10, 10};
    WORD menu = 0, windowClass = 0, title = 0;
};

} // namespace

int main() {
    freezeapp::Pump(500);
    const EmptyDialog dialog;
    DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &dialog.header, nullptr, EndAfterATimer, 0);
    freezeapp::Pump(500);
    crashapp::Say("frozen reports " + std::to_string(freezeapp::frozenReports));
    crashapp::Say("the program goes on");
    return 0;
}
