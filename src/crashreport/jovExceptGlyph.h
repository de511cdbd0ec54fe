#pragma once
// The exception dialog's pictures: a 16 x 16 glyph per button, looked up by name in the crash reporter's
// module and then in the main executable.
#include <windows.h>

namespace jov {

// Draws the glyph resource "jei" + `name` (names compare in any case) at (x, y): an icon of that name, else
// a bitmap of exactly 1064 bytes (16 x 16 pixels of 32 bits with alpha) blended onto `background`. False,
// and nothing drawn, when neither exists.
bool DrawButtonGlyph(HDC dc, const char* name, int x, int y, COLORREF background);

} // namespace jov
