#pragma once
#include "core/CaptionLayout.h"
#include <vector>

// Cascading and tiling a number of windows over a work area: the geometry the program applies itself
// where the system's own arrangement moves nothing.
namespace core {

// Each window three quarters of the area wide and high, stepped down and right by `step` (a caption's
// height); a window that would leave the area starts the staircase again at the area's corner.
std::vector<LayoutRect> CascadeRects(const LayoutRect& workArea, int count, int step);

// The area shared out without gaps. Horizontal tiling stacks wide windows one above another in columns,
// vertical tiling sets tall windows side by side in rows; up to three windows share one column (row),
// more make a grid whose later columns (rows) take the extra windows.
enum class TileMode { Horizontal, Vertical };
std::vector<LayoutRect> TileRects(const LayoutRect& workArea, int count, TileMode mode);

} // namespace core
