#pragma once
// A sparse fake address space for the portable code-analysis tests: blocks of bytes at fixed addresses,
// loaded from the vector data files or placed by hand.
#include "crashreport/core/X86Decoder.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

class TestMemory : public core::CodeReader {
public:
    // zeroFill: addresses outside every block read as zeros (cells the vectors point at but do not hold).
    explicit TestMemory(bool zeroFill = false) : zeroFill_(zeroFill) {}

    void Place(core::Address address, std::vector<std::uint8_t> bytes) {
        blocks_[address] = std::move(bytes);
    }

    // File format: repeated {u32 address, u32 size, size bytes}, little endian.
    bool Load(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::vector<std::uint8_t> all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::size_t pos = 0;
        while (pos + 8 <= all.size()) {
            std::uint32_t address, size;
            std::memcpy(&address, &all[pos], 4);
            std::memcpy(&size, &all[pos + 4], 4);
            pos += 8;
            if (pos + size > all.size()) return false;
            Place(address, std::vector<std::uint8_t>(all.begin() + pos, all.begin() + pos + size));
            pos += size;
        }
        return pos == all.size() && !blocks_.empty();
    }

    bool Contains(core::Address address, std::uint32_t length = 1) const {
        const auto* block = Find(address);
        return block && address - block->first + length <= block->second.size();
    }

    bool Read(core::Address address, void* destination, std::uint32_t length) override {
        if (!address) return false;
        if (const auto* block = Find(address);
            block && address - block->first + length <= block->second.size()) {
            std::memcpy(destination, &block->second[address - block->first], length);
            return true;
        }
        if (!zeroFill_ || Find(address)) return false;
        std::memset(destination, 0, length);
        return true;
    }

    const std::map<core::Address, std::vector<std::uint8_t>>& Blocks() const { return blocks_; }

private:
    const std::pair<const core::Address, std::vector<std::uint8_t>>* Find(core::Address address) const {
        auto it = blocks_.upper_bound(address);
        if (it == blocks_.begin()) return nullptr;
        --it;
        return address - it->first < it->second.size() ? &*it : nullptr;
    }

    std::map<core::Address, std::vector<std::uint8_t>> blocks_;
    bool zeroFill_;
};
