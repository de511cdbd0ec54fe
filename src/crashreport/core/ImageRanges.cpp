#include "crashreport/core/ImageRanges.h"

#include <cstring>

#include "crashreport/core/PeImage.h"

namespace core {
namespace {

template <typename T> bool ReadAt(std::span<const uint8_t> bytes, uint64_t offset, T& value) {
    if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) return false;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return true;
}

} // namespace

std::optional<ImageRanges> ReadImageRanges(std::span<const uint8_t> headers) {
    const auto nt = jov::ImageNtHeaders(headers);
    if (!nt) return std::nullopt;
    const uint64_t file = uint64_t{*nt} + 4, optional = file + 20;
    uint16_t sectionCount = 0, optionalSize = 0, magic = 0;
    uint32_t sizeOfCode = 0, initialised = 0, uninitialised = 0;
    ImageRanges r;
    if (!ReadAt(headers, file + 2, sectionCount) || !ReadAt(headers, file + 16, optionalSize) ||
        !ReadAt(headers, optional, magic) || magic != 0x10B || !ReadAt(headers, optional + 4, sizeOfCode) ||
        !ReadAt(headers, optional + 8, initialised) || !ReadAt(headers, optional + 12, uninitialised) ||
        !ReadAt(headers, optional + 16, r.entryPoint) || !ReadAt(headers, optional + 20, r.codeBegin) ||
        !ReadAt(headers, optional + 24, r.dataBegin) || !ReadAt(headers, optional + 28, r.imageBase))
        return std::nullopt;
    r.codeEnd = r.codeBegin + sizeOfCode;
    r.dataEnd = r.dataBegin + initialised + uninitialised;
    const uint64_t section = optional + optionalSize;
    uint32_t virtualSize = 0, virtualAddress = 0, characteristics = 0;
    if (sectionCount > 0 && ReadAt(headers, section + 8, virtualSize) &&
        ReadAt(headers, section + 12, virtualAddress) && ReadAt(headers, section + 36, characteristics) &&
        (characteristics & 0x20)) {
        r.codeBegin = virtualAddress;
        r.codeEnd = virtualAddress + virtualSize;
    }
    return r;
}

} // namespace core
