#include "core/ToolWindowGeometry.h"

namespace core {

TPointI PopupPosition(TShowDirection direction, TPointI button, int buttonWidth, int buttonHeight,
                      int formWidth, int formHeight) {
    switch (direction) {
    case sdBottom:
        return {button.x + buttonWidth - formWidth, button.y + buttonHeight};
    case sdTop:
        return {button.x + buttonWidth - formWidth, button.y - formHeight};
    case sdRight:
        return {button.x + buttonWidth, button.y};
    case sdLeft:
        break;
    }
    return {button.x - formWidth, button.y};
}

std::array<TStroke, 4> ChevronStrokes(TShowDirection direction, int width, int height, bool lowered) {
    const int a = width / 6;
    int x0 = (width - 2 * a) / 2, y0 = (height - 2 * a) / 2;
    if (y0 < x0) x0 += (x0 - y0) / 2;
    if (x0 < y0) y0 += (y0 - x0) / 2;
    y0 -= 1;
    if (lowered) x0 += 1;
    if (direction == sdLeft) x0 -= 1;

    std::array<TStroke, 4> strokes;
    for (int i = 0; i < 4; ++i) {
        switch (direction) {
        case sdBottom:
            strokes[i] = {{x0, y0 + 1}, {x0 + a, y0 + a + 1}, {x0 + 2 * a + 1, y0}};
            break;
        case sdTop:
            strokes[i] = {{x0, y0 + a}, {x0 + a, y0}, {x0 + 2 * a + 1, y0 + a + 1}};
            break;
        case sdRight:
            strokes[i] = {{x0, y0 + 1}, {x0 + a, y0 + a + 1}, {x0 - 1, y0 + 2 * a + 2}};
            break;
        case sdLeft:
            strokes[i] = {{x0 + a, y0 + 1}, {x0, y0 + a + 1}, {x0 + a + 1, y0 + 2 * a + 2}};
            break;
        }
        // Two 2-pixel chevrons with a gap between them.
        const int gap = i == 1 ? (direction == sdBottom || direction == sdTop ? 2 : 3) : 0;
        if (direction == sdBottom || direction == sdTop)
            y0 += 1 + gap;
        else
            x0 += 1 + gap;
    }
    return strokes;
}

} // namespace core
