#include "Assemble.h"

#include <algorithm>

namespace symdata {
namespace {

std::map<uint32_t, const LineRow*> LastRowPerAddress(const std::vector<LineRow>& rows) {
    std::map<uint32_t, const LineRow*> last;
    for (const LineRow& row : rows) {
        const LineRow*& slot = last[row.address];
        // A sequence's end shares its address with the next sequence's start, which wins.
        if (!slot || row.line != 0) slot = &row;
    }
    return last;
}

} // namespace

std::vector<uint32_t> AddressesNeedingChains(const std::vector<LineRow>& rows) {
    std::vector<uint32_t> addresses;
    for (const auto& [address, row] : LastRowPerAddress(rows))
        if (row->line != 0 && !row->inCompileUnit) addresses.push_back(address);
    return addresses;
}

std::map<uint32_t, uint32_t> ResolveLines(const std::vector<LineRow>& rows,
                                          const std::map<uint32_t, Location>& inlineChains) {
    std::map<uint32_t, uint32_t> lines;
    for (const auto& [address, row] : LastRowPerAddress(rows)) {
        uint32_t line = row->inCompileUnit ? row->line : 0;
        if (row->line != 0 && !row->inCompileUnit) {
            const auto chain = inlineChains.find(address);
            if (chain != inlineChains.end() && chain->second.file == row->unitFile) line = chain->second.line;
        }
        lines[address] = line;
    }
    return lines;
}

SymbolData Assemble(const CodeRange& range, const std::vector<SymbolData::Segment>& segments,
                    const std::vector<SymbolData::Public>& publics,
                    const std::map<uint32_t, uint32_t>& lines) {
    auto inside = [&](uint32_t address) { return address >= range.begin && address < range.end; };
    SymbolData data;
    for (const auto& s : segments)
        if (inside(s.start)) data.segments.push_back({s.start - range.begin, s.length, s.unit});
    std::sort(data.segments.begin(), data.segments.end(),
              [](const auto& a, const auto& b) { return a.start < b.start; });
    for (const auto& p : publics)
        if (inside(p.address)) data.publics.push_back({p.name, p.address - range.begin});

    auto segmentOf = [&](uint32_t relative) -> const SymbolData::Segment* {
        auto it = std::upper_bound(data.segments.begin(), data.segments.end(), relative,
                                   [](uint32_t a, const auto& s) { return a < s.start; });
        if (it == data.segments.begin()) return nullptr;
        --it;
        return relative - it->start < it->length ? &*it : nullptr;
    };
    const SymbolData::Segment* lastSegment = nullptr;
    for (const auto& [address, line] : lines) {
        if (!inside(address)) continue;
        const uint32_t relative = address - range.begin;
        const SymbolData::Segment* segment = segmentOf(relative);
        if (!data.lines.empty() && data.lines.back().line == line && segment == lastSegment) continue;
        data.lines.push_back({line, relative});
        lastSegment = segment;
    }
    if (inside(range.entry)) data.entryPoint = range.entry - range.begin;
    return data;
}

} // namespace symdata
