#pragma once
#include <windows.h>

namespace fw {

// Draws a control without the visual style of the system's theme. A page control whose pages' controls
// are its siblings needs it: those paint their backgrounds in the dialog colour, which only the classic
// page body matches (a themed one is white, and every label stood in a grey band). Nothing happens where
// the system has no themes.
void useClassicLook(HWND control);

} // namespace fw
