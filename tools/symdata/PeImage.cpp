#include "PeImage.h"

namespace symdata {
namespace {

bool U32(std::string_view image, size_t at, uint32_t& value) {
    if (at + 4 > image.size()) return false;
    const auto* b = reinterpret_cast<const unsigned char*>(image.data() + at);
    value = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
}

} // namespace

std::optional<CodeRange> ReadCodeRange(std::string_view image) {
    uint32_t pe, machine, sizes, entry, baseOfCode, sizeOfCode, imageBase;
    if (image.substr(0, 2) != "MZ" || !U32(image, 0x3C, pe) || pe > image.size() ||
        image.substr(pe, 4) != std::string_view("PE\0\0", 4) || !U32(image, pe + 4, machine) ||
        !U32(image, pe + 20, sizes))
        return std::nullopt;
    const uint32_t sectionCount = machine >> 16;
    const size_t optional = size_t(pe) + 24;
    const size_t sections = optional + (sizes & 0xFFFF);
    if (!U32(image, optional + 4, sizeOfCode) || !U32(image, optional + 16, entry) ||
        !U32(image, optional + 20, baseOfCode) || !U32(image, optional + 28, imageBase))
        return std::nullopt;
    CodeRange range{imageBase + baseOfCode, imageBase + baseOfCode + sizeOfCode, imageBase + entry};
    uint32_t virtualSize, virtualAddress, characteristics;
    if (sectionCount > 0 && U32(image, sections + 8, virtualSize) &&
        U32(image, sections + 12, virtualAddress) && U32(image, sections + 36, characteristics) &&
        (characteristics & 0x20)) {
        range.begin = imageBase + virtualAddress;
        range.end = range.begin + virtualSize;
    }
    return range;
}

} // namespace symdata
