#pragma once
// The main form's rules that need no window: which child form a toolbar button or menu entry opens,
// how the sizing borders are locked, and the size limits.
#include <string>
#include <string_view>

namespace core {

enum class ChildFormKind { None, WindowList, ProcessList, ThreadList, ModuleList, ServiceList, WindowSearch };

// Tags 0-4 open the list of that kind, 101 the window search; any other tag opens nothing.
ChildFormKind ChildFormForTag(int tag);

// Hit-test codes as the system numbers them.
enum HitTestCode : int {
    htGrowBox = 4, // HTSIZE
    htLeft = 10,
    htRight = 11,
    htTop = 12,
    htTopLeft = 13,
    htTopRight = 14,
    htBottom = 15,
    htBottomLeft = 16,
    htBottomRight = 17,
    htBorder = 18
};

// The height is never dragged; a docked bar is not resized at all.
int MainFormHitTest(int code, bool docked);

constexpr int mainFormMinWidth = 639;
// The fixed height: the frame (window height less client height) plus taskbar and toolbar.
constexpr int MainFormHeight(int windowHeight, int clientHeight, int taskbarHeight, int toolbarHeight) {
    return windowHeight - clientHeight + taskbarHeight + toolbarHeight;
}

// A status-bar panel of a list: the kind's plural name, ": " and the count in decimal.
std::string StatusPanelText(std::string_view pluralName, int count);

} // namespace core
