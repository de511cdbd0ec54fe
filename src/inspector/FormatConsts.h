#pragma once
// Number display, the display formatters and the constant-name tables, for the inspector's units.
#include "core/ConstNames.h"
#include "core/DisplayFormat.h"
#include "core/NumberFormat.h"
#include "core/Placeholders.h"

#include <windows.h>

// Rewrites a label's number in the current format (after the format changed); placeholders and texts
// that are no number stay.
void ReformatNumberLabel(HWND label);

inline std::string FormatRect(const RECT& r) {
    return FormatRect(r.left, r.top, r.right, r.bottom);
}
