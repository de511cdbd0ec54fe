#include <gtest/gtest.h>

#include <tuple>

#include "Assemble.h"
#include "ToolOutputs.h"

namespace {

using namespace symdata;

std::vector<std::tuple<uint32_t, uint32_t, std::string>> Flat(const std::vector<SymbolData::Segment>& s) {
    std::vector<std::tuple<uint32_t, uint32_t, std::string>> out;
    for (const auto& x : s) out.emplace_back(x.start, x.length, x.unit);
    return out;
}

TEST(SymData, LdMapGivesTheCodeInputSections) {
    const char* map = "Discarded input sections\n\n"
                      " .text          0x00000000       0x10 gone.o\n\n"
                      "Linker script and memory map\n\n"
                      ".text           0x00401000    0x28000\n"
                      " *(SORT_NONE(.init))\n"
                      " *(.text)\n"
                      " .text          0x00401000      0x4e0 /usr/lib/crt2.o\n"
                      "                0x004014a0                WinMainCRTStartup\n"
                      " .text          0x004014e0        0x0 /usr/lib/libstdc++.a(del_ops.o)\n"
                      " .text          0x004014e0       0xa0 CMakeFiles/x.dir/src/Main.cpp.obj\n"
                      " *fill*         0x00401580        0x8 \n"
                      " .text$_ZN2ns1K1fEi\n"
                      "                0x00401590       0x30 /lib/libostrel_core.a(Td32.cpp.obj)\n"
                      "                0x00401590                ns::K::f(int)\n"
                      " .text.startup  0x004015c0       0x20 C:\\objs\\start.o\n"
                      ".data           0x00429000      0xe8\n"
                      " .data          0x00429000       0x10 /usr/lib/crt2.o\n";
    EXPECT_EQ(Flat(ParseLdMapCode(map)),
              (std::vector<std::tuple<uint32_t, uint32_t, std::string>>{{0x401000, 0x4e0, "crt2"},
                                                                        {0x4014e0, 0xa0, "Main"},
                                                                        {0x401590, 0x30, "Td32"},
                                                                        {0x4015c0, 0x20, "start"}}));
}

// Names as a trace shows them: the tables give them to the disassembly and to callers as they are.
TEST(SymData, NmGivesOneCodeSymbolPerAddress) {
    const char* nm = "00000000 A CloseHandle@4\n"
                     "00401000 t .text\n"
                     "00401000 t __local_start\n"
                     "00401000 T globalAlias\n"
                     "00401010 t helper(int)\n"
                     "00401020 T ns::K::f(int) const\n"
                     "00401020 t laterLocal\n"
                     "00402000 D dataThing\n"
                     "garbage line\n";
    std::vector<std::pair<std::string, uint32_t>> got;
    for (const auto& p : ParseNmCode(nm)) got.emplace_back(p.name, p.address);
    EXPECT_EQ(got, (std::vector<std::pair<std::string, uint32_t>>{
                       {"globalAlias", 0x401000}, {"helper", 0x401010}, {"ns.K.f", 0x401020}}));
}

TEST(SymData, HeaderRowsTakeTheCallingLineOfTheUnit) {
    const char* objdump =
        "\na.exe:     file format pei-i386\n\nContents of the .debug_line section:\n\n"
        "CU: ./src/a.cpp:\n"
        "File name                            Line number    Starting address    View    Stmt\n"
        "a.cpp                                          4            0x4015b0               x\n"
        "\n/usr/include/c++/bits/allocator.h:\n"
        "allocator.h                                  156            0x4015b0       2       x\n"
        "\n/work/src/a.cpp:\n"
        "a.cpp                                          5            0x4015c0\n"
        "\n/usr/include/c++/bits/stl_vector.h:\n"
        "stl_vector.h                                 551            0x4015d0               x\n"
        "stl_vector.h                                 552            0x4015e0               x\n"
        "stl_vector.h                                   -            0x4015f0\n"
        "\nb.cpp:\n"
        "File name                            Line number    Starting address    View    Stmt\n"
        "b.cpp                                          9            0x4015f0               x\n"
        "b.cpp                                          -            0x401600\n";
    const auto rows = ParseDecodedLines(objdump);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(AddressesNeedingChains(rows), (std::vector<uint32_t>{0x4015b0, 0x4015d0, 0x4015e0}));

    const char* addr2line =
        "0x004015b0\n/usr/include/c++/bits/allocator.h:156\n/work/src/a.cpp:4\n"
        "0x004015d0\n/usr/include/c++/bits/stl_vector.h:551\n/work/src/a.cpp:6 (discriminator 2)\n"
        "0x004015e0\n/usr/include/c++/bits/stl_vector.h:552\n";
    const auto lines = ResolveLines(rows, ParseInlineChains(addr2line));
    // 0x4015e0 is header code of its own (no caller in a.cpp): no line. The sequence end at 0x4015f0
    // gives way to b.cpp's row there.
    EXPECT_EQ(lines,
              (std::map<uint32_t, uint32_t>{
                  {0x4015b0, 4}, {0x4015c0, 5}, {0x4015d0, 6}, {0x4015e0, 0}, {0x4015f0, 9}, {0x401600, 0}}));

    const CodeRange range{0x401000, 0x401600, 0x4015c0};
    const SymbolData data =
        Assemble(range, {{0x4015b0, 0x30, "a"}, {0x4015e0, 0x20, "b"}, {0x500000, 1, "far"}},
                 {{"f", 0x4015b0}, {"outside", 0x401600}}, lines);
    ASSERT_EQ(data.segments.size(), 2u);
    EXPECT_EQ(data.segments[0].start, 0x5b0u);
    ASSERT_EQ(data.publics.size(), 1u);
    std::vector<std::pair<uint32_t, uint32_t>> got;
    for (const auto& l : data.lines) got.emplace_back(l.line, l.address);
    EXPECT_EQ(got, (std::vector<std::pair<uint32_t, uint32_t>>{
                       {4, 0x5b0}, {5, 0x5c0}, {6, 0x5d0}, {0, 0x5e0}, {9, 0x5f0}}));
    EXPECT_EQ(data.entryPoint, 0x5c0u);
}

TEST(SymData, RepeatedLinesMergeOnlyWithinTheirSegment) {
    const CodeRange range{0x1000, 0x2000, 0};
    const SymbolData data = Assemble(range, {{0x1000, 0x10, "a"}, {0x1010, 0x10, "b"}}, {},
                                     {{0x1000, 3}, {0x1008, 3}, {0x1010, 3}, {0x1018, 4}});
    std::vector<uint32_t> addresses;
    for (const auto& l : data.lines) addresses.push_back(l.address);
    EXPECT_EQ(addresses, (std::vector<uint32_t>{0x0, 0x10, 0x18}));
    EXPECT_FALSE(data.entryPoint.has_value());
}

} // namespace
