#include "crashreport/core/ImportTable.h"
#include "crashreport/core/LittleEndian.h"

namespace jov {
namespace {

constexpr uint32_t DescriptorSize = 20;
constexpr uint32_t NameOffset = 12;
constexpr uint32_t AddressTableOffset = 16;

bool ReadU32(const PeImage& image, uint64_t offset, uint32_t& value) {
    uint8_t bytes[4];
    if (!image.Read(offset, bytes, sizeof bytes)) return false;
    value = LoadU32(bytes);
    return true;
}

} // namespace

ImportTables ReadImportTables(const PeImage& image) {
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
