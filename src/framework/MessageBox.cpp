#include "framework/MessageBox.h"

#include "framework/Application.h"
#include "framework/TaskWindows.h"

namespace fw {

namespace {
MessageBoxes* replacement = nullptr;
}

int messageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    if (replacement) return replacement->show(owner, text, caption, type);
    return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

int applicationMessageBox(const std::string& text, const std::string& caption, UINT type) {
    HWND owner = GetActiveWindow();
    if (!owner) owner = application().handle();
    // The box disables its owner itself and enables it again before it goes, so the owner is active again.
    DisabledTaskWindows others(owner);
    return messageBox(owner, text, caption, type);
}

MessageBoxes* setMessageBoxes(MessageBoxes* boxes) {
    MessageBoxes* previous = replacement;
    replacement = boxes;
    return previous;
}

} // namespace fw
