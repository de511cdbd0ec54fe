#include "crashreport/core/NumberText.h"

#include "crashreport/core/CharTables.h"
#include "crashreport/core/TextHelpers.h"

#include <charconv>

namespace jov {
namespace {

template <typename T> std::string Digits(T value, int base) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, base).ptr;
    return std::string(buffer, end);
}

} // namespace

std::string FormatInt(int32_t value, int minLength, char fill) {
    return PadStr(Digits(value, 10), minLength, fill);
}

std::string FormatCardinal(uint32_t value, int minLength, char fill) {
    return PadStr(Digits(value, 10), minLength, fill);
}

std::string FormatInt64(int64_t value, int minLength, char fill) {
    return PadStr(Digits(value, 10), minLength, fill);
}

std::string FormatHex(uint32_t value, int minLength, char fill) {
    const std::string digits = Digits(value, 16);
    // A blank-like fill goes in front of the "$"; a digit fill would change the number, so it goes after.
    if (minLength >= 0 && !IsHexDigit(fill)) return PadStr("$" + digits, minLength + 1, fill);
    return "$" + PadStr(digits, minLength, fill);
}

std::string FormatHexInt(int32_t value, int minLength, char fill) {
    return FormatHex(static_cast<uint32_t>(value), minLength, fill);
}

std::string FormatHex64(uint64_t value) {
    const auto high = static_cast<uint32_t>(value >> 32);
    const auto low = static_cast<uint32_t>(value);
    if (high == 0) return "$" + Digits(low, 16);
    return "$" + Digits(high, 16) + PadStr(Digits(low, 16), 8, '0');
}

int32_t TextToInt(bool hexadecimal, const char* buffer, int length) {
    if (buffer == nullptr || length <= 0) return 0;
    const uint32_t base = hexadecimal ? 16 : 10;
    int i = 0;
    const bool negative = buffer[0] == '-';
    if (negative) ++i;
    // Unsigned arithmetic: overlong text wraps instead of overflowing.
    uint32_t value = 0;
    for (; i < length; ++i) value = value * base + DigitValue(buffer[i]);
    return static_cast<int32_t>(negative ? 0u - value : value);
}

std::string FileVersionText(uint64_t version) {
    std::string text;
    for (int shift = 48; shift >= 0; shift -= 16) {
        if (!text.empty()) text += '.';
        text += Digits((version >> shift) & 0xFFFF, 10);
    }
    return text;
}

std::string FormatByteSize(uint64_t size, char decimalSeparator) {
    if (size < 1024) return Digits(size, 10) + " Bytes";
    const char* unit = " KB";
    if (size >= (uint64_t{1} << 30)) {
        size >>= 20;
        unit = " GB";
    } else if (size >= (uint64_t{1} << 20)) {
        size >>= 10;
        unit = " MB";
    }
    const uint64_t hundredths = size * 100 / 1024;
    return Digits(hundredths / 100, 10) + decimalSeparator + PadStr(Digits(hundredths % 100, 10), 2, '0') +
           unit;
}

} // namespace jov
