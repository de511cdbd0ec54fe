#include "crashreport/core/ImportTable.h"
#include "crashreport/core/LittleEndian.h"

#include "crashreport/core/PeImage.h"

#include <cstring>

namespace jov {
namespace {

constexpr uint32_t DescriptorSize = 20;
constexpr uint32_t NameOffset = 12;
constexpr uint32_t AddressTableOffset = 16;

} // namespace

ImportTables ReadImportTables(std::span<const uint8_t> image) {
    ImportTables result;
    const std::optional<PeDataDirectory> directory = ImageDataDirectory(image, ImportDirectory);
    if (!directory) return result;
    for (uint64_t descriptor = directory->VirtualAddress;; descriptor += DescriptorSize) {
        uint32_t name, table;
        if (!ReadU32(image, descriptor + NameOffset, name) ||
            !ReadU32(image, descriptor + AddressTableOffset, table)) {
            result.Damaged = true;
            return result;
        }
        if (name == 0) return result;
        if (table == 0) continue;
        uint32_t count = 0;
        for (uint32_t cell;; ++count) {
            if (!ReadU32(image, uint64_t(table) + uint64_t(count) * 4, cell)) {
                result.Damaged = true;
                return result;
            }
            if (cell == 0) break;
        }
        result.Tables.push_back({table, count});
    }
}

} // namespace jov
