#pragma once
#include <string_view>

#include "crashreport/core/SymbolTable.h"

namespace core {

// Reads the segments, publics, line numbers and entry point of a linker map text (lines end in CR LF).
// Lines that fail a test are skipped; a text without any known section leaves the lists empty.
void ParseMapText(std::string_view text, SymbolTable& table);

} // namespace core
