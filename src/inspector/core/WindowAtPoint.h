#pragma once
#include "core/CaptionLayout.h"

#include <span>

namespace core {

// The finder's choice among the descendants of the window under the cursor, in enumeration order: the
// one whose box holds the point (right and bottom edges excluded) with the smallest width plus height;
// the first visited wins a tie. Hidden windows take part like visible ones. -1 when none holds it.
int SmallestBoxAt(std::span<const LayoutRect> boxes, int x, int y);

} // namespace core
