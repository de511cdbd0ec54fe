#pragma once
#include <array>
#include <cstdint>

// The finder's arrow button and its pop-up: where the pop-up goes and the chevron the button draws.
namespace core {

enum TShowDirection : std::uint8_t { sdBottom = 0, sdTop = 1, sdRight = 2, sdLeft = 3 };

struct TPointI {
    int x = 0, y = 0;
    bool operator==(const TPointI&) const = default;
};

// The pop-up's top-left corner for a button whose top-left corner is at `button` on the screen.
TPointI PopupPosition(TShowDirection direction, TPointI button, int buttonWidth, int buttonHeight,
                      int formWidth, int formHeight);

// One polyline: from `start` through `middle` to `end` (the end point itself is not drawn).
struct TStroke {
    TPointI start, middle, end;
    bool operator==(const TStroke&) const = default;
};
// The four strokes of the double chevron pointing in `direction`, for a button of that size; a lowered
// (pressed) button draws it one pixel to the right.
std::array<TStroke, 4> ChevronStrokes(TShowDirection direction, int width, int height, bool lowered);

} // namespace core
