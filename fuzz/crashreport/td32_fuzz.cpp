#include <cstddef>
#include <cstdint>
#include <span>

#include "crashreport/core/Td32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    core::SymbolTable table;
    table.valid = true;
    table.codeBegin = 0x401000;
    table.dataBegin = 0x480000;
    if (core::LoadTd32(std::span(data, size), table))
        for (const auto& l : table.lines) table.FindLine(l.address);
    return 0;
}
