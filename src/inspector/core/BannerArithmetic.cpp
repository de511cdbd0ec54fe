#include "core/BannerArithmetic.h"
#include <algorithm>

namespace core {

int EffectiveFadeHeight(int fadeHeight, int height) {
    return std::clamp(fadeHeight, 0, std::max(height, 0));
}

void FadeEdges(uint8_t* pixels, int width, int height, int stride, int fadeHeight, uint32_t fadeRgb) {
    const int f = EffectiveFadeHeight(fadeHeight, height);
    if (!pixels || width <= 0 || f == 0) return;
    // Buffers hold blue, green, red per pixel.
    const int fade[3] = {int(fadeRgb & 0xFF), int((fadeRgb >> 8) & 0xFF), int((fadeRgb >> 16) & 0xFF)};
    auto blendRow = [&](int row, int c) {
        uint8_t* p = pixels + static_cast<long>(row) * stride;
        for (int x = 0; x < width * 3; ++x) p[x] = uint8_t(((f - c) * fade[x % 3] + c * p[x]) / f);
    };
    for (int c = 0; c < f; ++c) {
        blendRow(c, c);
        blendRow(height - 1 - c, c);
    }
}

} // namespace core
