#include "core/WindowAtPoint.h"

#include <climits>

namespace core {

int SmallestBoxAt(std::span<const Box> boxes, int x, int y) {
    int found = -1;
    long long best = LLONG_MAX;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const Box& b = boxes[i];
        if (x < b.left || x >= b.right || y < b.top || y >= b.bottom) continue;
        long long size = (long long)(b.right - b.left) + (b.bottom - b.top);
        if (size < best) {
            best = size;
            found = int(i);
        }
    }
    return found;
}

} // namespace core
