#pragma once
#include <cstddef>
#include <span>

namespace core {

struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The finder's choice among the descendants of the window under the cursor, in enumeration order: the
// one whose box holds the point (right and bottom edges excluded) with the smallest width plus height;
// the first visited wins a tie. Hidden windows take part like visible ones. -1 when none holds it.
int SmallestBoxAt(std::span<const Box> boxes, int x, int y);

} // namespace core
