#pragma once
#include "controls/ToolWindowPanel.h"

// Posted to the main form by the finder pop-up: wParam the command (1 select the window in the lists,
// 2 its detail window, 3 its FindWindow code), lParam the window of the form whose finder was used.
constexpr UINT WM_FINDERCOMMAND = WM_USER + 301;

enum TFinderCommand : WPARAM { fcSelectWindow = 1, fcProperties = 2, fcCreateFindWndCode = 3 };

// The finder's pop-up: "Select Window", "Properties" and "Create FindWindow-Code".
class TFinderToolWnd : public TToolWindowForm {
public:
    explicit TFinderToolWnd(TToolWindowPanel& panel);
    static std::unique_ptr<TToolWindowForm> Create(TToolWindowPanel& panel);

private:
    void OstrelToolMenuClick(TOstrelToolMenu& item);
};
