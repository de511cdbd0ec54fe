#pragma once
// What a release check needs to know of a 32-bit Windows executable, read from its file: the headers, the
// imported functions, the resources and the file version. Every offset is checked against the file; a
// damaged file reads as "not found", never out of bounds.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace peinfo {

struct Import {
    std::string module;
    std::string function; // "#" and the ordinal for an import by number
};

// A resource type or name: a number, or a text (compared ignoring ASCII letter case, as the loader does).
struct ResourceId {
    std::uint16_t number = 0;
    std::string text;
};

class PeFile {
public:
    // Absent for anything but a PE image ("MZ", "PE\0\0", an optional header of either width).
    static std::optional<PeFile> Read(std::vector<std::uint8_t> bytes);

    std::uint16_t Machine() const { return machine_; }
    bool Pe32() const { return pe32_; } // the 32-bit optional header
    std::uint16_t Subsystem() const { return subsystem_; }
    std::size_t FileSize() const { return bytes_.size(); }

    std::vector<Import> Imports() const;
    bool HasResource(const ResourceId& type, const ResourceId& name) const;
    // Major, minor, release, build of the version resource's fixed part.
    std::optional<std::array<std::uint16_t, 4>> FileVersion() const;

private:
    struct Section {
        std::uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
    };
    std::optional<std::uint32_t> Offset(std::uint32_t rva) const;
    std::optional<std::uint32_t> U32(std::uint64_t offset) const;
    std::optional<std::uint16_t> U16(std::uint64_t offset) const;
    std::string Text(std::uint32_t offset) const;
    std::optional<std::array<std::uint32_t, 2>> Directory(unsigned index) const;
    // The data entry (RVA, size) under type/name, first language; or a subdirectory's offset.
    std::optional<std::uint32_t> FindResourceEntry(std::uint32_t directory, const ResourceId* id) const;
    std::optional<std::array<std::uint32_t, 2>> ResourceData(const ResourceId& type,
                                                             const ResourceId* name) const;

    std::vector<std::uint8_t> bytes_;
    std::vector<Section> sections_;
    std::uint16_t machine_ = 0, subsystem_ = 0;
    bool pe32_ = false;
    std::uint32_t directories_ = 0, directoryCount_ = 0;
};

constexpr std::uint16_t machineI386 = 0x14C;
constexpr std::uint16_t subsystemWindowsGui = 2;
constexpr std::uint16_t resourceVersion = 16;

} // namespace peinfo
