#include "core/ToolbarCheckbox.h"

namespace core {

TCheckboxRect CheckboxRect(int itemHeight, int size, int space) {
    return {space, itemHeight - space - size, space + size, itemHeight - space};
}

bool InCheckbox(const TCheckboxRect& box, int x, int y) {
    return box.Left < x && x < box.Right && box.Top < y && y < box.Bottom;
}

TCheckboxAction TCheckboxMouse::Press(bool inBox, bool doubleClick) {
    // A press on the button disarms: its release, wherever it lands, belongs to the button.
    pressed_ = false;
    if (!inBox) return TCheckboxAction::PassOn;
    if (doubleClick) return TCheckboxAction::Toggle;
    pressed_ = true;
    return TCheckboxAction::Swallow;
}

TCheckboxAction TCheckboxMouse::Release(bool inBox) {
    if (!pressed_ || !inBox) return TCheckboxAction::PassOn;
    pressed_ = false;
    return TCheckboxAction::Toggle;
}

} // namespace core
