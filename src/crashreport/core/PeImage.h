#pragma once
// Reading executable images (headers, data directories, export tables): either a module as the loader
// mapped it, where virtual addresses are offsets, or the module's file on disk. Every offset taken from
// the image is checked against its size: a damaged image reads as "not found".
#include <concepts>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jov {

// The bytes of an image that may go away while they are read (a module of the running process that
// another thread unloads): Read copies exactly `length` bytes at `offset` or fails, and never faults.
class PeImageReader {
public:
    virtual bool Read(uint64_t offset, void* destination, size_t length) = 0;

protected:
    ~PeImageReader() = default;
};

// An image's bytes in plain reach (a file, a copy) or behind a reader, which must outlive the PeImage
// and whatever is read with it.
class PeImage {
public:
    template <typename Bytes>
    requires std::convertible_to<const Bytes&, std::span<const uint8_t>> PeImage(const Bytes& bytes,
                                                                                 bool fileLayout = false)
        : bytes_(bytes), size_(bytes_.size()), fileLayout_(fileLayout) {}
    PeImage(PeImageReader& reader, uint64_t size) : reader_(&reader), size_(size) {}

    bool Read(uint64_t offset, void* destination, size_t length) const;
    uint64_t Size() const { return size_; }
    // The file on disk: virtual addresses go through the section table.
    bool FileLayout() const { return fileLayout_; }

private:
    std::span<const uint8_t> bytes_;
    PeImageReader* reader_ = nullptr;
    uint64_t size_ = 0;
    bool fileLayout_ = false;
};

struct PeDataDirectory {
    uint32_t VirtualAddress;
    uint32_t Size;
};
constexpr unsigned ExportDirectory = 0;

// "MZ" at the start and "PE\0\0" at the offset stored at 60: the offset of the NT headers.
std::optional<uint32_t> ImageNtHeaders(const PeImage& image);
std::optional<uint32_t> ImageSizeOfImage(const PeImage& image);
// Absent without headers, beyond the image's directory count, or when the directory is empty.
std::optional<PeDataDirectory> ImageDataDirectory(const PeImage& image, unsigned index);
// A section header's virtual address and file offset (absent when the header is cut off).
struct PeSection {
    uint32_t VirtualAddress;
    std::optional<uint32_t> RawOffset;
};
// The first 96 section headers at most, as far as they can be read.
std::vector<PeSection> ReadSectionTable(const PeImage& image, uint32_t ntHeaders);
// The file offset of a virtual address; unchanged when no section holds it.
uint32_t SectionOffset(const std::vector<PeSection>& sections, uint32_t rva);
uint32_t RvaToFileOffset(const PeImage& image, uint32_t ntHeaders, uint32_t rva);

// A validated view of an image's export directory.
class PeExports {
public:
    static std::optional<PeExports> Read(PeImage image);

    uint32_t OrdinalBase() const { return ordinalBase_; }
    uint32_t FunctionCount() const { return functionCount_; }
    uint32_t NameCount() const { return nameCount_; }

    // Exact, case-sensitive, in name-table order.
    std::optional<uint32_t> FunctionIndexByName(std::string_view name) const;
    std::optional<uint32_t> FunctionRva(uint32_t index) const;
    std::optional<std::string> Name(uint32_t nameIndex) const;
    // The name whose ordinal index is `index`; absent for an export without a name.
    std::optional<std::string> NameOfFunction(uint32_t index) const;
    std::optional<uint32_t> FunctionIndexOfRva(uint32_t rva) const;
    // An RVA inside the export directory is a forwarder text, not code.
    bool IsForwarder(uint32_t rva) const {
        return rva >= directory_.VirtualAddress && rva - directory_.VirtualAddress < directory_.Size;
    }
    std::optional<std::string> ForwarderText(uint32_t rva) const;

private:
    explicit PeExports(PeImage image) : image_(image) {}
    // Table entries are addressed in 64 bits so that a huge index cannot wrap back into the image.
    std::optional<uint64_t> Offset(uint64_t rva) const;
    std::optional<uint32_t> ReadU32(uint64_t rva) const;
    std::optional<uint16_t> ReadU16(uint64_t rva) const;
    // Calls `part` with the text's pieces up to its zero; false when it is unreadable or too long, or
    // when `part` returns false.
    template <typename Part> bool ReadText(uint32_t rva, Part&& part) const;
    std::optional<std::string> Text(uint32_t rva) const;

    PeImage image_;
    uint32_t ntHeaders_ = 0;
    PeDataDirectory directory_{};
    std::vector<PeSection> sections_; // read once: a file image's every table read goes through it
    uint32_t ordinalBase_ = 0, functionCount_ = 0, nameCount_ = 0;
    uint32_t functions_ = 0, names_ = 0, nameOrdinals_ = 0;
};

// "module.routine" or "module.#ordinal", split at the first "." at or after `from` (never the first
// character). Module and routine names may both hold dots: a caller tries the later splits when the module
// of an earlier one is not there.
struct PeForwarder {
    std::string_view Module;
    std::string_view Routine; // empty for an ordinal
    std::optional<uint32_t> Ordinal;
};
std::optional<PeForwarder> ParseForwarder(std::string_view text, std::size_t from = 1);

// The exported name of a function RVA: its name, optionally demangled to unit "." name, "#" and the
// ordinal without a name, empty when the RVA is not exported.
std::string ExportNameOfRva(const PeExports& exports, uint32_t rva, bool demangle);

} // namespace jov
