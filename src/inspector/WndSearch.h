#pragma once
#include "ResourceIds.h"
#include "controls/FindWndPanel.h"
#include "controls/ToolWindowPanel.h"
#include "core/HiddenWindows.h"
#include "controls/Ostrel_Form.h"
#include <memory>

// "Find Window": the main form's window finding in a window of its own, with a finder, its pop-up, the
// handle, caption and class of the found window, and "Hide Ostrel" to get the program's windows out of
// the way while searching.
class TWndSearchForm : public TOstrelForm {
public:
    TWndSearchForm();

    void FoundWnd(HWND wnd);
    void WndHandleKeyPress();
    void WndCaptionChange();
    void UpdateIntFormat() override;
    void HideOstrelClick();

    HWND WndHandle() const { return Control(IDC_SEARCH_HANDLE); }
    TFindWndPanel FindWndPanel;
    std::unique_ptr<TToolWindowPanel> ToolWindowPanel;
    THintEdit WndCaption;

protected:
    fw::CloseAction closeAction() override;
    bool onCreate() override;
    bool onCommand(int id, int code, HWND control) override;

private:
    HWND Control(int id) const { return GetDlgItem(handle(), id); }
    std::string ControlText(int id) const;
    void Layout();

    bool editable_ = true;
    core::THiddenWindows hidden_;
};
