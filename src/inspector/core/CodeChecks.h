#pragma once
#include "core/CodeCreator.h"

// The check boxes of a path window in the code generator: which property the code looks the window up
// by. A locked box is drawn pressed and refuses changes.
namespace core {

enum class TCodeCheckBox { ClassName, WindowText, ControlID };

struct TCheckLook {
    bool Checked = false;
    bool Locked = false;
    bool operator==(const TCheckLook&) const = default;
};

// The box as it shows for the record's flags. The control ID locks the other two and keeps their
// flags, so turning it off brings the earlier choice back.
TCheckLook CheckLook(const TWndCodeNode& node, TCodeCheckBox box);

// Whether the user may change the box now: class name and text only while the control ID is not in use
// and never the last of the two; the text only when there is one (a window that did not answer has
// none); the control ID only when it is not 0.
bool CanToggleCheck(const TWndCodeNode& node, TCodeCheckBox box);

// Changes the box when allowed; true when Checks changed (the code must then be generated again).
bool ToggleCheck(TWndCodeNode& node, TCodeCheckBox box);

} // namespace core
