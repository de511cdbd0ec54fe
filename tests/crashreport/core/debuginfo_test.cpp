#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <tuple>
#include <string>
#include <vector>

#include "crashreport/core/LinkerMap.h"
#include "crashreport/core/Td32.h"
#include "crashreport/core/Td32Builder.h"

namespace {

using td32test::Td32Builder;

core::SymbolTable Empty() {
    core::SymbolTable t;
    t.valid = true;
    t.codeBegin = 0x401000;
    t.codeEnd = 0x410000;
    t.dataBegin = 0x420000;
    return t;
}

std::string Crlf(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* l : lines) text += std::string(l) + "\r\n";
    return text;
}

std::vector<std::pair<std::string, uint32_t>> Publics(const core::SymbolTable& t) {
    std::vector<std::pair<std::string, uint32_t>> out;
    for (const auto& p : t.publics) out.emplace_back(p.name, p.address);
    return out;
}

std::vector<std::pair<uint32_t, uint32_t>> Lines(const core::SymbolTable& t) {
    std::vector<std::pair<uint32_t, uint32_t>> out;
    for (const auto& l : t.lines) out.emplace_back(l.line, l.address);
    return out;
}

const std::string kMap = Crlf({
    "",
    " Start         Length     Name                   Class",
    " 0001:00000000 0000F000H .text                   CODE",
    "",
    "",
    "Detailed map of segments",
    "",
    " 0001:00000000 00000100 C=CODE     S=.text    G=(none)   M=System   ACBP=A9",
    " 0001:00000100 00000200 C=CODE     S=.text    G=(none)   M=C:\\src\\Unit2.pas ACBP=A9",
    " 0003:00000000 00000010 C=TLS      S=.tls     G=(none)   M=System   ACBP=A9",
    " 0002:00000000 00000050 C=DATA     S=.data    G=DGROUP   M=System   ACBP=A9",
    " 0001:00000400 00000010 C=CODE S=.text G=(none) M=Short",
    " 000Z:00000400 00000010 C=CODE     S=.text    G=(none)   M=BadNumber   ACBP=A9",
    "",
    "",
    "  Address         Publics by Value",
    "",
    " 0001:00000000       System.Start",
    " 0001:00000100       Unit2",
    " 0001:00000150       Unit2.Foo(Integer;string)",
    " 0001:00000160       Unit2.Bar(a: Integer)",
    " 0002:00000010       System.Var",
    " 0003:00000000       TlsThing",
    " 0001:00000170       ",
    "0001 00000180        Colonless",
    "",
    "",
    "Line numbers for Unit2(Unit2.pas) segment .text",
    "",
    "    10 0001:00000100    11 0001:00000110    12 0001:00000108    13 0001:00000120",
    "    20 0001:00000130   bad 0001:00000140    21 0001:00000150",
    "    30 0002:00000160    31 0001:00000170",
    "    40 0001:00000180    41 0001:0000019",
    "",
    "Line numbers for Broken segment .text",
    "",
    "    90 0001:00000300",
    "",
    "Program entry point at 0001:00000150",
});

TEST(LinkerMap, ReadsSectionsByTheirColumnRules) {
    core::SymbolTable t = Empty();
    core::ParseMapText(kMap, t);

    std::vector<std::tuple<bool, uint32_t, uint32_t, std::string>> segments;
    for (const auto& s : t.segments) segments.emplace_back(s.code, s.start, s.length, s.unit);
    // Segment 0003 and lines failing a column test are left out; the unit loses folder and extension.
    EXPECT_EQ(segments, (std::vector<std::tuple<bool, uint32_t, uint32_t, std::string>>{
                            {true, 0x401000, 0x100, "System"},
                            {true, 0x401100, 0x200, "Unit2"},
                            {false, 0x420000, 0x50, "System"}}));

    // The unit's own name is its initialisation; parameter lists are cut even with blanks inside.
    EXPECT_EQ(Publics(t), (std::vector<std::pair<std::string, uint32_t>>{{"System.Start", 0x401000},
                                                                         {"initialization", 0x401100},
                                                                         {"Unit2.Foo", 0x401150},
                                                                         {"Unit2.Bar", 0x401160},
                                                                         {"System.Var", 0x420010}}));

    // A backward group is dropped, a group that does not parse ends its line, and groups of
    // segment 2 end it too; the heading without "(...)" reads nothing.
    EXPECT_EQ(Lines(t), (std::vector<std::pair<uint32_t, uint32_t>>{
                            {10, 0x401100}, {11, 0x401110}, {13, 0x401120}, {20, 0x401130}, {40, 0x401180}}));

    EXPECT_EQ(t.entryPoint, 0x401150u);
}

