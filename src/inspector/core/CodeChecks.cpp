#include "core/CodeChecks.h"

namespace core {

namespace {
std::uint8_t FlagOf(TCodeCheckBox box) {
    switch (box) {
    case TCodeCheckBox::ClassName:
        return ccClassName;
    case TCodeCheckBox::WindowText:
        return ccWindowText;
    case TCodeCheckBox::ControlID:
        break;
    }
    return ccControlID;
}
} // namespace

TCheckLook CheckLook(const TWndCodeNode& node, TCodeCheckBox box) {
    const bool idInUse = node.Checks & ccControlID;
    const bool checked = node.Checks & FlagOf(box);
    switch (box) {
    case TCodeCheckBox::ClassName:
        return {checked, idInUse};
    case TCodeCheckBox::WindowText:
        return {checked, idInUse || !HasWindowText(node)};
    case TCodeCheckBox::ControlID:
        break;
    }
    return {checked, node.ControlID == 0};
}

bool CanToggleCheck(const TWndCodeNode& node, TCodeCheckBox box) {
    if (CheckLook(node, box).Locked) return false;
    const std::uint8_t flag = FlagOf(box);
    // Unchecking the last of class name and text would leave nothing to find the window by.
    return box == TCodeCheckBox::ControlID || !(node.Checks & flag) || node.Checks != flag;
}

bool ToggleCheck(TWndCodeNode& node, TCodeCheckBox box) {
    if (!CanToggleCheck(node, box)) return false;
    node.Checks ^= FlagOf(box);
    return true;
}

} // namespace core
