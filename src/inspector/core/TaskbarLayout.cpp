#include "core/TaskbarLayout.h"
#include <algorithm>
#include <vector>

namespace core {

int RoundHalfEven(int a, int b) {
    int q = a / b, r = a % b;
    if (r < 0) { // floor division, so that 0 <= r < b
        --q;
        r += b;
    }
    if (2 * r > b || (2 * r == b && q % 2 != 0)) ++q;
    return q;
}

int TaskButtonWidth(int taskbarWidth, int buttonCount, int buttonWidth, bool autoSize) {
    int width = buttonWidth;
    if (autoSize && buttonCount > 0)
        width = std::min(buttonWidth, RoundHalfEven(taskbarWidth - 8, buttonCount) - 1);
    return std::max(width, 1);
}

int SmallestFreeNumber(std::span<const int> used) {
    std::vector<int> sorted(used.begin(), used.end());
    std::sort(sorted.begin(), sorted.end());
    int candidate = 1;
    for (int n : sorted) {
        if (n == candidate)
            ++candidate;
        else if (n > candidate)
            break;
    }
    return candidate;
}

} // namespace core
