#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace symdata {

// Symbol data of a linked image, every address relative to the begin of its code range.
struct SymbolData {
    struct Segment {
        uint32_t start = 0;
        uint32_t length = 0;
        std::string unit;
    };
    struct Public {
        std::string name;
        uint32_t address = 0;
    };
    struct Line {
        uint32_t line = 0;
        uint32_t address = 0;
    };
    std::vector<Segment> segments; // ascending start
    std::vector<Public> publics;   // ascending address
    std::vector<Line> lines;       // ascending address
    std::optional<uint32_t> entryPoint;
};

// The compact symbol data the crash reporter reads: deflated, enciphered with the payload's password
// and headed with magic, payload length and version.
std::string WriteCompactSymbols(const SymbolData& data);

// The two halves of it: the plain symbol stream, and the stream deflated, enciphered and headed.
std::string EncodeSymbolStream(const SymbolData& data);
std::string SealCompactStream(std::string_view stream);

} // namespace symdata
