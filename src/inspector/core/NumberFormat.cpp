#include "core/NumberFormat.h"

#include "core/Placeholders.h"

#include <cstdio>

namespace {

const std::uint8_t defaultIntFormat = FormatDollarHex;
const std::uint8_t defaultParseFormat = FormatCurrent;
const std::uint8_t* boundIntFormat = &defaultIntFormat;
const std::uint8_t* boundParseFormat = &defaultParseFormat;

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Optional sign, then decimal digits, or hex digits after "$", "0x" or "0X". False when the text does
// not end where the number does, or the value leaves 64 bits.
bool convertInt64(const std::string& text, std::int64_t& out) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    unsigned base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) return false;
    // Hex may use all 64 bits (as the display of negative values does); decimal stays signed.
    const unsigned long long limit =
        base == 16 ? ~0ull : (negative ? 9223372036854775808ull : 9223372036854775807ull);
    unsigned long long value = 0;
    for (; i < text.size(); ++i) {
        int d = digitValue(text[i]);
        if (d < 0 || static_cast<unsigned>(d) >= base) return false;
        if (value > (limit - static_cast<unsigned>(d)) / base) return false;
        value = value * base + static_cast<unsigned>(d);
    }
    out = static_cast<std::int64_t>(negative ? 0ull - value : value);
    return true;
}

std::uint8_t resolve(std::uint8_t format) {
    return format == FormatCurrent ? CurrentIntFormat() : format;
}

} // namespace

void BindNumberFormats(const std::uint8_t* intFormat, const std::uint8_t* parseFormat) {
    boundIntFormat = intFormat ? intFormat : &defaultIntFormat;
    boundParseFormat = parseFormat ? parseFormat : &defaultParseFormat;
}

std::uint8_t CurrentIntFormat() {
    return *boundIntFormat;
}
std::uint8_t CurrentParseFormat() {
    return *boundParseFormat;
}

std::string FormatNumber(std::uint32_t value, const std::string& defaultText, std::uint8_t format) {
    if (value == 0 && !defaultText.empty()) return defaultText;
    char buffer[16];
    switch (resolve(format)) {
    case FormatDecimal:
        std::snprintf(buffer, sizeof buffer, "%lu", static_cast<unsigned long>(value));
        break;
    case FormatDollarHex:
        std::snprintf(buffer, sizeof buffer, "$%.8lX", static_cast<unsigned long>(value));
        break;
    case FormatCHex:
        std::snprintf(buffer, sizeof buffer, "0x%.8lX", static_cast<unsigned long>(value));
        break;
    default:
        return {};
    }
    return buffer;
}

std::string FormatNumber64(std::int64_t value, const std::string& defaultText, std::uint8_t format) {
    if (value == 0 && !defaultText.empty()) return defaultText;
    char buffer[32];
    unsigned long long bits = static_cast<unsigned long long>(value);
    switch (resolve(format)) {
    case FormatDecimal:
        std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
        break;
    case FormatDollarHex:
        std::snprintf(buffer, sizeof buffer, "$%.8llX", bits);
        break;
    case FormatCHex:
        std::snprintf(buffer, sizeof buffer, "0x%.8llX", bits);
        break;
    default:
        return {};
    }
    return buffer;
}

std::int64_t ParseNumber(const std::string& text, bool* error) {
    if (IsPlaceholderText(text)) return 0;
    std::uint8_t format = CurrentParseFormat();
    if (format == FormatCurrent) format = CurrentIntFormat();
    bool formOk = false;
    if (!text.empty()) {
        switch (format) {
        case FormatDecimal:
            formOk = text[0] == '-' || (text[0] >= '0' && text[0] <= '9');
            break;
        case FormatDollarHex:
            formOk = text[0] == '$';
            break;
        case FormatCHex:
            formOk = text.size() < 2 || (text[0] == '0' && text[1] == 'x');
            break;
        default:
            break;
        }
    }
    std::int64_t value = 0;
    if (!formOk || !convertInt64(text, value)) {
        if (error) *error = true;
        return 0;
    }
    return value;
}

bool ReformatNumberText(std::string& text) {
    if (IsPlaceholderText(text)) return false;
    bool error = false;
    std::int64_t value = ParseNumber(text, &error);
    if (error) return false;
    text = FormatNumber(static_cast<std::uint32_t>(value), {}, FormatCurrent);
    return true;
}
