#include "controls/ToolbarCheckbox.h"
#include "framework/Application.h"
#include "framework/Handles.h"
#include <commctrl.h>
#include <windowsx.h>

TToolbarCheckbox::TToolbarCheckbox(HWND toolbar, int commandId) : toolbar_(toolbar), command_(commandId) {
    SetWindowSubclass(toolbar_, SubclassProc, UINT_PTR(commandId), reinterpret_cast<DWORD_PTR>(this));
}

TToolbarCheckbox::~TToolbarCheckbox() {
    RemoveWindowSubclass(toolbar_, SubclassProc, UINT_PTR(command_));
}

void TToolbarCheckbox::Changed() {
    RECT button{};
    if (SendMessageA(toolbar_, TB_GETRECT, WPARAM(command_), reinterpret_cast<LPARAM>(&button)))
        InvalidateRect(toolbar_, &button, TRUE);
}

void TToolbarCheckbox::SetHasCheckbox(bool value) {
    if (value == hasCheckbox_) return;
    hasCheckbox_ = value;
    Changed();
}
void TToolbarCheckbox::SetCheckboxChecked(bool value) {
    if (value == checked_) return;
    checked_ = value;
    Changed();
}
void TToolbarCheckbox::SetCheckboxSize(int value) {
    if (value == size_) return;
    size_ = value;
    Changed();
}
void TToolbarCheckbox::SetCheckboxSpace(int value) {
    if (value == space_) return;
    space_ = value;
    Changed();
}

RECT TToolbarCheckbox::BoxRect() const {
    RECT button{};
    SendMessageA(toolbar_, TB_GETRECT, WPARAM(command_), reinterpret_cast<LPARAM>(&button));
    const core::TCheckboxRect box = core::CheckboxRect(button.bottom - button.top, size_, space_);
    return {button.left + box.Left, button.top + box.Top, button.left + box.Right, button.top + box.Bottom};
}

bool TToolbarCheckbox::InBox(LPARAM point) const {
    RECT button{};
    SendMessageA(toolbar_, TB_GETRECT, WPARAM(command_), reinterpret_cast<LPARAM>(&button));
    const core::TCheckboxRect box = core::CheckboxRect(button.bottom - button.top, size_, space_);
    return core::InCheckbox(box, GET_X_LPARAM(point) - button.left, GET_Y_LPARAM(point) - button.top);
}

void TToolbarCheckbox::Toggle() {
    SetCheckboxChecked(!checked_);
    if (OnCheckClick) OnCheckClick();
}

LRESULT TToolbarCheckbox::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    const bool mouse = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_LBUTTONUP;
    // Asked only for the mouse: the question comes back through this procedure, and asking it for every
    // message would recurse without end.
    core::TCheckboxAction action = core::TCheckboxAction::PassOn;
    if (mouse && hasCheckbox_ && SendMessageA(toolbar_, TB_ISBUTTONENABLED, WPARAM(command_), 0) != 0) {
        if (message == WM_LBUTTONUP)
            action = mouse_.Release(InBox(lParam));
        else
            action = mouse_.Press(InBox(lParam), message == WM_LBUTTONDBLCLK);
    }
    switch (action) {
    case core::TCheckboxAction::Toggle:
        Toggle();
        return 0;
    case core::TCheckboxAction::Swallow:
        return 0;
    case core::TCheckboxAction::PassOn:
        break;
    }
    const LRESULT result = DefSubclassProc(toolbar_, message, wParam, lParam);
    if (message == WM_PAINT && hasCheckbox_) {
        // Over the button as the tool bar has just painted it. Flat: the sunken box's light edges vanish
        // on a light tool bar and leave only a corner of it.
        RECT box = BoxRect();
        fw::WindowDC dc(toolbar_);
        DrawFrameControl(dc.get(), &box, DFC_BUTTON,
                         DFCS_BUTTONCHECK | DFCS_FLAT | (checked_ ? DFCS_CHECKED : 0));
    }
    return result;
}

LRESULT CALLBACK TToolbarCheckbox::SubclassProc(HWND, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                DWORD_PTR self) {
    // No exception of the check event may unwind through the tool bar's own code.
    try {
        return reinterpret_cast<TToolbarCheckbox*>(self)->Handle(message, wParam, lParam);
    } catch (...) {
        fw::application().handleException(std::current_exception());
    }
    return 0;
}
