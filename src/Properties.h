#pragma once
#include "framework/Form.h"

// The modal settings dialog.
class TPropertyForm : public fw::Form {
public:
    explicit TPropertyForm(HWND owner);
};
