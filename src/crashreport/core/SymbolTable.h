#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace core {

struct TMfSegment {
    bool valid = false;
    bool code = false;
    uint32_t start = 0;
    uint32_t length = 0;
    std::string unit;
};

struct TMfPublic {
    bool valid = false;
    bool code = false;
    std::string name;
    uint32_t address = 0;
};

// A segment as a reader found it, before it joins a table.
struct TMfSegmentEntry {
    bool code = false;
    uint32_t start = 0, length = 0;
    std::string_view unit;
};

struct TMfLine {
    uint32_t line = 0;
    uint32_t address = 0;
};

// The symbols of one module: code segments (before data segments, each group by ascending start),
// publics by ascending address and the line table. Addresses are absolute.
class SymbolTable {
public:
    std::vector<TMfSegment> segments;
    std::vector<TMfPublic> publics;
    std::vector<TMfLine> lines;
    uint32_t entryPoint = 0;
    uint32_t dataBegin = 0, dataEnd = 0;
    uint32_t codeBegin = 0, codeEnd = 0;
    bool valid = false;

    TMfSegment FindSegment(uint32_t address) const;
    TMfPublic FindPublic(uint32_t address) const;
    uint32_t FindLine(uint32_t address) const;
    // rangeEnd: where the line's code ends (the next record's address, else address + 1).
    uint32_t FindLine(uint32_t address, uint32_t& rangeEnd) const;

    // relative: start is an offset from the code or data range begin. The unit loses its extension.
    void AddSegment(bool code, uint32_t start, uint32_t length, std::string_view unit, bool relative);
    // The same as adding the entries one by one in their order, in one merge: the last entry is the
    // segment added last.
    void AddSegments(const std::vector<TMfSegmentEntry>& entries, bool relative);
    // offset is relative to the code or data range begin; fromDebugInfo lets the public shape segments.
    void AddPublic(bool code, std::string name, uint32_t offset, bool fromDebugInfo);
    // ordered: drop a line whose address does not follow the last one's.
    void AddLine(uint32_t line, uint32_t address, bool ordered);

    void ClearSymbols();

private:
    TMfSegment MakeSegment(bool code, uint32_t start, uint32_t length, std::string_view unit,
                           bool relative) const;
    size_t codeSegmentCount() const;
    const TMfSegment* segmentHolding(bool code, uint32_t address) const;
    // Index of the segment added last, which debug-information publics extend; npos when none.
    size_t lastAdded_ = SIZE_MAX;
};

} // namespace core
