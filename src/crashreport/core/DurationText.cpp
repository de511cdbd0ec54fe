#include "crashreport/core/DurationText.h"

namespace jov {
namespace {

void AppendUnit(std::string& text, int64_t count, const char* unit) {
    if (count == 0) return;
    text += std::to_string(count);
    text += ' ';
    text += unit;
    if (count != 1) text += 's';
    text += ' ';
}

} // namespace

std::string DurationText(int64_t seconds) {
    const int64_t days = seconds / 86400;
    const int64_t hours = seconds / 3600 % 24;
    const int64_t minutes = seconds / 60 % 60;
    std::string text;
    if (days > 0) {
        AppendUnit(text, days, "day");
        AppendUnit(text, hours, "hour");
    } else if (hours > 0) {
        AppendUnit(text, hours, "hour");
        AppendUnit(text, minutes, "minute");
    } else {
        AppendUnit(text, minutes, "minute");
        AppendUnit(text, seconds % 60, "second");
    }
    return text;
}

} // namespace jov
