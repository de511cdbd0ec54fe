#include "crashreport/core/PeImage.h"

#include "crashreport/core/Demangle.h"

#include <algorithm>
#include <cstring>

namespace jov {
namespace {

template <typename T> std::optional<T> ReadAt(const PeImage& image, uint64_t offset) {
    T value;
    if (!image.Read(offset, &value, sizeof value)) return std::nullopt;
    return value;
}

constexpr uint16_t pe32Magic = 0x10B, pe64Magic = 0x20B;
constexpr uint32_t fileHeaderSize = 20;
constexpr uint32_t sectionHeaderSize = 40;
// The loader's limit: a header claiming more sections is damaged or hostile, and every address
// translation would walk them all.
constexpr uint32_t maxSections = 96;
// Longest text accepted as a forwarder or export name; keeps a damaged table from yielding huge texts.
constexpr size_t maxNameLength = 4096;
// Texts are read in pieces that never cross a page: the page after a text's end may be gone.
constexpr uint64_t textPiece = 64, pageSize = 4096;

} // namespace

bool PeImage::Read(uint64_t offset, void* destination, size_t length) const {
    if (offset > size_ || size_ - offset < length) return false;
    if (reader_) return reader_->Read(offset, destination, length);
    std::memcpy(destination, bytes_.data() + offset, length);
    return true;
}

std::optional<uint32_t> ImageNtHeaders(const PeImage& image) {
    const auto mz = ReadAt<uint16_t>(image, 0);
    const auto offset = ReadAt<uint32_t>(image, 60);
    if (!mz || *mz != 0x5A4D || !offset) return std::nullopt;
    const auto signature = ReadAt<uint32_t>(image, *offset);
    if (!signature || *signature != 0x00004550) return std::nullopt;
    return *offset;
}

std::optional<uint32_t> ImageSizeOfImage(const PeImage& image) {
    const auto nt = ImageNtHeaders(image);
    if (!nt) return std::nullopt;
    return ReadAt<uint32_t>(image, uint64_t{*nt} + 4 + fileHeaderSize + 56);
}

std::optional<PeDataDirectory> ImageDataDirectory(const PeImage& image, unsigned index) {
    const auto nt = ImageNtHeaders(image);
    if (!nt) return std::nullopt;
    const uint64_t optional = uint64_t{*nt} + 4 + fileHeaderSize;
    const auto magic = ReadAt<uint16_t>(image, optional);
    if (!magic || (*magic != pe32Magic && *magic != pe64Magic)) return std::nullopt;
    const uint64_t countAt = optional + (*magic == pe32Magic ? 92 : 108);
    const auto count = ReadAt<uint32_t>(image, countAt);
    if (!count || index >= *count) return std::nullopt;
    const auto directory = ReadAt<PeDataDirectory>(image, countAt + 4 + uint64_t{index} * 8);
    if (!directory || directory->VirtualAddress == 0) return std::nullopt;
    return directory;
}

std::vector<PeSection> ReadSectionTable(const PeImage& image, uint32_t ntHeaders) {
    std::vector<PeSection> sections;
    const auto count = ReadAt<uint16_t>(image, uint64_t{ntHeaders} + 4 + 2);
    const auto optionalSize = ReadAt<uint16_t>(image, uint64_t{ntHeaders} + 4 + 16);
    if (!count || !optionalSize) return sections;
    const uint64_t first = uint64_t{ntHeaders} + 4 + fileHeaderSize + *optionalSize;
    for (uint32_t i = 0; i < std::min<uint32_t>(*count, maxSections); ++i) {
        const uint64_t header = first + uint64_t{i} * sectionHeaderSize;
        const auto address = ReadAt<uint32_t>(image, header + 12);
        if (!address) break;
        sections.push_back({*address, ReadAt<uint32_t>(image, header + 20)});
    }
    return sections;
}

uint32_t SectionOffset(const std::vector<PeSection>& sections, uint32_t rva) {
    for (size_t i = 0; i < sections.size(); ++i) {
        if (!sections[i].RawOffset) break;
        if (sections[i].VirtualAddress > rva) continue;
        if (i + 1 == sections.size() || sections[i + 1].VirtualAddress > rva)
            return rva - sections[i].VirtualAddress + *sections[i].RawOffset;
    }
    return rva;
}

uint32_t RvaToFileOffset(const PeImage& image, uint32_t ntHeaders, uint32_t rva) {
    return SectionOffset(ReadSectionTable(image, ntHeaders), rva);
}

std::optional<PeExports> PeExports::Read(PeImage image) {
    const auto nt = ImageNtHeaders(image);
    const auto directory = ImageDataDirectory(image, ExportDirectory);
    if (!nt || !directory) return std::nullopt;
    PeExports exports(image);
    exports.ntHeaders_ = *nt;
    if (image.FileLayout()) exports.sections_ = ReadSectionTable(image, *nt);
    exports.directory_ = *directory;
    const uint32_t d = directory->VirtualAddress;
    const auto base = exports.ReadU32(uint64_t{d} + 16), functions = exports.ReadU32(uint64_t{d} + 20),
               names = exports.ReadU32(uint64_t{d} + 24);
    const auto functionTable = exports.ReadU32(uint64_t{d} + 28),
               nameTable = exports.ReadU32(uint64_t{d} + 32),
               ordinalTable = exports.ReadU32(uint64_t{d} + 36);
    if (!base || !functions || !names || !functionTable || !nameTable || !ordinalTable) return std::nullopt;
    exports.ordinalBase_ = *base;
    exports.functionCount_ = *functions;
    exports.nameCount_ = *names;
    exports.functions_ = *functionTable;
    exports.names_ = *nameTable;
    exports.nameOrdinals_ = *ordinalTable;
    return exports;
}

std::optional<uint64_t> PeExports::Offset(uint64_t rva) const {
    if (rva > UINT32_MAX) return std::nullopt;
    return image_.FileLayout() ? SectionOffset(sections_, static_cast<uint32_t>(rva)) : rva;
}

std::optional<uint32_t> PeExports::ReadU32(uint64_t rva) const {
    const auto offset = Offset(rva);
    return offset ? ReadAt<uint32_t>(image_, *offset) : std::nullopt;
}

std::optional<uint16_t> PeExports::ReadU16(uint64_t rva) const {
    const auto offset = Offset(rva);
    return offset ? ReadAt<uint16_t>(image_, *offset) : std::nullopt;
}

template <typename Part> bool PeExports::ReadText(uint32_t rva, Part&& part) const {
    const auto found = Offset(rva);
    if (!found) return false;
    char piece[textPiece];
    for (uint64_t at = *found, length = 0; length <= maxNameLength;) {
        const uint64_t room =
            std::min({textPiece, pageSize - at % pageSize, image_.Size() - std::min(at, image_.Size()),
                      maxNameLength + 1 - length});
        if (room == 0 || !image_.Read(at, piece, static_cast<size_t>(room))) return false;
        const void* end = std::memchr(piece, 0, static_cast<size_t>(room));
        const size_t used = end ? static_cast<size_t>(static_cast<const char*>(end) - piece) : size_t(room);
        if (!part(std::string_view(piece, used))) return false;
        if (end) return true;
        at += room;
        length += room;
    }
    return false;
}

std::optional<std::string> PeExports::Text(uint32_t rva) const {
    std::string text;
    if (!ReadText(rva, [&](std::string_view piece) {
            text += piece;
            return true;
        }))
        return std::nullopt;
    return text;
}

std::optional<uint32_t> PeExports::FunctionRva(uint32_t index) const {
    if (index >= functionCount_) return std::nullopt;
    return ReadU32(uint64_t{functions_} + uint64_t{index} * 4);
}

std::optional<std::string> PeExports::Name(uint32_t nameIndex) const {
    if (nameIndex >= nameCount_) return std::nullopt;
    const auto rva = ReadU32(uint64_t{names_} + uint64_t{nameIndex} * 4);
    return rva ? Text(*rva) : std::nullopt;
}

std::optional<uint32_t> PeExports::FunctionIndexByName(std::string_view name) const {
    for (uint32_t i = 0; i < nameCount_; ++i) {
        const auto rva = ReadU32(uint64_t{names_} + uint64_t{i} * 4);
        if (!rva) return std::nullopt; // the rest of a damaged table is not trusted either
        // Compared piece by piece: no copy of every name on the way.
        std::string_view rest = name;
        bool equal = true;
        const bool readable = ReadText(*rva, [&](std::string_view piece) {
            equal = equal && rest.substr(0, piece.size()) == piece;
            rest.remove_prefix(std::min(piece.size(), rest.size()));
            return true;
        });
        if (!readable) return std::nullopt;
        if (equal && rest.empty()) {
            const auto index = ReadU16(uint64_t{nameOrdinals_} + uint64_t{i} * 2);
            return index ? std::optional<uint32_t>(*index) : std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<std::string> PeExports::NameOfFunction(uint32_t index) const {
    for (uint32_t i = 0; i < nameCount_; ++i) {
        const auto ordinalIndex = ReadU16(uint64_t{nameOrdinals_} + uint64_t{i} * 2);
        if (!ordinalIndex) return std::nullopt;
        if (*ordinalIndex == index) return Name(i);
    }
    return std::nullopt;
}

std::optional<uint32_t> PeExports::FunctionIndexOfRva(uint32_t rva) const {
    for (uint32_t i = 0; i < functionCount_; ++i) {
        const auto candidate = FunctionRva(i);
        if (!candidate) return std::nullopt;
        if (*candidate == rva) return i;
    }
    return std::nullopt;
}

std::optional<std::string> PeExports::ForwarderText(uint32_t rva) const {
    if (!IsForwarder(rva)) return std::nullopt;
    return Text(rva);
}

std::optional<PeForwarder> ParseForwarder(std::string_view text, std::size_t from) {
    const size_t dot = text.find('.', std::max<std::size_t>(from, 1));
    if (dot == std::string_view::npos || dot + 1 == text.size()) return std::nullopt;
    PeForwarder forwarder{text.substr(0, dot), text.substr(dot + 1), std::nullopt};
    if (forwarder.Routine[0] != '#') return forwarder;
    const std::string_view digits = forwarder.Routine.substr(1);
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    uint32_t ordinal = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        ordinal = ordinal * 10 + static_cast<uint32_t>(c - '0');
    }
    if (ordinal > 0xFFFF) return std::nullopt;
    forwarder.Routine = {};
    forwarder.Ordinal = ordinal;
    return forwarder;
}

std::string ExportNameOfRva(const PeExports& exports, uint32_t rva, bool demangle) {
    const auto index = exports.FunctionIndexOfRva(rva);
    if (!index) return {};
    const auto name = exports.NameOfFunction(*index);
    if (!name) return "#" + std::to_string(uint64_t{exports.OrdinalBase()} + *index);
    std::string text(*name), unit;
    if (demangle && DemangleSymbol(text, unit)) return unit + "." + text;
    return *name;
}

} // namespace jov
