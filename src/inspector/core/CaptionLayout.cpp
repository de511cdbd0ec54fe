#include "core/CaptionLayout.h"
#include <algorithm>
#include <cstdint>

namespace core {

CaptionButtonSet ShownCaptionButtons(CaptionButtonSet buttons, CaptionButtonSet enabled, bool hideDisabled) {
    return CaptionButtonSet(buttons & (hideDisabled ? enabled : allCaptionButtons));
}

namespace {
// Right to left.
constexpr CaptionButtonKind layoutOrder[] = {cbClose, cbMaximize, cbMinimize, cbHelp};
} // namespace

LayoutRect CaptionButtonRect(CaptionButtonKind kind, CaptionButtonSet shown, int windowWidth,
                             const CaptionMetrics& m) {
    if (!(shown & ButtonBit(kind))) return {};
    CaptionButtonKind order[4];
    int count = 0, position = 0;
    for (CaptionButtonKind k : layoutOrder)
        if (shown & ButtonBit(k)) {
            if (k == kind) position = count;
            order[count++] = k;
        }
    LayoutRect r;
    r.right = windowWidth - (m.frameWidth + 2);
    r.left = r.right - m.captionWidth + 2;
    r.top = m.frameWidth + 2;
    r.bottom = m.frameWidth + m.captionHeight - 2;
    for (int k = 0; k < position; ++k) {
        int shift = m.captionWidth - 2;
        if (order[k] == cbClose || order[k + 1] == cbHelp) shift += 2;
        r.left -= shift;
        r.right -= shift;
    }
    return r;
}

uint8_t CaptionButtonAt(int x, int y, CaptionButtonSet shown, int windowWidth,
                        const CaptionMetrics& metrics) {
    for (CaptionButtonKind kind : layoutOrder) {
        LayoutRect r = CaptionButtonRect(kind, shown, windowWidth, metrics);
        if (!r.empty() && r.contains(x, y)) return kind;
    }
    return noCaptionButton;
}

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    int64_t product = int64_t(number) * numerator;
    int64_t half = (denominator < 0 ? -int64_t(denominator) : denominator) / 2;
    bool negative = (product < 0) != (denominator < 0);
    int64_t magnitude = (product < 0 ? -product : product) + half;
    int64_t quotient = magnitude / (denominator < 0 ? -int64_t(denominator) : denominator);
    return int(negative ? -quotient : quotient);
}

uint32_t GradientColor(uint32_t startColor, uint32_t endColor, int x, int width) {
    if (width <= 0) return startColor & 0xFFFFFF;
    uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        int from = int((startColor >> shift) & 0xFF), to = int((endColor >> shift) & 0xFF);
        int value = std::clamp(from + MulDiv(x, to - from, width), 0, 255);
        result |= uint32_t(value) << shift;
    }
    return result;
}

} // namespace core
