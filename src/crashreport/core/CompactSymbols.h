#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "crashreport/core/SymbolTable.h"

namespace core {

// Header of compact symbol data: 14-character magic, u32 payload length, u32 format version.
constexpr std::string_view kCompactSymbolMagic = "OSTREL-SYMBOLS";
constexpr uint32_t kCompactSymbolVersion = 2;
constexpr size_t kCompactSymbolHeader = 22;
// The password spells the payload length in 8 decimal digits.
constexpr uint32_t kMaxCompactPayload = 99999999;

// The 56-byte Blowfish key of a payload of the given length.
std::string SymbolDataPassword(uint32_t payloadLength);

// Fills the table's segments, publics, lines and entry point (relative to table.codeBegin) from compact
// symbol data. False, with the symbols cleared, when the data is damaged in any way.
bool LoadCompactSymbols(std::string_view data, SymbolTable& table);

} // namespace core
