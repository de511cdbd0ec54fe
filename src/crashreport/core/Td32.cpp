#include "crashreport/core/Td32.h"

#include <algorithm>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_set>
#include <vector>

namespace core {
namespace {

enum : uint16_t {
    kModule = 0x120,
    kSymbols = 0x125,
    kSourceLines = 0x127,
    kGlobalSymbols = 0x129,
    kNames = 0x130,
};

// A bounds-checked view of part of the debug information.
class Bytes {
public:
    Bytes() = default;
    explicit Bytes(std::span<const uint8_t> data) : data_(data) {}

    size_t size() const { return data_.size(); }
    bool has(size_t offset, size_t count) const {
        return offset <= data_.size() && count <= data_.size() - offset;
    }
    bool u16(size_t offset, uint16_t& value) const {
        if (!has(offset, 2)) return false;
        value = uint16_t(data_[offset] | data_[offset + 1] << 8);
        return true;
    }
    bool u32(size_t offset, uint32_t& value) const {
        if (!has(offset, 4)) return false;
        value = uint32_t(data_[offset]) | uint32_t(data_[offset + 1]) << 8 |
                uint32_t(data_[offset + 2]) << 16 | uint32_t(data_[offset + 3]) << 24;
        return true;
    }
    bool sub(size_t offset, size_t count, Bytes& part) const {
        if (!has(offset, count)) return false;
        part = Bytes(data_.subspan(offset, count));
        return true;
    }
    std::string_view text(size_t offset, size_t count) const {
        return {reinterpret_cast<const char*>(data_.data()) + offset, count};
    }

private:
    std::span<const uint8_t> data_;
};

struct Subsection {
    uint16_t kind;
    Bytes bytes;
};

class Td32Reader {
public:
    Td32Reader(Bytes data, SymbolTable& table) : data_(data), table_(table) {}

    bool read() {
        if (!data_.has(0, 4) || (data_.text(0, 4) != "FB09" && data_.text(0, 4) != "FB0A")) return false;
        if (!collectSubsections()) return false;
        bool hasGlobals = false;
        for (const Subsection& s : subsections_) {
            if (s.kind == kNames) readNames(s.bytes);
            hasGlobals |= s.kind == kGlobalSymbols;
        }
        // One pass in the directory's order: a public shapes the segments added before it, the one added
        // last above all.
        for (const Subsection& s : subsections_) {
            const bool symbols = (s.kind == kSymbols && !hasGlobals) || s.kind == kGlobalSymbols;
            if (s.kind == kModule)
                readModule(s.bytes);
            else if (symbols && addSegments())
                readSymbols(s.bytes, s.kind == kSymbols ? 4 : 32);
            else if (s.kind == kSourceLines)
                readLines(s.bytes);
        }
        addSegments();
        finish();
        return true;
    }

private:
    bool collectSubsections() {
        uint32_t directory = 0;
        if (!data_.u32(4, directory)) return false;
        std::unordered_set<uint32_t> seen;
        std::set<std::tuple<uint16_t, uint32_t, uint32_t>> listed;
        while (directory != 0) {
            if (!seen.insert(directory).second) return false;
            uint16_t headerSize = 0, entrySize = 0;
            uint32_t count = 0, next = 0;
            if (!data_.u16(directory, headerSize) || !data_.u16(directory + size_t(2), entrySize) ||
                !data_.u32(directory + size_t(4), count) || !data_.u32(directory + size_t(8), next) ||
                entrySize < 12)
                return false;
            const size_t entries = size_t(directory) + headerSize;
            if (!data_.has(entries, size_t(count) * entrySize)) return false;
            for (uint32_t i = 0; i < count && spend(); ++i) {
                const size_t entry = entries + size_t(i) * entrySize;
                uint16_t kind = 0;
                uint32_t offset = 0, size = 0;
                data_.u16(entry, kind);
                data_.u32(entry + 4, offset);
                data_.u32(entry + 8, size);
                // A subsection listed again would be read again: once is enough.
                Subsection s{kind, {}};
                if (data_.sub(offset, size, s.bytes) && listed.emplace(kind, offset, size).second)
                    subsections_.push_back(s);
            }
            directory = next;
        }
        return true;
    }

    void readNames(Bytes b) {
        uint32_t count = 0;
        if (!b.u32(0, count)) return;
        size_t at = 4;
        for (uint32_t i = 0; i < count && b.has(at, 1) && spend(); ++i) {
            const size_t length = b.text(at, 1)[0] & 0xFF;
            if (!b.has(at + 1, length + 1)) return;
            names_.push_back(b.text(at + 1, length));
            at += length + 2;
        }
    }

    // Names are numbered from 1; 0 and unknown numbers have no name.
    std::string_view name(uint32_t index) const {
        return index >= 1 && index <= names_.size() ? names_[index - 1] : std::string_view{};
    }

