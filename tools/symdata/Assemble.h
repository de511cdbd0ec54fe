#pragma once
#include <map>
#include <vector>

#include "CompactWriter.h"
#include "ToolOutputs.h"

namespace symdata {

// Absolute addresses of the image's code range and entry point.
struct CodeRange {
    uint32_t begin = 0;
    uint32_t end = 0;
    uint32_t entry = 0;
};

// The line of each address: its last row's line when that row lies in the unit's own source, the
// outermost caller's line for code inlined from headers, else 0 (code the unit's source does not show).
std::map<uint32_t, uint32_t> ResolveLines(const std::vector<LineRow>& rows,
                                          const std::map<uint32_t, Location>& inlineChains);

// Addresses whose last row lies in another file and needs its inline chain.
std::vector<uint32_t> AddressesNeedingChains(const std::vector<LineRow>& rows);

// Everything inside the code range, made relative to its begin; a line equal to the one before it in the
// same segment adds nothing.
SymbolData Assemble(const CodeRange& range, const std::vector<SymbolData::Segment>& segments,
                    const std::vector<SymbolData::Public>& publics,
                    const std::map<uint32_t, uint32_t>& lines);

} // namespace symdata
