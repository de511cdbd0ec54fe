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

// "1023 Bytes", "1,50 KB": hundredths of KB, MB or GB, truncated.
std::string FormatByteSize(uint64_t size, char decimalSeparator);

} // namespace jov
