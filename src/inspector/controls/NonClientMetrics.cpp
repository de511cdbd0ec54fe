#include "controls/NonClientMetrics.h"

#include <cstddef>

namespace {
// The structure as Windows 2000 and XP know it: without the padded border width.
constexpr UINT classicSize = offsetof(NONCLIENTMETRICSA, lfMessageFont) + sizeof(LOGFONTA);
static_assert(classicSize == 340);
} // namespace

NONCLIENTMETRICSA ReadNonClientMetrics() {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = classicSize;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, classicSize, &metrics, 0);
    return metrics;
}
