#pragma once
// Decimal and hexadecimal number texts of the crash reporter. A minimum length pads by the PadStr rule.
#include <cstdint>
#include <string>

namespace jov {

std::string FormatInt(int32_t value, int minLength = 0, char fill = ' ');
std::string FormatCardinal(uint32_t value, int minLength = 0, char fill = ' ');
std::string FormatInt64(int64_t value, int minLength = 0, char fill = ' ');

// "$" and lower-case digits without leading zeros; see the source for where the "$" goes when padded.
std::string FormatHex(uint32_t value, int minLength = 1, char fill = '0');
std::string FormatHexInt(int32_t value, int minLength = 1, char fill = '0');
// The high doubleword's digits only when it is not 0, then the low part padded to 8 digits.
std::string FormatHex64(uint64_t value);

// An optional "-", then every character's digit value in base 16 or 10; no error detection.
int32_t TextToInt(bool hexadecimal, const char* buffer, int length);

// Four decimal numbers joined by ".", the most significant word first.
std::string FileVersionText(uint64_t version);

// Milliseconds from one 32-bit tick count to a later one, across the counter's wrap.
constexpr uint32_t TickDelta(uint32_t start, uint32_t now) {
    return now - start;
}

// "1023 Bytes", "1,50 KB": hundredths of KB, MB or GB, truncated.
std::string FormatByteSize(uint64_t size, char decimalSeparator);

} // namespace jov
