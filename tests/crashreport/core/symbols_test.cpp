#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <tuple>
#include <vector>

#include "CompactWriter.h"
#include "crashreport/core/Blowfish.h"
#include "crashreport/core/CompactSymbols.h"
#include "crashreport/core/ImageRanges.h"
#include "crashreport/core/MiniStream.h"
#include "crashreport/core/SymbolTable.h"

namespace {

constexpr uint32_t kCode = 0x401000;

symdata::SymbolData Sample() {
    symdata::SymbolData data;
    data.segments = {{0, 0x100, "Main"}, {0x100, 0x4000, "jovMapFile"}};
    // Address steps on both sides of the one-byte packed range, and backwards.
    data.publics = {{"start", 0x10},
                    {"a", 0x10 + 127},
                    {"b", 0x10 + 127 + 128},
                    {"c", 0x10 + 127 + 128 - 127},
                    {"d", 0x3000},
                    {"e", 0x3000 - 128},
                    {"ns::K::f(int) const", 0x3000 - 128 + 1}};
    data.lines = {{12, 0x10}, {13, 0x18}, {140, 0x20}, {13, 0x100}, {1000000, 0x3F00}, {1, 0x3F01}};
    data.entryPoint = 0x44;
    return data;
}

TEST(CompactSymbols, RoundTripThroughTheWriter) {
    const symdata::SymbolData data = Sample();
    core::SymbolTable table;
    table.codeBegin = kCode;
    ASSERT_TRUE(core::LoadCompactSymbols(symdata::WriteCompactSymbols(data), table));
    ASSERT_EQ(table.segments.size(), data.segments.size());
    for (size_t i = 0; i < data.segments.size(); ++i) {
        EXPECT_TRUE(table.segments[i].valid && table.segments[i].code);
        EXPECT_EQ(table.segments[i].start, kCode + data.segments[i].start);
        EXPECT_EQ(table.segments[i].length, data.segments[i].length);
        EXPECT_EQ(table.segments[i].unit, data.segments[i].unit);
    }
    // Publics stored out of order are kept, in the address order the look-ups need.
    auto publics = data.publics;
    std::stable_sort(publics.begin(), publics.end(),
                     [](const auto& a, const auto& b) { return a.address < b.address; });
    ASSERT_EQ(table.publics.size(), publics.size());
    for (size_t i = 0; i < publics.size(); ++i) {
        EXPECT_EQ(table.publics[i].name, publics[i].name);
        EXPECT_EQ(table.publics[i].address, kCode + publics[i].address) << i;
    }
    ASSERT_EQ(table.lines.size(), data.lines.size());
    for (size_t i = 0; i < data.lines.size(); ++i) {
        EXPECT_EQ(table.lines[i].line, data.lines[i].line);
        EXPECT_EQ(table.lines[i].address, kCode + data.lines[i].address);
    }
    EXPECT_EQ(table.entryPoint, kCode + 0x44);
}

// A file written by tools/make_compact_golden.py, an implementation of the format (password, cipher,
// compressed string, packed stream) that shares no code with the reader or the writer above.
TEST(CompactSymbols, ReadsTheIndependentlyWrittenGoldenFile) {
    std::ifstream file(std::string(OSTREL_TEST_DATA) + "/compact/golden.jov", std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(data.empty());
    core::SymbolTable table;
    table.codeBegin = kCode;
    ASSERT_TRUE(core::LoadCompactSymbols(data, table));
    std::vector<std::tuple<uint32_t, uint32_t, std::string>> segments;
    for (const auto& s : table.segments) segments.emplace_back(s.start - kCode, s.length, s.unit);
    EXPECT_EQ(segments,
              (std::vector<std::tuple<uint32_t, uint32_t, std::string>>{
                  {0, 0x180, "Main"}, {0x180, 0x2E80, "jovMapFile"}, {0x3000, 0x400, "Zeta.Unit"}}));
    std::vector<std::pair<std::string, uint32_t>> publics;
    for (const auto& p : table.publics) publics.emplace_back(p.name, p.address - kCode);
    EXPECT_EQ(publics, (std::vector<std::pair<std::string, uint32_t>>{{"_start", 0x10},
                                                                      {"Main.Run", 0x90},
                                                                      {"TMapFile.FindLine", 0x190},
                                                                      {"far_away", 0x2F00},
                                                                      {"Zeta.Unit.Init", 0x3004}}));
    std::vector<std::pair<uint32_t, uint32_t>> lines;
    for (const auto& l : table.lines) lines.emplace_back(l.line, l.address - kCode);
    EXPECT_EQ(lines, (std::vector<std::pair<uint32_t, uint32_t>>{
                         {10, 0x10}, {11, 0x18}, {200, 0x190}, {199, 0x210}, {70000, 0x2F00}, {1, 0x3004}}));
    EXPECT_EQ(kCode + 0x10, table.entryPoint);
}

TEST(CompactSymbols, PackedIntegersUseOneByteWithinSignedBytes) {
    const struct {
        int32_t value;
        size_t bytes;
    } cases[] = {{0, 1},   {1, 1},    {-1, 1},  {127, 1},       {-127, 1},
                 {128, 5}, {-128, 5}, {255, 5}, {INT32_MAX, 5}, {INT32_MIN, 5}};
    for (const auto& c : cases) {
        core::TMiniStream out;
        out.WritePacked(c.value);
        EXPECT_EQ(out.Size(), c.bytes) << c.value;
        core::TMiniStream in(out.Data());
        int32_t read = 0;
        ASSERT_TRUE(in.ReadPacked(read));
        EXPECT_EQ(read, c.value);
        EXPECT_EQ(in.Left(), 0u);
    }
    core::TMiniStream cut(std::string_view("\x80\x01\x02", 3));
    int32_t value;
    EXPECT_FALSE(cut.ReadPacked(value));
}

TEST(CompactSymbols, EveryPlainTailLengthRoundTrips) {
    // Payload lengths fall on every residue modulo the cipher block; the tail stays plain.
    std::set<size_t> residues;
    symdata::SymbolData data;
    uint32_t noise = 1;
    for (int n = 0; n < 400 && residues.size() < 8; ++n) {
        noise = noise * 1103515245 + 12345;
        data.publics.push_back({std::to_string(noise), uint32_t(n * 3)});
        const std::string compact = symdata::WriteCompactSymbols(data);
        const size_t payload = compact.size() - core::kCompactSymbolHeader;
        residues.insert(payload % 8);
        core::SymbolTable table;
        ASSERT_TRUE(core::LoadCompactSymbols(compact, table)) << payload;
        EXPECT_EQ(table.publics.size(), data.publics.size());
    }
    EXPECT_EQ(residues.size(), 8u);
}

TEST(CompactSymbols, EntryPointOnlyWhenExactlyFourBytesRemain) {
    symdata::SymbolData data = Sample();
    data.entryPoint.reset();
    const std::string stream = symdata::EncodeSymbolStream(data);
    const struct {
        std::string tail;
        uint32_t entry;
    } cases[] = {{"", 0}, {std::string("\x20\0\0\0", 4), kCode + 0x20}, {"abc", 0}, {"abcde", 0}};
    for (const auto& c : cases) {
        core::SymbolTable table;
        table.codeBegin = kCode;
        ASSERT_TRUE(core::LoadCompactSymbols(symdata::SealCompactStream(stream + c.tail), table));
        EXPECT_EQ(table.entryPoint, c.entry) << c.tail.size();
    }
}

std::string WithU32(std::string data, size_t at, uint32_t value) {
    std::memcpy(data.data() + at, &value, 4);
    return data;
}

TEST(CompactSymbols, DamagedDataFailsAndLeavesNoSymbols) {
    const std::string good = symdata::WriteCompactSymbols(Sample());
    const size_t payload = good.size() - core::kCompactSymbolHeader;
    std::string flipped = good;
    flipped[core::kCompactSymbolHeader + 3] ^= 0x40;
    std::string tailFlipped = good;
    tailFlipped.back() ^= 1;
    std::string magic = good;
    magic[0] = 'o';
    // A stream whose counts claim far more than it holds.
    core::TMiniStream lying;
    lying.WriteU32(0xFFFFFFFF);
    core::TMiniStream lyingPublics;
    lyingPublics.WriteU32(0);
    lyingPublics.WriteU32(0x10000000);
    core::TMiniStream lyingLines;
    lyingLines.WriteU32(0);
    lyingLines.WriteU32(0);
    lyingLines.WriteU32(3);
    lyingLines.WriteU32(1);
    lyingLines.WriteU32(1);
    const struct {
        const char* what;
        std::string data;
    } cases[] = {
        {"wrong magic", magic},
        {"version 1", WithU32(good, 18, 1)},
        {"version 3", WithU32(good, 18, 3)},
        {"payload longer than the data", WithU32(good, 14, uint32_t(payload + 1))},
        {"payload length shorter", WithU32(good, 14, uint32_t(payload - 1))},
        {"truncated payload", good.substr(0, good.size() - 9)},
        {"header only", good.substr(0, core::kCompactSymbolHeader)},
        {"enciphered byte damaged", flipped},
        {"plain tail damaged", payload % 8 ? tailFlipped : flipped},
        {"segment count beyond the data", symdata::SealCompactStream(lying.Data())},
        {"public count beyond the data", symdata::SealCompactStream(lyingPublics.Data())},
        {"line count beyond the data", symdata::SealCompactStream(lyingLines.Data())},
        {"no line section", symdata::SealCompactStream(std::string(8, '\0'))},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        core::SymbolTable table;
        table.segments.push_back({true, true, 1, 1, "stale"});
        EXPECT_FALSE(core::LoadCompactSymbols(c.data, table)) << c.what;
        EXPECT_TRUE(table.segments.empty() && table.publics.empty() && table.lines.empty()) << c.what;
    }
}

// Deflate can turn a few stored bytes into millions of tiny records; such data is refused before the
// records are made (a 65 KB file of this kind used to cost 1.9 GB). Lines stored backwards are sorted.
TEST(CompactSymbols, RecordsBoundedByTheStoredSizeAndSorted) {
    for (const uint32_t count : {3000u, 2000000u}) {
        core::TMiniStream stream;
        stream.WriteU32(0);
        stream.WriteU32(count);
        for (uint32_t i = 0; i < count; ++i) {
            stream.WriteShortString("");
            if (i == 0)
                stream.WriteU32(0);
            else
                stream.WritePacked(1);
        }
        stream.WriteU32(3);
        stream.WriteU32(10);
        stream.WriteU32(0x30);
        for (int32_t step : {-0x10, -0x10}) {
            stream.WritePacked(1);
            stream.WritePacked(step);
        }
        const std::string sealed = symdata::SealCompactStream(stream.Data());
        core::SymbolTable table;
        table.codeBegin = kCode;
        const auto start = std::chrono::steady_clock::now();
        const bool loaded = core::LoadCompactSymbols(sealed, table);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << count;
        if (count > 100000) {
            EXPECT_FALSE(loaded) << sealed.size() << " bytes for " << count << " publics";
            continue;
        }
        ASSERT_TRUE(loaded);
        EXPECT_EQ(count, table.publics.size());
        ASSERT_EQ(3u, table.lines.size());
        EXPECT_EQ(kCode + 0x10, table.lines[0].address);
        EXPECT_EQ(12u, table.lines[0].line);
        EXPECT_EQ(kCode + 0x30, table.lines[2].address);
    }
}

TEST(MiniStream, ShortStringEndingAtTheEndOfTheData) {
    std::string text;
    core::TMiniStream exact(std::string_view("\x03"
                                             "abc",
                                             4));
    EXPECT_TRUE(exact.ReadShortString(text));
    EXPECT_EQ("abc", text);
    EXPECT_EQ(0u, exact.Left());
    core::TMiniStream beyond(std::string_view("\x04"
                                              "abc",
                                              4));
    EXPECT_FALSE(beyond.ReadShortString(text));
}

TEST(CompactSymbols, PasswordHasFixedWidthAndDependsOnTheLength) {
    const std::string a = core::SymbolDataPassword(1), b = core::SymbolDataPassword(0x10),
                      c = core::SymbolDataPassword(99999999);
    EXPECT_EQ(a.size(), 56u);
    EXPECT_EQ(c.size(), 56u);
    EXPECT_NE(a, b);
    // The enciphered text is the doubled 28-character text, so both halves are not simply equal.
    EXPECT_NE(a.substr(0, 28), a.substr(28));
}

core::SymbolTable Table() {
    core::SymbolTable t;
    t.valid = true;
    t.codeBegin = 0x1000;
    t.codeEnd = 0x2000;
    t.AddSegment(true, 0x1000, 0x100, "First.pas", false);
    t.AddSegment(false, 0x8000, 0x100, "First", false);
    t.AddSegment(true, 0x1200, 0x100, "Third", false);
    t.AddSegment(true, 0x1100, 0x100, "Second", false);
    t.publics = {{true, true, "f1", 0x1000}, {true, true, "f2", 0x1080}, {true, true, "f3", 0x1200}};
    t.lines = {{10, 0x1000}, {11, 0x1010}, {20, 0x1100}, {30, 0x1200}};
    return t;
}

TEST(SymbolTable, SegmentsStaySortedCodeFirst) {
    const core::SymbolTable t = Table();
    std::vector<std::string> units;
    for (const auto& s : t.segments) units.push_back(s.unit);
    EXPECT_EQ(units, (std::vector<std::string>{"First", "Second", "Third", "First"}));
    EXPECT_FALSE(t.segments.back().code);
}

TEST(SymbolTable, LookUps) {
    const core::SymbolTable t = Table();
    const struct {
        uint32_t address;
        const char* unit;
        const char* publicName;
        uint32_t line;
        uint32_t rangeEnd;
    } cases[] = {
        {0x0FFF, "", "", 0, 0},
        {0x1000, "First", "f1", 10, 0x1010},
        {0x100F, "First", "f1", 10, 0x1010},
        {0x10FF, "First", "f2", 11, 0x1100},
        {0x1100, "Second", "f2", 20, 0x1200},
        {0x1250, "Third", "f3", 30, 0x1251},
        {0x1300, "", "f3", 0, 0}, // beyond the last segment, inside the code range
        {0x2000, "", "", 0, 0},   // at the code range end
        {0x8010, "", "", 0, 0},   // beyond the code range end
    };
    for (const auto& c : cases) {
        EXPECT_EQ(t.FindSegment(c.address).unit, c.unit) << std::hex << c.address;
        EXPECT_EQ(t.FindPublic(c.address).name, c.publicName) << std::hex << c.address;
        uint32_t rangeEnd = 0;
        EXPECT_EQ(t.FindLine(c.address, rangeEnd), c.line) << std::hex << c.address;
        EXPECT_EQ(rangeEnd, c.rangeEnd) << std::hex << c.address;
    }
    core::SymbolTable invalid = Table();
    invalid.valid = false;
    EXPECT_FALSE(invalid.FindPublic(0x1000).valid);
    EXPECT_EQ(invalid.FindLine(0x1000), 0u);
}

TEST(SymbolTable, LineOfAnotherSegmentIsNoLine) {
    core::SymbolTable t = Table();
    t.lines = {{10, 0x1000}};
    EXPECT_EQ(t.FindLine(0x1050), 10u);
    EXPECT_EQ(t.FindLine(0x1150), 0u);
}

TEST(SymbolTable, PublicNamesFollowTheirSegments) {
    core::SymbolTable t;
    t.codeBegin = 0x1000;
    t.dataBegin = 0x8000;
    t.AddSegment(true, 0, 0x100, "Forms", true);
    t.AddSegment(false, 0, 0x100, "Forms", true);
    t.AddPublic(true, "Forms", 0x10, false);         // the unit's initialisation
    t.AddPublic(true, "@Forms@Show", 0x20, false);   // same unit: no prefix
    t.AddPublic(true, "@forms@Hide", 0x28, false);   // unit compared without case
    t.AddPublic(true, "@Classes@Make", 0x30, false); // inlined from another unit
    t.AddPublic(false, "@Vars@Count", 0x40, false);
    t.AddPublic(true, "@$xp$Junk", 0x50, false); // compiler helper: skipped
    t.AddPublic(true, "Loose", 0x500, false);    // outside every segment
    std::vector<std::pair<std::string, uint32_t>> got;
    for (const auto& p : t.publics) got.emplace_back(p.name, p.address);
    EXPECT_EQ(got, (std::vector<std::pair<std::string, uint32_t>>{{"initialization", 0x1010},
                                                                  {"Show", 0x1020},
                                                                  {"Hide", 0x1028},
                                                                  {"Classes.Make", 0x1030},
                                                                  {"Vars.Count", 0x8040},
                                                                  {"Loose", 0x1500}}));
}

TEST(SymbolTable, DebugInformationPublicsShapeSegments) {
    core::SymbolTable t;
    t.codeBegin = 0x1000;
    t.AddSegment(true, 0, 0x10, "A", true);
    t.AddPublic(true, "@A@late", 0x40, true); // the segment grows to reach it
    EXPECT_EQ(t.segments[0].length, 0x40u);
    t.AddPublic(true, "@B@other", 0x80, true); // grows again, then B starts here
    ASSERT_EQ(t.segments.size(), 2u);
    EXPECT_EQ(t.segments[0].length, 0x80u);
    EXPECT_EQ(t.segments[1].unit, "B");
    EXPECT_EQ(t.segments[1].start, 0x1080u);
    EXPECT_EQ(t.segments[1].length, 0u);
}

TEST(SymbolTable, OrderedLinesDropBackwardSteps) {
    core::SymbolTable t;
    t.AddLine(1, 0x10, true);
    t.AddLine(2, 0x10, true);
    t.AddLine(3, 0x08, true);
    t.AddLine(4, 0x20, true);
    t.AddLine(5, 0x04, false);
    ASSERT_EQ(t.lines.size(), 3u);
    EXPECT_EQ(t.lines[1].line, 4u);
    EXPECT_EQ(t.lines[2].line, 5u);
}

} // namespace

namespace {

TEST(ImageRanges, CodeAndDataFromPeHeaders) {
    std::vector<uint8_t> image(0x400, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) image[at + i] = uint8_t(v >> (8 * i));
    };
    image[0] = 'M', image[1] = 'Z';
    put32(0x3C, 0x80);
    put32(0x80, 0x00004550);
    put32(0x84, 0x0001014C);    // machine, one section
    put32(0x94, 0xE0);          // optional header size
    put32(0x98, 0x10B);         // PE32
    put32(0x98 + 4, 0x3000);    // SizeOfCode
    put32(0x98 + 8, 0x200);     // initialised data
    put32(0x98 + 12, 0x100);    // uninitialised data
    put32(0x98 + 16, 0x1234);   // entry
    put32(0x98 + 20, 0x2000);   // BaseOfCode
    put32(0x98 + 24, 0x6000);   // BaseOfData
    put32(0x98 + 28, 0x400000); // ImageBase
    const size_t section = 0x98 + 0xE0;
    put32(section + 8, 0x1500);  // virtual size
    put32(section + 12, 0x1000); // virtual address
    put32(section + 36, 0x60000020);
    auto r = core::ReadImageRanges(image);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->imageBase, 0x400000u);
    EXPECT_EQ(r->codeBegin, 0x1000u);
    EXPECT_EQ(r->codeEnd, 0x2500u);
    EXPECT_EQ(r->dataBegin, 0x6000u);
    EXPECT_EQ(r->dataEnd, 0x6300u);
    EXPECT_EQ(r->entryPoint, 0x1234u);
    put32(section + 36, 0x40000040); // the first section holds no code
    r = core::ReadImageRanges(image);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->codeBegin, 0x2000u);
    EXPECT_EQ(r->codeEnd, 0x5000u);
    EXPECT_FALSE(core::ReadImageRanges(std::span(image).first(0x98 + 20)));
    put32(0x98, 0x20B); // PE32+
    EXPECT_FALSE(core::ReadImageRanges(image));
}

} // namespace
