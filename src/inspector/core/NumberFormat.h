#pragma once
#include <cstdint>
#include <string>

// Number display: 0 decimal, 1 "$" and 8+ upper-case hex digits, 2 "0x" and the same digits; 3 as an
// argument means the current display format.
constexpr std::uint8_t FormatDecimal = 0;
constexpr std::uint8_t FormatDollarHex = 1;
constexpr std::uint8_t FormatCHex = 2;
constexpr std::uint8_t FormatCurrent = 3;

// The settings own the two current formats; they bind their fields here once so every reader sees
// changes at once. Until then (and in tests) IntFormat 1 and ParseFormat 3 apply.
void BindNumberFormats(const std::uint8_t* intFormat, const std::uint8_t* parseFormat);
std::uint8_t CurrentIntFormat();
std::uint8_t CurrentParseFormat();

std::string FormatNumber(std::uint32_t value, const std::string& defaultText = {},
                         std::uint8_t format = FormatCurrent);
std::string FormatNumber64(std::int64_t value, const std::string& defaultText = {},
                           std::uint8_t format = FormatCurrent);

// Reads a number typed or shown in the parse format; the placeholders read as 0 without error. A
// malformed or out-of-range text sets *error (when given) and never throws.
std::int64_t ParseNumber(const std::string& text, bool* error = nullptr);

// A displayed number re-rendered in the current format after the parse format (the previous format)
// has been set; false (text untouched) for placeholders and texts that are no number.
bool ReformatNumberText(std::string& text);
