#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "CompactWriter.h"

namespace symdata {

// Readers of what the linker and binutils print; every address here is absolute.

// Input sections of the output section ".text" in a GNU ld -Map file, empty ones left out; the unit is
// the object file's base name (a library member's own name) up to its first ".".
std::vector<SymbolData::Segment> ParseLdMapCode(std::string_view mapText);
std::string UnitOfObject(std::string_view objectPath);

// Code symbols (types T and t) of "nm -n -C --defined-only", one name per address, globals preferred,
// named as a trace shows them.
std::vector<SymbolData::Public> ParseNmCode(std::string_view nmText);

// One row of "objdump --dwarf=decodedline".
struct LineRow {
    uint32_t address = 0;
    uint32_t line = 0;          // 0 for the end of a sequence
    bool inCompileUnit = false; // the row's file is the compilation unit's own source file
    std::string unitFile;       // base name of the compilation unit's source file
};
std::vector<LineRow> ParseDecodedLines(std::string_view objdumpText);

// The outermost caller's location of each address in "addr2line -a -i" output.
struct Location {
    std::string file; // base name
    uint32_t line = 0;
};
std::map<uint32_t, Location> ParseInlineChains(std::string_view addr2lineText);

std::string BaseName(std::string_view path);

} // namespace symdata
