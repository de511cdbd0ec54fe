#pragma once
// TD32 debug information built for tests: header, one subsection directory, subsections.
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace td32test {

class Td32Builder {
public:
    void name(const std::string& n) { names_.push_back(n); }
    void subsection(uint16_t kind, std::vector<uint8_t> bytes) {
        subsections_.push_back({kind, std::move(bytes)});
    }

    std::vector<uint8_t> build(const char* signature = "FB09") const {
        std::vector<uint8_t> out(signature, signature + 4);
        put32(out, 8);
        std::vector<std::pair<uint16_t, std::vector<uint8_t>>> all = subsections_;
        std::vector<uint8_t> nameBytes;
        put32(nameBytes, uint32_t(names_.size()));
        for (const auto& n : names_) {
            nameBytes.push_back(uint8_t(n.size()));
            nameBytes.insert(nameBytes.end(), n.begin(), n.end());
            nameBytes.push_back(0);
        }
        all.push_back({0x130, nameBytes});
        put16(out, 16);
        put16(out, 12);
        put32(out, uint32_t(all.size()));
        put32(out, 0);
        put32(out, 0);
        uint32_t offset = uint32_t(out.size() + 12 * all.size());
        for (const auto& [kind, bytes] : all) {
            put16(out, kind);
            put16(out, 0);
            put32(out, offset);
            put32(out, uint32_t(bytes.size()));
            offset += uint32_t(bytes.size());
        }
        for (const auto& s : all) out.insert(out.end(), s.second.begin(), s.second.end());
        return out;
    }

    static void put16(std::vector<uint8_t>& v, uint16_t x) {
        v.push_back(uint8_t(x));
        v.push_back(uint8_t(x >> 8));
    }
    static void put32(std::vector<uint8_t>& v, uint32_t x) {
        for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
    }
    static void set32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
        std::memcpy(v.data() + at, &x, 4); // both trees are little-endian
    }

    // Module: segment entries of {flags, offset, length} for source name index.
    static std::vector<uint8_t> module(uint32_t nameIndex, std::vector<std::array<uint32_t, 3>> entries) {
        std::vector<uint8_t> b(28, 0);
        b[4] = uint8_t(entries.size());
        set32(b, 8, nameIndex);
        for (const auto& e : entries) {
            put16(b, 1);
            put16(b, uint16_t(e[0]));
            put32(b, e[1]);
            put32(b, e[2]);
        }
        return b;
    }

    static void procedure(std::vector<uint8_t>& list, uint16_t kind, uint32_t offset, uint32_t nameIndex) {
        std::vector<uint8_t> r(44, 0);
        r[0] = 42;
        r[2] = uint8_t(kind);
        r[3] = uint8_t(kind >> 8);
        set32(r, 28, offset);
        set32(r, 40, nameIndex);
        list.insert(list.end(), r.begin(), r.end());
    }
    static void data(std::vector<uint8_t>& list, uint16_t kind, uint32_t offset, uint32_t nameIndex) {
        std::vector<uint8_t> r(20, 0);
        r[0] = 18;
        r[2] = uint8_t(kind);
        r[3] = uint8_t(kind >> 8);
        set32(r, 4, offset);
        set32(r, 16, nameIndex);
        list.insert(list.end(), r.begin(), r.end());
    }
    static void short20(std::vector<uint8_t>& list, uint16_t kind, uint32_t offset, uint32_t nameIndex) {
        std::vector<uint8_t> r(24, 0);
        r[0] = 22;
        r[2] = uint8_t(kind);
        set32(r, 12, nameIndex);
        set32(r, 20, offset);
        list.insert(list.end(), r.begin(), r.end());
    }

    // Source lines: one file with one block of (offset, line) pairs.
    static std::vector<uint8_t> lines(std::vector<std::pair<uint32_t, uint16_t>> pairs) {
        std::vector<uint8_t> b;
        put16(b, 1);
        put16(b, 0);
        put32(b, 8); // file entry
        put16(b, 1);
        put16(b, 0);
        put16(b, 0);
        put32(b, 18); // block
        put16(b, 1);
        put16(b, uint16_t(pairs.size()));
        for (const auto& p : pairs) put32(b, p.first);
        for (const auto& p : pairs) put16(b, p.second);
        return b;
    }

private:
    std::vector<std::string> names_;
    std::vector<std::pair<uint16_t, std::vector<uint8_t>>> subsections_;
};

} // namespace td32test