// Publics that the map lists out of address order (its data range below its code, or an edited map) are
// looked up as any others: the look-up needs them in ascending order.
TEST(LinkerMap, PublicsOutOfOrderAreFoundByAddress) {
    core::SymbolTable t = Empty();
    t.dataBegin = 0x400000; // below the code range
    core::ParseMapText(Crlf({"  Address         Publics by Value", "", " 0001:00000200       Later",
                             " 0001:00000100       Earlier", " 0002:00000010       Table", ""}),
                       t);
    EXPECT_EQ(Publics(t), (std::vector<std::pair<std::string, uint32_t>>{
                              {"Table", 0x400010}, {"Earlier", 0x401100}, {"Later", 0x401200}}));
    EXPECT_EQ("Earlier", t.FindPublic(0x401180).name);
    EXPECT_EQ("Later", t.FindPublic(0x401210).name);
    EXPECT_EQ("Table", t.FindPublic(0x400020).name);
}

TEST(LinkerMap, OtherLinkersMapsGiveEmptyLists) {
    // What GNU ld writes with -Map, in both line-end conventions.
    const std::string gnu = "Archive member included to satisfy reference by file (symbol)\n\n"
                            "Memory Configuration\n\nName             Origin             Length\n"
                            "*default*        0x00000000         0xffffffff\n\n"
                            "Linker script and memory map\n\n"
                            ".text           0x00401000    0x28000\n"
                            " *(.text)\n"
                            " .text          0x00401000      0x4e0 crt2.o\n"
                            "                0x004014a0                WinMainCRTStartup\n";
    std::string crlf;
    for (char c : gnu) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (const std::string& text : {gnu, crlf, std::string()}) {
        core::SymbolTable t = Empty();
        core::ParseMapText(text, t);
        EXPECT_TRUE(t.segments.empty() && t.publics.empty() && t.lines.empty());
        EXPECT_EQ(t.entryPoint, 0u);
    }
}

Td32Builder Sample(bool withGlobals) {
    Td32Builder b;
    b.name("C:\\work\\Alpha.pas"); // 1
    b.name("Alpha.Run");           // 2
    b.name("Alpha.Counter");       // 3
    b.name("Beta.pas");            // 4
    b.name("Alpha.Early");         // 5
    b.name("FromLocals");          // 6
    b.subsection(0x120, Td32Builder::module(1, {{1, 0x000, 0x120}, {0, 0x10, 0x40}, {1, 0x300, 0}}));
    b.subsection(0x120, Td32Builder::module(4, {{1, 0x100, 0x80}}));
    std::vector<uint8_t> locals(4, 0);
    Td32Builder::procedure(locals, 0x204, 0x30, 6);
    b.subsection(0x125, locals);
    if (withGlobals) {
        std::vector<uint8_t> globals(32, 0);
        Td32Builder::procedure(globals, 0x205, 0x50, 2);
        Td32Builder::data(globals, 0x201, 0x20, 3);
        Td32Builder::short20(globals, 0x20, 0x10, 5);
        Td32Builder::procedure(globals, 0x204, 0x60, 0);  // no name
        Td32Builder::procedure(globals, 0x204, 0x70, 99); // unknown name
        Td32Builder::short20(globals, 0x20, 0x10, 5);
        globals.resize(globals.size() - 4); // the last record no longer fits: skipped
        b.subsection(0x129, globals);
    }
    b.subsection(0x127, Td32Builder::lines({{0x40, 7}, {0x10, 5}, {0x40, 8}, {0x20, 6}}));
    return b;
}

