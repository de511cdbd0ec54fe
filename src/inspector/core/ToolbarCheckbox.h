#pragma once

// The check box some toolbar buttons carry in their bottom-left corner: its place, and how presses and
// releases on it are taken away from the button.
namespace core {

constexpr int defaultCheckboxSize = 13;
constexpr int defaultCheckboxSpace = 8;

struct TCheckboxRect {
    int Left, Top, Right, Bottom;
};

// The box of an item whose drawn area is `itemHeight` high, its left and top at 0.
TCheckboxRect CheckboxRect(int itemHeight, int size, int space);

// Strictly inside: points on the border lines count as outside.
bool InCheckbox(const TCheckboxRect& box, int x, int y);

enum class TCheckboxAction {
    PassOn,  // the button handles the mouse as usual
    Swallow, // nothing happens
    Toggle,  // the box toggles and the check event fires; the button sees nothing
};

// The mouse on one item's box. A single press inside arms it; the release inside toggles. A double
// click toggles at once. A release outside leaves the armed state as it is; a press outside disarms.
class TCheckboxMouse {
public:
    TCheckboxAction Press(bool inBox, bool doubleClick);
    TCheckboxAction Release(bool inBox);
    bool Pressed() const { return pressed_; }

private:
    bool pressed_ = false;
};

} // namespace core
