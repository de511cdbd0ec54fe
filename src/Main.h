#pragma once
#include "controls/StyleForm.h"
#include "controls/Taskbar.h"

// The application's main form; closing it ends the program. It carries the taskbar of the open child
// forms.
class TOstrelMainForm : public TStyleForm {
public:
    TOstrelMainForm();

    TTaskbar Taskbar;

    // Restores the application when it is minimised and brings the main form to the foreground.
    void MenuShowClick();
    // Re-renders the handle field in the current IntFormat.
    void UpdateHandleFormat();

protected:
    void onSize(int width, int height) override;
};
