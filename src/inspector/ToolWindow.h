#pragma once
#include "controls/ToolWindowPanel.h"

// The finder pop-up's commands, posted to the main form as WM_FINDERCOMMAND.
enum TFinderCommand : WPARAM { fcSelectWindow = 1, fcProperties = 2, fcCreateFindWndCode = 3 };

// The finder's pop-up: "Select Window", "Properties" and "Create FindWindow-Code".
class TFinderToolWnd : public TToolWindowForm {
public:
    explicit TFinderToolWnd(TToolWindowPanel& panel);
    static std::unique_ptr<TToolWindowForm> Create(TToolWindowPanel& panel);

private:
    void OstrelToolMenuClick(TOstrelToolMenu& item);
};
