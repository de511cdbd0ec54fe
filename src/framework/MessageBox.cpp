#include "framework/MessageBox.h"

namespace fw {

namespace {
MessageBoxes* replacement = nullptr;
}

int messageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    if (replacement) return replacement->show(owner, text, caption, type);
    return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

MessageBoxes* setMessageBoxes(MessageBoxes* boxes) {
    MessageBoxes* previous = replacement;
    replacement = boxes;
    return previous;
}

} // namespace fw