TEST(Td32, ReadsModulesGlobalsAndLines) {
    core::SymbolTable t = Empty();
    ASSERT_TRUE(core::LoadTd32(Sample(true).build(), t));

    std::vector<std::tuple<bool, uint32_t, uint32_t, std::string>> segments;
    for (const auto& s : t.segments) segments.emplace_back(s.code, s.start, s.length, s.unit);
    // Alpha's code overlaps Beta's: clipped to end exactly where Beta starts.
    EXPECT_EQ(segments, (std::vector<std::tuple<bool, uint32_t, uint32_t, std::string>>{
                            {true, 0x401000, 0x100, "Alpha"},
                            {true, 0x401100, 0x80, "Beta"},
                            {false, 0x420010, 0x40, "Alpha"}}));

    // Globals only (the locals list is ignored when globals exist), sorted by address.
    EXPECT_EQ(Publics(t),
              (std::vector<std::pair<std::string, uint32_t>>{
                  {"Alpha.Early", 0x401010}, {"Alpha.Run", 0x401050}, {"Alpha.Counter", 0x420020}}));

    // Not dropped when out of order, sorted stably by address.
    EXPECT_EQ(Lines(t), (std::vector<std::pair<uint32_t, uint32_t>>{
                            {5, 0x401010}, {6, 0x401020}, {7, 0x401040}, {8, 0x401040}}));
}

TEST(Td32, LocalSymbolsWithoutGlobals) {
    core::SymbolTable t = Empty();
    ASSERT_TRUE(core::LoadTd32(Sample(false).build("FB0A"), t));
    EXPECT_EQ(Publics(t), (std::vector<std::pair<std::string, uint32_t>>{{"FromLocals", 0x401030}}));
}

TEST(Td32, DamagedInformationGivesFalseWithoutFault) {
    const std::vector<uint8_t> good = Sample(true).build();
    std::vector<uint8_t> loop = good;
    Td32Builder::set32(loop, 8 + 8, 8); // the directory names itself as the next one
    std::vector<uint8_t> far = good;
    Td32Builder::set32(far, 4, 0x7FFFFFFF);
    std::vector<uint8_t> manyEntries = good;
    Td32Builder::set32(manyEntries, 8 + 4, 0xFFFFFFFF);
    const struct {
        const char* what;
        std::vector<uint8_t> data;
    } cases[] = {
        {"other signature", Sample(true).build("NB09")},
        {"directory loop", loop},
        {"directory beyond the data", far},
        {"entries beyond the data", manyEntries},
        {"empty", {}},
    };
    for (const auto& c : cases) {
        core::SymbolTable t = Empty();
        EXPECT_FALSE(core::LoadTd32(c.data, t)) << c.what;
        EXPECT_TRUE(t.segments.empty() && t.publics.empty() && t.lines.empty()) << c.what;
    }
    // Every cut of good data and every damaged byte is read within bounds.
    for (size_t n = 0; n < good.size(); ++n) {
        core::SymbolTable t = Empty();
        core::LoadTd32(std::span(good.data(), n), t);
        std::vector<uint8_t> damaged = good;
        damaged[n] ^= 0xFF;
        core::LoadTd32(damaged, t);
    }
}

// A public outside every segment extends the segment added last, in the module's own order of its
// entries, not the last of the sorted list; the lines up to the public then belong to that unit.
TEST(Td32, APublicBeyondTheSegmentsExtendsTheSegmentAddedLast) {
    Td32Builder b;
    b.name("Alpha.pas"); // 1
    b.name("Tail");      // 2
    b.subsection(0x120, Td32Builder::module(1, {{0, 0x10, 0x40}, {1, 0x000, 0x100}}));
    std::vector<uint8_t> globals(32, 0);
    Td32Builder::procedure(globals, 0x205, 0x180, 2);
    b.subsection(0x129, globals);
    b.subsection(0x127, Td32Builder::lines({{0x20, 5}, {0x150, 9}}));
    core::SymbolTable t = Empty();
    ASSERT_TRUE(core::LoadTd32(b.build(), t));
    std::vector<std::tuple<bool, uint32_t, uint32_t, std::string>> segments;
    for (const auto& s : t.segments) segments.emplace_back(s.code, s.start, s.length, s.unit);
    EXPECT_EQ(
        segments,
        (std::vector<std::tuple<bool, uint32_t, uint32_t, std::string>>{
            {true, 0x401000, 0x180, "Alpha"}, {true, 0x401180, 0, ""}, {false, 0x420010, 0x40, "Alpha"}}));
    EXPECT_EQ("Alpha", t.FindSegment(0x401150).unit);
    EXPECT_EQ(9u, t.FindLine(0x401150));
}

