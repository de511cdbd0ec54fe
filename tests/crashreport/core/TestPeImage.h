#pragma once
// A small 32-bit image with two sections and an export table, as mapped and as its file, for the
// export parser's tests and as the fuzzer's template.
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

// Ordinal base 5: 0 "Alpha" 0x1010, 1 unnamed 0x1020, 2 forwarder by name, 3 forwarder by ordinal,
// 4 empty, 5 a mangled name at 0x1030.
struct TestImage {
    std::vector<uint8_t> mapped = std::vector<uint8_t>(0x3000);
    std::vector<uint8_t> file;

    void put32(uint32_t at, uint32_t v) { std::memcpy(&mapped[at], &v, 4); }
    void put16(uint32_t at, uint16_t v) { std::memcpy(&mapped[at], &v, 2); }
    void text(uint32_t at, const char* s) { std::memcpy(&mapped[at], s, std::strlen(s) + 1); }

    TestImage() {
        put16(0, 0x5A4D);
        put32(60, 0x80);
        put32(0x80, 0x4550);
        put16(0x84, 0x14C);
        put16(0x86, 2);     // sections
        put16(0x94, 0xE0);  // optional header size
        put16(0x98, 0x10B); // PE32
        put32(0x98 + 56, 0x3000);
        put32(0x98 + 92, 16); // directories
        put32(0x98 + 96, 0x2000);
        put32(0x98 + 100, 0x1000);
        section(0, 0x1000, 0x400);
        section(1, 0x2000, 0x800);

        const uint32_t d = 0x2000, functions = 0x2100, names = 0x2200, ordinals = 0x2300;
        put32(d + 16, 5);
        put32(d + 20, 6);
        put32(d + 24, 3);
        put32(d + 28, functions);
        put32(d + 32, names);
        put32(d + 36, ordinals);
        const uint32_t rvas[] = {0x1010, 0x1020, 0x2400, 0x2420, 0, 0x1030};
        for (uint32_t i = 0; i < 6; ++i) put32(functions + 4 * i, rvas[i]);
        text(0x2400, "krnl386.exe16.VxDCall0");
        text(0x2420, "KERNEL32.#12");
        const std::pair<const char*, uint16_t> named[] = {
            {"Alpha", 0}, {"Fwd", 2}, {"@Unit@TFoo@Bar$qqrv", 5}};
        for (uint32_t i = 0; i < 3; ++i) {
            put32(names + 4 * i, 0x2500 + 0x40 * i);
            text(0x2500 + 0x40 * i, named[i].first);
            put16(ordinals + 2 * i, named[i].second);
        }
        put16(ordinals + 6, 0xFFFF);

        makeFile();
    }
    // The file: headers, then each section at its raw offset.
    void makeFile() {
        file.assign(mapped.begin(), mapped.begin() + 0x400);
        file.resize(0x1800);
        std::memcpy(&file[0x400], &mapped[0x1000], 0x400);
        std::memcpy(&file[0x800], &mapped[0x2000], 0x1000);
    }
    void section(uint32_t i, uint32_t address, uint32_t raw) {
        const uint32_t h = 0x98 + 0xE0 + 40 * i;
        put32(h + 8, 0x1000);
        put32(h + 12, address);
        put32(h + 16, 0x1000);
        put32(h + 20, raw);
    }
};
