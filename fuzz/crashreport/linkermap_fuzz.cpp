#include <cstddef>
#include <cstdint>
#include <string_view>

#include "crashreport/core/LinkerMap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    core::SymbolTable table;
    table.valid = true;
    table.codeBegin = 0x401000;
    table.dataBegin = 0x480000;
    core::ParseMapText(std::string_view(reinterpret_cast<const char*>(data), size), table);
    for (const auto& p : table.publics) {
        table.FindPublic(p.address);
        table.FindLine(p.address);
    }
    return 0;
}
