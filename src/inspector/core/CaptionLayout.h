#pragma once
#include <cstdint>

// Where the styled forms' own caption buttons go and how their caption gradient runs, apart from the
// system: window coordinates in, rectangles and colours out.
namespace core {

struct LayoutRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool empty() const { return right <= left || bottom <= top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const LayoutRect&) const = default;
};

// The caption buttons, in the order of their values.
enum CaptionButtonKind : uint8_t { cbHelp, cbMinimize, cbMaximize, cbClose };
// A set of them: bit 1 << kind.
using CaptionButtonSet = uint8_t;
constexpr CaptionButtonSet allCaptionButtons = 0x0F;
constexpr uint8_t noCaptionButton = 255;
constexpr CaptionButtonSet ButtonBit(CaptionButtonKind kind) {
    return CaptionButtonSet(1u << kind);
}

// A button is shown when it is in the form's set and either enabled or disabled buttons are not hidden.
CaptionButtonSet ShownCaptionButtons(CaptionButtonSet buttons, CaptionButtonSet enabled, bool hideDisabled);

struct CaptionMetrics {
    int frameWidth = 0;
    int captionWidth = 0;  // of one caption button
    int captionHeight = 0; // of one caption button
};

// The button's rectangle in window coordinates; empty when it is not shown. Shown buttons line up from
// the right (close, maximize, minimize, help) with a 2-pixel gap after close and before help.
LayoutRect CaptionButtonRect(CaptionButtonKind kind, CaptionButtonSet shown, int windowWidth,
                             const CaptionMetrics& metrics);
// The shown button under a point in window coordinates, or noCaptionButton.
uint8_t CaptionButtonAt(int x, int y, CaptionButtonSet shown, int windowWidth, const CaptionMetrics& metrics);

// Rounds the product to the nearest integer, halves away from zero; -1 for a zero divisor.
int MulDiv(int number, int numerator, int denominator);

// The colour (0x00BBGGRR) of column x of a caption gradient `width` pixels wide, 0 <= x <= width.
uint32_t GradientColor(uint32_t startColor, uint32_t endColor, int x, int width);

} // namespace core
