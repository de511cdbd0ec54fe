#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "crashreport/core/SymbolTable.h"

namespace core {

// Reads TD32 debug information that starts at data[0]. Every offset is checked against the data; false,
// with the symbols cleared, when the signature or the directory chain is wrong.
bool LoadTd32(std::span<const uint8_t> data, SymbolTable& table);

} // namespace core
