#pragma once
#include <cstdint>

namespace core {

// The fade height a banner of `height` pixels really uses: never more than its height, never negative.
int EffectiveFadeHeight(int fadeHeight, int height);

// Blends the top and bottom `fadeHeight` rows of a 24-bit bottom-up or top-down pixel buffer towards
// `fadeRgb` (0x00RRGGBB): row c from either edge gets ((F - c) * fade + c * pixel) / F per channel, so the
// outermost rows are the fade colour. `stride` is the byte length of one row.
void FadeEdges(uint8_t* pixels, int width, int height, int stride, int fadeHeight, uint32_t fadeRgb);

// The scrolling text's top edge, in pixels from the banner's top.
class BannerScroll {
public:
    // Just below the bottom edge: where the text starts and restarts.
    void restart(int height, int space) { top_ = height + space; }
    void step(int gap) { top_ -= gap; }
    // After a paint of text `textHeight` pixels high: once its bottom has passed -space, it starts over.
    void wrap(int textHeight, int height, int space) {
        if (top_ + textHeight < -space) restart(height, space);
    }
    int top() const { return top_; }

private:
    int top_ = 0;
};

} // namespace core