    void readModule(Bytes b) {
        uint16_t count = 0;
        uint32_t nameIndex = 0;
        if (!b.u16(4, count) || !b.u32(8, nameIndex)) return;
        std::string_view unit = name(nameIndex);
        const size_t folder = unit.find_last_of("\\/");
        if (folder != std::string_view::npos) unit.remove_prefix(folder + 1);
        for (size_t i = 0; i < count && spend(); ++i) {
            const size_t entry = 28 + i * 12;
            uint16_t flags = 0;
            uint32_t offset = 0, length = 0;
            if (!b.u16(entry + 2, flags) || !b.u32(entry + 4, offset) || !b.u32(entry + 8, length)) return;
            if (length != 0) segments_.push_back({flags == 1, offset, length, unit});
        }
    }

    // The modules read since the last call join the table in one merge; false when the budget is spent.
    // A merge costs the table's size: modules and symbols that alternate cannot make it quadratic.
    bool addSegments() {
        if (segments_.empty()) return true;
        if (!spend(table_.segments.size())) return false;
        table_.AddSegments(segments_, true);
        segments_.clear();
        return true;
    }

    void readSymbols(Bytes b, size_t first) {
        for (size_t at = first; spend();) {
            uint16_t length = 0, kind = 0;
            if (!b.u16(at, length) || length == 0 || !b.u16(at + 2, kind)) return;
            const size_t left = b.size() - at;
            uint32_t offset = 0, nameIndex = 0;
            bool code = true, known = true;
            switch (kind) {
            case 0x204:
            case 0x205:
                known = left >= 44 && b.u32(at + 28, offset) && b.u32(at + 40, nameIndex);
                break;
            case 0x201:
            case 0x202:
                code = false;
                known = left >= 20 && b.u32(at + 4, offset) && b.u32(at + 16, nameIndex);
                break;
            case 0x20:
            case 0x21:
                code = kind == 0x20;
                known = left >= 24 && b.u32(at + 12, nameIndex) && b.u32(at + 20, offset);
                break;
            default:
                known = false;
            }
            if (known && !name(nameIndex).empty())
                table_.AddPublic(code, std::string(name(nameIndex)), offset, true);
            at += size_t(length) + 2;
        }
    }

    void readLines(Bytes b) {
        uint16_t files = 0;
        if (!b.u16(0, files)) return;
        for (size_t f = 0; f < files && spend(); ++f) {
            uint32_t file = 0;
            uint16_t blocks = 0;
            if (!b.u32(4 + f * 4, file) || !b.u16(file, blocks)) return;
            for (size_t k = 0; k < blocks && spend(); ++k) {
                uint32_t block = 0;
                uint16_t pairs = 0;
                if (!b.u32(file + size_t(6) + k * 4, block) || !b.u16(block + size_t(2), pairs) ||
                    !b.has(block + size_t(4), size_t(pairs) * 6) || !spend(pairs))
                    break;
                for (size_t p = 0; p < pairs; ++p) {
                    uint32_t offset = 0;
                    uint16_t line = 0;
                    b.u32(block + size_t(4) + p * 4, offset);
                    b.u16(block + size_t(4) + size_t(pairs) * 4 + p * 2, line);
                    table_.AddLine(line, table_.codeBegin + offset, false);
                }
            }
        }
    }

    void finish() {
        auto& publics = table_.publics;
        std::stable_sort(publics.begin(), publics.end(),
                         [](const TMfPublic& a, const TMfPublic& b) { return a.address < b.address; });
        // Line blocks come in file order; the look-up needs ascending addresses.
        auto& lines = table_.lines;
        std::stable_sort(lines.begin(), lines.end(),
                         [](const TMfLine& a, const TMfLine& b) { return a.address < b.address; });
        auto& segments = table_.segments;
        for (size_t i = 0; i + 1 < segments.size(); ++i) {
            TMfSegment& s = segments[i];
            const TMfSegment& next = segments[i + 1];
            if (s.code == next.code && uint64_t(s.start) + s.length > next.start)
                s.length = next.start - s.start;
        }
    }

    // Directories, subsections and blocks may point at the same bytes many times over: every record
    // read costs from one budget the size of the data, so no file costs more than in proportion to it.
    bool spend(size_t records = 1) {
        if (records > budget_) {
            budget_ = 0;
            return false;
        }
        budget_ -= records;
        return true;
    }

    Bytes data_;
    SymbolTable& table_;
    size_t budget_ = data_.size();
    std::vector<Subsection> subsections_;
    std::vector<TMfSegmentEntry> segments_;
    std::vector<std::string_view> names_;
};

} // namespace

bool LoadTd32(std::span<const uint8_t> data, SymbolTable& table) {
    table.ClearSymbols();
    if (Td32Reader(Bytes(data), table).read()) return true;
    table.ClearSymbols();
    return false;
}

} // namespace core
