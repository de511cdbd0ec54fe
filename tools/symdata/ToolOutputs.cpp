#include "ToolOutputs.h"

#include "crashreport/core/Demangle.h"

#include <charconv>
#include <sstream>

namespace symdata {
namespace {

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::vector<std::string_view> Words(std::string_view line, size_t max = SIZE_MAX) {
    std::vector<std::string_view> words;
    size_t at = 0;
    while (words.size() < max) {
        at = line.find_first_not_of(" \t", at);
        if (at == std::string_view::npos) return words;
        if (words.size() + 1 == max) {
            words.push_back(line.substr(at));
            return words;
        }
        const size_t end = line.find_first_of(" \t", at);
        words.push_back(line.substr(at, end - at));
        at = end;
    }
    return words;
}

bool Number(std::string_view text, uint32_t& value, int base) {
    if (base == 16 && text.substr(0, 2) == "0x") text.remove_prefix(2);
    if (text.empty()) return false;
    uint64_t wide = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), wide, base);
    if (error != std::errc() || end != text.data() + text.size() || wide > UINT32_MAX) return false;
    value = static_cast<uint32_t>(wide);
    return true;
}

// The name as a trace shows it, which the tables then give to every reader.
std::string ReadableName(std::string_view name) {
    std::string readable(name), unit;
    jov::DemangleSymbol(readable, unit);
    return readable;
}

} // namespace

std::string BaseName(std::string_view path) {
    const size_t slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string UnitOfObject(std::string_view objectPath) {
    // "dir/libx.a(member.o)" names the member.
    if (!objectPath.empty() && objectPath.back() == ')') {
        const size_t open = objectPath.rfind('(');
        if (open != std::string_view::npos)
            objectPath = objectPath.substr(open + 1, objectPath.size() - open - 2);
    }
    std::string unit = BaseName(objectPath);
    return unit.substr(0, unit.find('.'));
}

std::vector<SymbolData::Segment> ParseLdMapCode(std::string_view mapText) {
    std::vector<SymbolData::Segment> segments;
    bool inText = false;
    bool pendingSection = false; // a long input section name wrapped its address to the next line
    for (std::string_view line : Lines(mapText)) {
        if (line.empty()) continue;
        if (line[0] != ' ') {
            inText = line.substr(0, 5) == ".text" && (line.size() == 5 || line[5] == ' ');
            pendingSection = false;
            continue;
        }
        if (!inText) continue;
        auto words = Words(line, 4);
        if (words.empty()) continue;
        if (words[0][0] == '.') {
            if (words.size() == 1) {
                pendingSection = true;
                continue;
            }
            words.erase(words.begin());
        } else if (pendingSection) {
            words = Words(line, 3);
        } else {
            continue; // a symbol, a fill or a pattern
        }
        pendingSection = false;
        uint32_t start, length;
        if (words.size() < 3 || !Number(words[0], start, 16) || !Number(words[1], length, 16) || length == 0)
            continue;
        segments.push_back({start, length, UnitOfObject(words[2])});
    }
    return segments;
}

std::vector<SymbolData::Public> ParseNmCode(std::string_view nmText) {
    std::vector<SymbolData::Public> publics;
    bool lastGlobal = false;
    for (std::string_view line : Lines(nmText)) {
        const auto words = Words(line, 3);
        uint32_t address;
        if (words.size() != 3 || words[1].size() != 1 || !Number(words[0], address, 16)) continue;
        const char type = words[1][0];
        const std::string_view name = words[2];
        // Section symbols (".text") mark no function.
        if ((type != 'T' && type != 't') || name.empty() || name[0] == '.') continue;
        const bool global = type == 'T';
        if (!publics.empty() && publics.back().address == address) {
            if (global && !lastGlobal) publics.back().name = ReadableName(name), lastGlobal = true;
            continue;
        }
        publics.push_back({ReadableName(name), address});
        lastGlobal = global;
    }
    return publics;
}

std::vector<LineRow> ParseDecodedLines(std::string_view objdumpText) {
    std::vector<LineRow> rows;
    const auto lines = Lines(objdumpText);
    std::string unitFile;    // base name of the compilation unit's source
    std::string currentFile; // base name of the file the rows now come from
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (line.empty()) continue;
        if (line.back() == ':' && line.find("    ") == std::string_view::npos) {
            std::string_view path = line.substr(0, line.size() - 1);
            if (path.substr(0, 4) == "CU: ") path.remove_prefix(4);
            currentFile = BaseName(path);
            // A file line right before the column headings opens a compilation unit.
            if (i + 1 < lines.size() && lines[i + 1].substr(0, 9) == "File name") unitFile = currentFile;
            continue;
        }
        const auto words = Words(line);
        if (words.size() < 3) continue;
        LineRow row;
        if (!Number(words[2], row.address, 16)) continue;
        if (words[1] != "-" && !Number(words[1], row.line, 10)) continue;
        row.inCompileUnit = !unitFile.empty() && currentFile == unitFile;
        row.unitFile = unitFile;
        rows.push_back(row);
    }
    return rows;
}

std::map<uint32_t, Location> ParseInlineChains(std::string_view addr2lineText) {
    std::map<uint32_t, Location> chains;
    Location* current = nullptr;
    for (std::string_view line : Lines(addr2lineText)) {
        uint32_t address;
        if (line.substr(0, 2) == "0x" && Number(line, address, 16)) {
            current = &chains[address];
            continue;
        }
        if (!current) continue;
        // "path:line" or "path:line (discriminator n)"; the last one of a chain is the outermost caller.
        line = line.substr(0, line.find(" ("));
        const size_t colon = line.rfind(':');
        if (colon == std::string_view::npos) continue;
        uint32_t number = 0;
        Number(line.substr(colon + 1), number, 10);
        *current = Location{BaseName(line.substr(0, colon)), number};
    }
    return chains;
}

} // namespace symdata
