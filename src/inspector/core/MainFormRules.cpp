#include "core/MainFormRules.h"

namespace core {

ChildFormKind ChildFormForTag(int tag) {
    switch (tag) {
    case 0:
        return ChildFormKind::WindowList;
    case 1:
        return ChildFormKind::ProcessList;
    case 2:
        return ChildFormKind::ThreadList;
    case 3:
        return ChildFormKind::ModuleList;
    case 4:
        return ChildFormKind::ServiceList;
    case 101:
        return ChildFormKind::WindowSearch;
    default:
        return ChildFormKind::None;
    }
}

int MainFormHitTest(int code, bool docked) {
    if (code == htTop || code == htBottom) return htBorder;
    if (docked && (code == htGrowBox || (code >= htLeft && code <= htBottomRight))) return htBorder;
    return code;
}

std::string StatusPanelText(std::string_view pluralName, int count) {
    return std::string(pluralName) + ": " + std::to_string(count);
}

} // namespace core
