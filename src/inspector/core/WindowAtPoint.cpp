#include "core/WindowAtPoint.h"

#include <climits>

namespace core {

int SmallestBoxAt(std::span<const LayoutRect> boxes, int x, int y) {
    int found = -1;
    long long best = LLONG_MAX;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const LayoutRect& b = boxes[i];
        if (!b.contains(x, y)) continue;
        long long size = (long long)(b.right - b.left) + (b.bottom - b.top);
        if (size < best) {
            best = size;
            found = int(i);
        }
    }
    return found;
}

} // namespace core
