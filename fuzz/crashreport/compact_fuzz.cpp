// Compact symbol data as found, and fuzz bytes sealed as a valid payload so the stream reader is reached.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "CompactWriter.h"
#include "crashreport/core/CompactSymbols.h"

namespace {

void LookUpEverywhere(const core::SymbolTable& table) {
    for (const auto& p : table.publics) {
        table.FindPublic(p.address);
        table.FindSegment(p.address);
        table.FindLine(p.address);
    }
    for (const auto& l : table.lines) {
        uint32_t end;
        table.FindLine(l.address, end);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (const std::string& compact : {std::string(input), symdata::SealCompactStream(input)}) {
        core::SymbolTable table;
        table.valid = true;
        table.codeBegin = 0x401000;
        table.codeEnd = 0x500000;
        if (core::LoadCompactSymbols(compact, table)) LookUpEverywhere(table);
    }
    return 0;
}
