#pragma once
#include <windows.h>

// The system's non-client metrics and fonts, asked for in the structure size every system since
// Windows 2000 accepts: newer headers append a field, and Windows 2000 and XP refuse the longer size,
// which would leave every font empty.
NONCLIENTMETRICSA ReadNonClientMetrics();
