#include "crashreport/core/SymbolTable.h"

#include <algorithm>

#include "crashreport/core/Demangle.h"
#include "crashreport/core/TextHelpers.h"

namespace core {
namespace {

bool SegmentBefore(const TMfSegment& a, const TMfSegment& b) {
    if (a.code != b.code) return a.code;
    return a.start < b.start;
}

} // namespace

size_t SymbolTable::codeSegmentCount() const {
    return std::partition_point(segments.begin(), segments.end(),
                                [](const TMfSegment& s) { return s.code; }) -
           segments.begin();
}

const TMfSegment* SymbolTable::segmentHolding(bool code, uint32_t address) const {
    const size_t split = codeSegmentCount();
    const auto first = segments.begin() + (code ? 0 : split);
    const auto last = code ? segments.begin() + split : segments.end();
    auto it =
        std::upper_bound(first, last, address, [](uint32_t a, const TMfSegment& s) { return a < s.start; });
    if (it == first) return nullptr;
    --it;
    return address - it->start < it->length ? &*it : nullptr;
}

TMfSegment SymbolTable::FindSegment(uint32_t address) const {
    const TMfSegment* s = segmentHolding(true, address);
    return s ? *s : TMfSegment{};
}

TMfPublic SymbolTable::FindPublic(uint32_t address) const {
    if (!valid) return {};
    auto it = std::upper_bound(publics.begin(), publics.end(), address,
                               [](uint32_t a, const TMfPublic& p) { return a < p.address; });
    if (it == publics.begin()) return {};
    if (it == publics.end() && codeEnd != 0 && address >= codeEnd) return {};
    return *--it;
}

uint32_t SymbolTable::FindLine(uint32_t address) const {
    uint32_t rangeEnd = 0;
    return FindLine(address, rangeEnd);
}

uint32_t SymbolTable::FindLine(uint32_t address, uint32_t& rangeEnd) const {
    if (!valid) return 0;
    auto it = std::upper_bound(lines.begin(), lines.end(), address,
                               [](uint32_t a, const TMfLine& l) { return a < l.address; });
    if (it == lines.begin()) return 0;
    if (it == lines.end() && codeEnd != 0 && address >= codeEnd) return 0;
    const TMfLine& line = *(it - 1);
    // A line belongs to the address only when both lie in the same code segment.
    const TMfSegment* segment = segmentHolding(true, address);
    if (!segment || line.address < segment->start || line.address - segment->start > segment->length)
        return 0;
    rangeEnd = it != lines.end() ? it->address : address + 1;
    return line.line;
}

TMfSegment SymbolTable::MakeSegment(bool code, uint32_t start, uint32_t length, std::string_view unit,
                                    bool relative) const {
    TMfSegment segment;
    segment.valid = true;
    segment.code = code;
    segment.start = relative ? start + (code ? codeBegin : dataBegin) : start;
    segment.length = length;
    const size_t dot = unit.rfind('.');
    segment.unit = std::string(dot == std::string_view::npos ? unit : unit.substr(0, dot));
    return segment;
}

void SymbolTable::AddSegment(bool code, uint32_t start, uint32_t length, std::string_view unit,
                             bool relative) {
    TMfSegment segment = MakeSegment(code, start, length, unit, relative);
    const auto it = std::upper_bound(segments.begin(), segments.end(), segment, SegmentBefore);
    const size_t index = it - segments.begin();
    segments.insert(it, std::move(segment));
    lastAdded_ = index;
}

void SymbolTable::AddSegments(const std::vector<TMfSegmentEntry>& entries, bool relative) {
    if (entries.empty()) return;
    // Each entry goes behind the equal ones before it, as one insertion after another would place it.
    std::vector<std::pair<TMfSegment, size_t>> added;
    added.reserve(entries.size());
    for (const TMfSegmentEntry& e : entries)
        added.emplace_back(MakeSegment(e.code, e.start, e.length, e.unit, relative), added.size());
    std::stable_sort(added.begin(), added.end(),
                     [](const auto& a, const auto& b) { return SegmentBefore(a.first, b.first); });
    std::vector<TMfSegment> merged;
    merged.reserve(segments.size() + added.size());
    auto old = segments.begin();
    for (auto& [segment, order] : added) {
        for (; old != segments.end() && !SegmentBefore(segment, *old); ++old)
            merged.push_back(std::move(*old));
        if (order == entries.size() - 1) lastAdded_ = merged.size();
        merged.push_back(std::move(segment));
    }
    for (; old != segments.end(); ++old) merged.push_back(std::move(*old));
    segments.swap(merged);
}

void SymbolTable::AddPublic(bool code, std::string name, uint32_t offset, bool fromDebugInfo) {
    // Compiler-generated helper symbols ("@$x?$...") name nothing a reader of a trace knows.
    if (name.size() >= 6 && name[0] == '@' && name[1] == '$' && name[2] == 'x' && name[4] == '$') return;
    std::string unit;
    jov::DemangleSymbol(name, unit);
    const uint32_t address = offset + (code ? codeBegin : dataBegin);
    const TMfSegment* holder = segmentHolding(code, address);
    if (holder) {
        if (name == holder->unit)
            name = "initialization";
        else if (!unit.empty() && !jov::SameTextNoCase(unit, holder->unit))
            name = unit + "." + name;
    }
    publics.push_back(TMfPublic{true, code, std::move(name), address});
    if (!fromDebugInfo) return;
    const bool held = holder != nullptr;
    if (lastAdded_ < segments.size()) {
        TMfSegment& last = segments[lastAdded_];
        if (last.code == code && last.start + last.length < address) last.length = address - last.start;
    }
    if (!held && (lastAdded_ >= segments.size() || unit != segments[lastAdded_].unit))
        AddSegment(code, address, 0, unit, false);
}

void SymbolTable::AddLine(uint32_t line, uint32_t address, bool ordered) {
    if (ordered && !lines.empty() && address <= lines.back().address) return;
    lines.push_back(TMfLine{line, address});
}

void SymbolTable::ClearSymbols() {
    segments.clear();
    publics.clear();
    lines.clear();
    entryPoint = 0;
    lastAdded_ = SIZE_MAX;
}

} // namespace core
