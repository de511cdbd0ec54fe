// Writes the compact symbol data of a linked image from its GNU ld map, nm's symbols and the DWARF line
// table, for the crash reporter to name functions, units and lines in the program's own reports.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "Assemble.h"
#include "CompactWriter.h"
#include "crashreport/core/ImageRanges.h"
#include "ToolOutputs.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), std::streamsize(data.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

std::string Quote(const std::string& s) {
    std::string quoted = "'";
    for (char c : s) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string Run(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run " + command);
    std::string output;
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    if (pclose(pipe) != 0) throw std::runtime_error("failed: " + command);
    return output;
}

struct Options {
    std::string image, ldMap, out, toolPrefix;
};

Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--image")
            o.image = value;
        else if (name == "--ld-map")
            o.ldMap = value;
        else if (name == "--out")
            o.out = value;
        else if (name == "--tool-prefix")
            o.toolPrefix = value;
        else
            throw std::runtime_error("unknown option " + name);
    }
    if (o.image.empty() || o.ldMap.empty() || o.out.empty())
        throw std::runtime_error("usage: ostrel-symdata --image X.exe --ld-map X.ld-map --out X.jov "
                                 "[--tool-prefix i686-w64-mingw32-]");
    return o;
}

} // namespace

int main(int argc, char** argv) {
    try {
        using namespace symdata;
        const Options o = ParseOptions(argc, argv);
        const std::string image = ReadFile(o.image);
        const auto ranges =
            core::ReadImageRanges({reinterpret_cast<const uint8_t*>(image.data()), image.size()});
        if (!ranges) throw std::runtime_error(o.image + " is no 32-bit PE image");
        const CodeRange range{ranges->imageBase + ranges->codeBegin, ranges->imageBase + ranges->codeEnd,
                              ranges->imageBase + ranges->entryPoint};
        const auto segments = ParseLdMapCode(ReadFile(o.ldMap));
        const auto publics = ParseNmCode(Run(o.toolPrefix + "nm -n -C --defined-only " + Quote(o.image)));
        const auto rows =
            ParseDecodedLines(Run(o.toolPrefix + "objdump --dwarf=decodedline " + Quote(o.image)));

        std::map<uint32_t, Location> chains;
        if (const auto addresses = AddressesNeedingChains(rows); !addresses.empty()) {
            const std::string list = o.out + ".addresses";
            std::ostringstream text;
            for (uint32_t a : addresses) text << std::hex << "0x" << a << '\n';
            WriteFile(list, text.str());
            chains = ParseInlineChains(
                Run(o.toolPrefix + "addr2line -a -i -e " + Quote(o.image) + " @" + Quote(list)));
            std::remove(list.c_str());
        }
        const SymbolData data = Assemble(range, segments, publics, ResolveLines(rows, chains));
        const std::string compact = WriteCompactSymbols(data);
        WriteFile(o.out, compact);
        std::cout << o.out << ": " << compact.size() << " bytes, " << data.segments.size() << " segments, "
                  << data.publics.size() << " publics, " << data.lines.size() << " lines\n";
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "ostrel-symdata: " << e.what() << '\n';
        return 1;
    }
}