// Only segments of one kind clip each other: a code segment reaching past the data range's start stays.
TEST(Td32, CodeSegmentBeforeADataSegmentKeepsItsLength) {
    Td32Builder b;
    b.name("Gamma.pas");
    b.subsection(0x120, Td32Builder::module(1, {{1, 0x1F000, 0x2000}, {0, 0x10, 0x40}}));
    core::SymbolTable t = Empty();
    ASSERT_TRUE(core::LoadTd32(b.build(), t));
    ASSERT_EQ(2u, t.segments.size());
    EXPECT_TRUE(t.segments[0].code);
    EXPECT_EQ(0x420000u, t.segments[0].start);
    EXPECT_EQ(0x2000u, t.segments[0].length);
    EXPECT_EQ(0x420010u, t.segments[1].start);
}

// Hostile directories: the same subsection listed thousands of times, or subsections that overlap each
// other by all but a byte. Reading costs in proportion to the data (these took seconds and gigabytes).
TEST(Td32, RepeatedAndOverlappingSubsectionsCostTheirSize) {
    std::vector<std::array<uint32_t, 3>> descending;
    for (uint32_t i = 0; i < 250; ++i) descending.push_back({1, (250 - i) * 0x10, 0x10});
    const std::vector<uint8_t> module = Td32Builder::module(1, descending);
    std::vector<uint8_t> lines = Td32Builder::lines({});
    lines.resize(lines.size() + 6 * 2000);
    lines[20] = 0xD0; // 2000 pairs
    lines[21] = 0x07;
    struct Case {
        const char* what;
        uint16_t kind;
        const std::vector<uint8_t>* subsection;
        uint32_t step; // offset from one listing to the next
    } const cases[] = {{"module listed again", 0x120, &module, 0},
                       {"lines listed again", 0x127, &lines, 0},
                       {"overlapping modules", 0x120, &module, 1}};
    for (const Case& c : cases) {
        constexpr uint32_t kListings = 5000;
        std::vector<uint8_t> data{'F', 'B', '0', '9'};
        Td32Builder::put32(data, 8);
        Td32Builder::put16(data, 16);
        Td32Builder::put16(data, 12);
        Td32Builder::put32(data, kListings);
        Td32Builder::put32(data, 0);
        Td32Builder::put32(data, 0);
        const uint32_t at = 24 + 12 * kListings;
        for (uint32_t i = 0; i < kListings; ++i) {
            Td32Builder::put16(data, c.kind);
            Td32Builder::put16(data, 0);
            Td32Builder::put32(data, at + (c.step ? i % 8 : 0) * c.step);
            Td32Builder::put32(data, uint32_t(c.subsection->size()));
        }
        data.insert(data.end(), c.subsection->begin(), c.subsection->end());
        data.resize(data.size() + 8);
        core::SymbolTable t = Empty();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(core::LoadTd32(data, t)) << c.what;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << c.what;
        EXPECT_LE(t.segments.size() + t.publics.size() + t.lines.size(), data.size()) << c.what;
        if (c.kind == 0x120 && !c.step) {
            ASSERT_EQ(250u, t.segments.size()) << "each segment once";
            EXPECT_TRUE(std::is_sorted(
                t.segments.begin(), t.segments.end(),
                [](const core::TMfSegment& a, const core::TMfSegment& b) { return a.start < b.start; }));
        }
        if (c.kind == 0x127) {
            EXPECT_EQ(2000u, t.lines.size()) << "each line once";
        }
    }
}

} // namespace
