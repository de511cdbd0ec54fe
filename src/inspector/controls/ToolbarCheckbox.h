#pragma once
#include "core/ToolbarCheckbox.h"
#include <windows.h>
#include <functional>

// A check box in the bottom-left corner of one button of a tool bar: drawn over the button, and presses
// on it are taken away from the button, so the box switches something on and off without running the
// button's command.
class TToolbarCheckbox {
public:
    TToolbarCheckbox(HWND toolbar, int commandId);
    ~TToolbarCheckbox();
    TToolbarCheckbox(const TToolbarCheckbox&) = delete;
    TToolbarCheckbox& operator=(const TToolbarCheckbox&) = delete;

    bool HasCheckbox() const { return hasCheckbox_; }
    void SetHasCheckbox(bool value);
    bool CheckboxChecked() const { return checked_; }
    // From code: repaints, fires no event.
    void SetCheckboxChecked(bool value);
    int CheckboxSize() const { return size_; }
    void SetCheckboxSize(int value);
    int CheckboxSpace() const { return space_; }
    void SetCheckboxSpace(int value);
    // Fired after the mouse toggled the box.
    std::function<void()> OnCheckClick;

    // The box in tool bar coordinates.
    RECT BoxRect() const;

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool InBox(LPARAM point) const;
    void Toggle();
    void Changed();

    HWND toolbar_;
    int command_;
    bool hasCheckbox_ = false;
    bool checked_ = false;
    int size_ = core::defaultCheckboxSize;
    int space_ = core::defaultCheckboxSpace;
    core::TCheckboxMouse mouse_;
};
