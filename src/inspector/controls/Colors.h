#pragma once
#include <windows.h>
#include <cstdint>

// A colour as the forms store it: an RGB value (0x00BBGGRR), or a system colour index with the top bit
// set, resolved when drawing so that a change of the system's scheme follows at once.
using TColor = uint32_t;

constexpr TColor SystemColor(int index) {
    return 0x80000000u | TColor(index);
}
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor cl3DLight = SystemColor(COLOR_3DLIGHT);
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clBlack = 0x000000;
constexpr TColor clGreen = 0x008000;

inline COLORREF ColorToRGB(TColor color) {
    return (color & 0x80000000u) ? GetSysColor(int(color & 0xFF)) : COLORREF(color & 0xFFFFFF);
}
