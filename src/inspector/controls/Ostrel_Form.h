#pragma once
#include "controls/StyleForm.h"

// The base of every window on the main form's taskbar: it shows numbers, and re-displays them when the
// user changes the number format.
class TOstrelForm : public TStyleForm {
public:
    // Re-renders the form's numbers in the current IntFormat, reading what it shows in ParseFormat.
    virtual void UpdateIntFormat() = 0;
};
