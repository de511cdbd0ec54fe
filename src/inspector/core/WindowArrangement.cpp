#include "core/WindowArrangement.h"
#include <algorithm>
#include <cmath>

namespace core {

std::vector<LayoutRect> CascadeRects(const LayoutRect& area, int count, int step) {
    std::vector<LayoutRect> rects;
    int areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
    int width = std::max(areaWidth * 3 / 4, 1), height = std::max(areaHeight * 3 / 4, 1);
    step = std::max(step, 1);
    int offset = 0;
    for (int i = 0; i < count; ++i) {
        if (offset > 0 && (offset + width > areaWidth || offset + height > areaHeight)) offset = 0;
        rects.push_back(
            {area.left + offset, area.top + offset, area.left + offset + width, area.top + offset + height});
        offset += step;
    }
    return rects;
}

namespace {
int IntSqrt(int n) {
    int r = int(std::sqrt(double(n)));
    while (r * r > n) --r;
    while ((r + 1) * (r + 1) <= n) ++r;
    return r;
}
} // namespace

std::vector<LayoutRect> TileRects(const LayoutRect& area, int count, TileMode mode) {
    std::vector<LayoutRect> rects;
    if (count <= 0) return rects;
    int groups = count <= 3 ? 1 : IntSqrt(count);
    // Along the groups' axis and across it, as if tiling horizontally; vertical swaps the axes at the end.
    bool horizontal = mode == TileMode::Horizontal;
    int along0 = horizontal ? area.left : area.top, along1 = horizontal ? area.right : area.bottom;
    int across0 = horizontal ? area.top : area.left, across1 = horizontal ? area.bottom : area.right;
    int base = count / groups, extra = count % groups;
    for (int g = 0; g < groups; ++g) {
        int inGroup = base + (g >= groups - extra ? 1 : 0);
        int a0 = along0 + (along1 - along0) * g / groups, a1 = along0 + (along1 - along0) * (g + 1) / groups;
        for (int i = 0; i < inGroup; ++i) {
            int c0 = across0 + (across1 - across0) * i / inGroup;
            int c1 = across0 + (across1 - across0) * (i + 1) / inGroup;
            rects.push_back(horizontal ? LayoutRect{a0, c0, a1, c1} : LayoutRect{c0, a0, c1, a1});
        }
    }
    return rects;
}

} // namespace core
