#pragma once
#include "framework/Form.h"

// The application's main form; closing it ends the program.
class TOstrelMainForm : public fw::Form {
public:
    TOstrelMainForm();
};
