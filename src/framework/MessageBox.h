#pragma once
#include <windows.h>
#include <string>

namespace fw {

// Every message box the program shows goes through here, so tests can answer them.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Returns the button pressed (IDOK, IDYES, ...), as MessageBoxA does.
    virtual int show(HWND owner, const std::string& text, const std::string& caption, UINT type) = 0;
};

int messageBox(HWND owner, const std::string& text, const std::string& caption, UINT type);
// The application's box: owned by the active window (else the application window) and modal to every
// window of this thread, so none of them can be used or closed while it asks.
int applicationMessageBox(const std::string& text, const std::string& caption, UINT type);

// Replaces the real boxes (nullptr restores them); returns the previous replacement.
MessageBoxes* setMessageBoxes(MessageBoxes* boxes);

} // namespace fw
