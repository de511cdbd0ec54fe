#include "PeFile.h"

#include <algorithm>
#include <cctype>

namespace peinfo {

namespace {
constexpr unsigned importDirectory = 1, resourceDirectory = 2;
constexpr std::uint32_t fixedInfoSignature = 0xFEEF04BD;
// Bounds for hostile files: no walk, and no list of imports, runs longer than this many entries.
constexpr std::uint32_t maxEntries = 1u << 16;
} // namespace

std::optional<std::uint32_t> PeFile::U32(std::uint64_t offset) const {
    if (offset + 4 > bytes_.size()) return std::nullopt;
    const std::uint8_t* p = &bytes_[offset];
    return std::uint32_t(p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24);
}

std::optional<std::uint16_t> PeFile::U16(std::uint64_t offset) const {
    if (offset + 2 > bytes_.size()) return std::nullopt;
    return std::uint16_t(bytes_[offset] | bytes_[offset + 1] << 8);
}

std::string PeFile::Text(std::uint32_t offset) const {
    std::string text;
    for (std::size_t i = offset; i < bytes_.size() && bytes_[i] && text.size() < 4096; ++i)
        text += char(bytes_[i]);
    return text;
}

std::optional<PeFile> PeFile::Read(std::vector<std::uint8_t> bytes) {
    PeFile file;
    file.bytes_ = std::move(bytes);
    if (file.bytes_.size() < 64 || file.bytes_[0] != 'M' || file.bytes_[1] != 'Z') return std::nullopt;
    auto nt = file.U32(60);
    if (!nt || file.U32(*nt) != 0x00004550u) return std::nullopt;
    std::uint64_t header = *nt + 4ull;
    auto machine = file.U16(header), sectionCount = file.U16(header + 2),
         optionalSize = file.U16(header + 16);
    std::uint64_t optional = header + 20;
    auto magic = file.U16(optional);
    if (!machine || !sectionCount || !optionalSize || !magic) return std::nullopt;
    file.machine_ = *machine;
    if (*magic != 0x10B && *magic != 0x20B) return std::nullopt;
    file.pe32_ = *magic == 0x10B;
    auto subsystem = file.U16(optional + 68);
    std::uint64_t countOffset = optional + (file.pe32_ ? 92 : 108);
    auto count = file.U32(countOffset);
    if (!subsystem || !count) return std::nullopt;
    file.subsystem_ = *subsystem;
    file.directories_ = std::uint32_t(countOffset + 4);
    file.directoryCount_ = std::min<std::uint32_t>(*count, 16);
    std::uint64_t table = optional + *optionalSize;
    for (unsigned i = 0; i < *sectionCount; ++i) {
        std::uint64_t s = table + 40ull * i;
        auto virtualSize = file.U32(s + 8), virtualAddress = file.U32(s + 12), rawSize = file.U32(s + 16),
             rawOffset = file.U32(s + 20);
        if (!virtualSize || !virtualAddress || !rawSize || !rawOffset) return std::nullopt;
        file.sections_.push_back({*virtualAddress, *virtualSize, *rawOffset, *rawSize});
    }
    return file;
}

std::optional<std::uint32_t> PeFile::Offset(std::uint32_t rva) const {
    for (const Section& s : sections_) {
        std::uint32_t size = std::max(s.virtualSize, s.rawSize);
        if (rva >= s.virtualAddress && rva - s.virtualAddress < size) {
            std::uint32_t into = rva - s.virtualAddress;
            if (into >= s.rawSize) return std::nullopt; // not in the file
            return s.rawOffset + into;
        }
    }
    return std::nullopt;
}

std::optional<std::array<std::uint32_t, 2>> PeFile::Directory(unsigned index) const {
    if (index >= directoryCount_) return std::nullopt;
    auto rva = U32(directories_ + 8ull * index), size = U32(directories_ + 8ull * index + 4);
    if (!rva || !size || *rva == 0) return std::nullopt;
    return std::array<std::uint32_t, 2>{*rva, *size};
}

std::vector<Import> PeFile::Imports() const {
    std::vector<Import> imports;
    auto directory = Directory(importDirectory);
    if (!directory) return imports;
    auto start = Offset((*directory)[0]);
    if (!start) return imports;
    for (std::uint32_t i = 0; i < maxEntries; ++i) {
        std::uint64_t d = *start + 20ull * i;
        auto lookup = U32(d), name = U32(d + 12), bound = U32(d + 16);
        if (!lookup || !name || !bound || (*name == 0 && *bound == 0)) break;
        auto nameOffset = Offset(*name);
        std::string module = nameOffset ? Text(*nameOffset) : std::string();
        auto thunks = Offset(*lookup ? *lookup : *bound);
        if (!thunks) continue;
        for (std::uint32_t j = 0; j < maxEntries && imports.size() < maxEntries; ++j) {
            auto thunk = U32(*thunks + 4ull * j);
            if (!thunk || *thunk == 0) break;
            if (*thunk & 0x80000000u) {
                std::string ordinal = "#"; // built in two steps: gcc 12 warns falsely on "#" + text
                ordinal += std::to_string(*thunk & 0xFFFF);
                imports.push_back({module, ordinal});
            } else if (auto byName = Offset(*thunk)) {
                imports.push_back({module, Text(*byName + 2)});
            }
        }
    }
    return imports;
}

std::optional<std::uint32_t> PeFile::FindResourceEntry(std::uint32_t directory, const ResourceId* id) const {
    auto resources = Directory(resourceDirectory);
    if (!resources) return std::nullopt;
    auto base = Offset((*resources)[0]);
    if (!base) return std::nullopt;
    std::uint64_t dir = std::uint64_t(*base) + directory;
    auto named = U16(dir + 12), numbered = U16(dir + 14);
    if (!named || !numbered) return std::nullopt;
    for (std::uint32_t i = 0; i < std::uint32_t(*named) + *numbered; ++i) {
        std::uint64_t entry = dir + 16 + 8ull * i;
        auto name = U32(entry), target = U32(entry + 4);
        if (!name || !target) return std::nullopt;
        bool matches = !id;
        if (id && (*name & 0x80000000u)) {
            std::uint64_t text = std::uint64_t(*base) + (*name & 0x7FFFFFFFu);
            auto length = U16(text);
            if (length && *length == id->text.size() && !id->text.empty()) {
                matches = true;
                for (std::size_t k = 0; k < *length && matches; ++k) {
                    auto c = U16(text + 2 + 2 * k);
                    matches = c && *c < 128 &&
                              std::toupper(*c) == std::toupper(static_cast<unsigned char>(id->text[k]));
                }
            }
        } else if (id) {
            matches = id->text.empty() && *name == id->number;
        }
        if (matches) return *target;
    }
    return std::nullopt;
}

std::optional<std::array<std::uint32_t, 2>> PeFile::ResourceData(const ResourceId& type,
                                                                 const ResourceId* name) const {
    auto names = FindResourceEntry(0, &type);
    if (!names || !(*names & 0x80000000u)) return std::nullopt;
    auto languages = FindResourceEntry(*names & 0x7FFFFFFFu, name);
    if (!languages || !(*languages & 0x80000000u)) return std::nullopt;
    auto data = FindResourceEntry(*languages & 0x7FFFFFFFu, nullptr);
    if (!data || (*data & 0x80000000u)) return std::nullopt;
    auto resources = Directory(resourceDirectory);
    auto base = Offset((*resources)[0]);
    auto rva = U32(std::uint64_t(*base) + *data), size = U32(std::uint64_t(*base) + *data + 4);
    if (!rva || !size) return std::nullopt;
    return std::array<std::uint32_t, 2>{*rva, *size};
}

bool PeFile::HasResource(const ResourceId& type, const ResourceId& name) const {
    auto data = ResourceData(type, &name);
    return data && Offset((*data)[0]);
}

std::optional<std::array<std::uint16_t, 4>> PeFile::FileVersion() const {
    auto data = ResourceData({resourceVersion, {}}, nullptr);
    if (!data) return std::nullopt;
    auto start = Offset((*data)[0]);
    if (!start) return std::nullopt;
    // The fixed part follows the key text, aligned to 4 bytes: find its signature.
    for (std::uint64_t at = *start; at + 16 <= std::uint64_t(*start) + (*data)[1]; at += 4) {
        if (U32(at) != fixedInfoSignature) continue;
        auto ms = U32(at + 8), ls = U32(at + 12);
        if (!ms || !ls) return std::nullopt;
        return std::array<std::uint16_t, 4>{std::uint16_t(*ms >> 16), std::uint16_t(*ms),
                                            std::uint16_t(*ls >> 16), std::uint16_t(*ls)};
    }
    return std::nullopt;
}

} // namespace peinfo
