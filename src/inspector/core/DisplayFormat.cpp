#include "core/DisplayFormat.h"

#include "core/NumberFormat.h"
#include "core/Placeholders.h"

#include <cstdio>

std::string FormatRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    // Widths are computed in 64 bits: extreme coordinates must not overflow.
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "(%ld, %ld)-(%ld, %ld), %lldx%lld", static_cast<long>(left),
                  static_cast<long>(top), static_cast<long>(right), static_cast<long>(bottom),
                  static_cast<long long>(right) - left, static_cast<long long>(bottom) - top);
    return buffer;
}

std::string FormatCimDateTime(const std::string& cimText) {
    if (cimText.size() < 14) return cimText;
    const std::string& t = cimText;
    return t.substr(6, 2) + "." + t.substr(4, 2) + "." + t.substr(0, 4) + " " + t.substr(8, 2) + ":" +
           t.substr(10, 2) + ":" + t.substr(12, 2);
}

std::string FormatDurationTicks(std::int64_t ticks) {
    if (ticks < 0) return TextUnavailable;
    const std::int64_t ms = ticks / 10000;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2d:%.2d:%.2d:%.4d", static_cast<int>(ms / 3600000 % 24),
                  static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60),
                  static_cast<int>(ms % 1000));
    return buffer;
}

std::string FormatDuration(const fw::Value& value) {
    std::int64_t ticks = 0;
    if (!value.toInt64(ticks)) return value.toText();
    return FormatDurationTicks(ticks);
}

std::string FormatVersion(const fw::Value& value) {
    std::int64_t v = 0;
    if (value.isText() || !value.toInt64(v)) return value.toText();
    const auto bits = static_cast<std::uint64_t>(v);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u", static_cast<unsigned>(bits >> 48 & 0xFFFF),
                  static_cast<unsigned>(bits >> 32 & 0xFFFF), static_cast<unsigned>(bits >> 16 & 0xFFFF),
                  static_cast<unsigned>(bits & 0xFFFF));
    return buffer;
}

std::string VariantToDecimalText(const fw::Value& value) {
    return value.isInteger() ? value.toText() : std::string();
}

std::string VariantToDisplayText(const fw::Value& value) {
    if (value.isText()) return value.text();
    std::int64_t v = 0;
    if (!value.toInt64(v)) return value.toText();
    return FormatNumber(static_cast<std::uint32_t>(v), {}, FormatCurrent);
}

namespace {
std::size_t afterLastDelimiter(const std::string& path) {
    std::size_t pos = path.find_last_of("\\:");
    return pos == std::string::npos ? 0 : pos + 1;
}
} // namespace

std::string ExtractFileNameDef(const std::string& path, const std::string& defaultText) {
    std::string name = path.substr(afterLastDelimiter(path));
    return name.empty() ? defaultText : name;
}

std::string ExtractFilePathDef(const std::string& path, const std::string& defaultText) {
    std::string dir = path.substr(0, afterLastDelimiter(path));
    return dir.empty() ? defaultText : dir;
}
