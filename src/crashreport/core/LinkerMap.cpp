#include "crashreport/core/LinkerMap.h"

#include <algorithm>
#include <optional>

namespace core {
namespace {

std::optional<uint32_t> Hex(std::string_view line, size_t at, size_t digits) {
    if (at + digits > line.size()) return std::nullopt;
    uint32_t value = 0;
    for (char c : line.substr(at, digits)) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return std::nullopt;
        value = value << 4 | uint32_t(d);
    }
    return value;
}

std::optional<uint32_t> Decimal(std::string_view digits) {
    if (digits.empty() || digits.size() > 9) return std::nullopt;
    uint32_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + uint32_t(c - '0');
    }
    return value;
}

bool At(std::string_view line, size_t position, char c) {
    return position - 1 < line.size() && line[position - 1] == c;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// "0001:00000000 00000F4C C=CODE     S=.text    G=(none)   M=System   ACBP=A9"
void ParseSegmentLine(std::string_view line, SymbolTable& table) {
    if (line.size() <= 72 || !At(line, 5, ':') || !At(line, 14, ' ') || !At(line, 23, ' ') ||
        !At(line, 24, 'C') || !At(line, 25, '='))
        return;
    const auto segment = Hex(line, 0, 4), start = Hex(line, 5, 8), length = Hex(line, 14, 8);
    if (!segment || !start || !length || (*segment != 1 && *segment != 2)) return;
    std::string_view unit = TrimRight(line.substr(0, line.rfind(' ')));
    const size_t cut = unit.find_last_of("=\\|");
    if (cut != std::string_view::npos) unit.remove_prefix(cut + 1);
    table.AddSegment(*segment == 1, *start, *length, unit, true);
}

// "0001:00000F4C       System.TObject.Create(...)"
void ParsePublicLine(std::string_view line, SymbolTable& table) {
    if (line.size() <= 13 || !At(line, 5, ':')) return;
    const auto segment = Hex(line, 0, 4), offset = Hex(line, 5, 8);
    if (!segment || !offset || (*segment != 1 && *segment != 2)) return;
    if (line.back() == ')') line = line.substr(0, line.rfind('('));
    std::string_view name = TrimRight(line);
    if (name.size() <= 13) return;
    const size_t blank = name.rfind(' ');
    name = name.substr(blank != std::string_view::npos && blank >= 13 ? blank + 1 : 13);
    if (name.empty()) return;
    table.AddPublic(*segment == 1, std::string(name), *offset, false);
}

// "   123 0001:00000F4C   124 0001:00000F53"
void ParseLineNumberLine(std::string_view line, SymbolTable& table) {
    size_t position = 0;
    while (true) {
        while (position < line.size() && line[position] == ' ') ++position;
        const size_t colon = line.find(':', position);
        if (colon == std::string_view::npos || colon + 8 >= line.size() || colon < 5 + position ||
            line[colon - 5] != ' ')
            return;
        const auto segment = Hex(line, colon - 4, 4), offset = Hex(line, colon + 1, 8);
        const auto number = Decimal(line.substr(position, colon - 5 - position));
        if (!segment || *segment != 1 || !offset || !number) return;
        table.AddLine(*number, table.codeBegin + *offset, true);
        position = colon + 9;
    }
}

enum class Section { None, Segments, Publics, Lines };

} // namespace

void ParseMapText(std::string_view text, SymbolTable& table) {
    Section section = Section::None;
    bool inBody = false;
    while (!text.empty()) {
        const size_t end = text.find("\r\n");
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 2);
        const size_t lead = line.find_first_not_of(" \t");
        line = lead == std::string_view::npos ? std::string_view{} : line.substr(lead);

        if (line.find("Detailed map of segments") != std::string_view::npos) {
            section = Section::Segments, inBody = false;
            continue;
        }
        if (line.find("Publics by Value") != std::string_view::npos) {
            section = Section::Publics, inBody = false;
            continue;
        }
        if (const size_t at = line.find("Line numbers for "); at != std::string_view::npos) {
            const size_t open = line.find('(', at);
            const bool named =
                open != std::string_view::npos && line.find(')', open) != std::string_view::npos;
            section = named ? Section::Lines : Section::None, inBody = false;
            continue;
        }
        if (const size_t at = line.find("Program entry point at "); at != std::string_view::npos) {
            if (line.size() > 34 && line[27] == ':')
                if (const auto entry = Hex(line, 28, 8)) table.entryPoint = table.codeBegin + *entry;
            continue;
        }
        if (section == Section::None) continue;
        if (line.empty()) {
            if (inBody) section = Section::None;
            continue;
        }
        inBody = true;
        if (section == Section::Segments)
            ParseSegmentLine(line, table);
        else if (section == Section::Publics)
            ParsePublicLine(line, table);
        else
            ParseLineNumberLine(line, table);
    }
    // Ascending by value within a segment, but not across the code and data segments.
    std::stable_sort(table.publics.begin(), table.publics.end(),
                     [](const TMfPublic& a, const TMfPublic& b) { return a.address < b.address; });
}

} // namespace core
