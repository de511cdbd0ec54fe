#include "crashreport/core/UnwindTables.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <vector>

using core::Address;

namespace {

// Little-endian bytes of hand-built unwind sections and call-site tables.
struct Bytes {
    std::vector<std::uint8_t> b;
    Bytes& u8(std::initializer_list<int> values) {
        for (int v : values) b.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    Bytes& u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        return *this;
    }
    Bytes& text(const char* s) {
        for (; *s; ++s) b.push_back(static_cast<std::uint8_t>(*s));
        b.push_back(0);
        return *this;
    }
    std::size_t size() const { return b.size(); }
    void patch32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
};

constexpr Address kSection = 0x10004000;

// A common entry "zPLR" (personality indirect pc-relative, data and code pc-relative 4 bytes) followed by
// frame entries for [begin, begin + length) with their language-specific data.
Bytes Section(std::initializer_list<std::array<Address, 3>> entries, std::uint8_t codeEncoding = 0x1B) {
    Bytes s;
    s.u32(0).u32(0).u8({1}).text("zPLR").u8({1, 0x7C, 8, 7, 0x9B}).u32(0).u8({0x1B, codeEncoding});
    while (s.size() % 4) s.u8({0});
    s.patch32(0, static_cast<std::uint32_t>(s.size() - 4));
    for (const auto& [begin, length, lsda] : entries) {
        const std::size_t start = s.size();
        s.u32(0).u32(static_cast<std::uint32_t>(start + 4));
        const Address field = kSection + static_cast<Address>(s.size());
        if (codeEncoding == 0x1B)
            s.u32(begin - field);
        else
            s.u32(begin);
        s.u32(length).u8({4}).u32(lsda ? lsda - (kSection + static_cast<Address>(s.size())) : 0);
        while (s.size() % 4) s.u8({0});
        s.patch32(start, static_cast<std::uint32_t>(s.size() - start - 4));
    }
    return s.u32(0);
}

std::vector<core::TUnwindEntry> Entries(const Bytes& s, bool* whole = nullptr) {
    std::vector<core::TUnwindEntry> entries;
    const bool ok = core::ForEachUnwindEntry(s.b, kSection, [&](const core::TUnwindEntry& e) {
        entries.push_back(e);
        return true;
    });
    if (whole) *whole = ok;
    return entries;
}

TEST(UnwindTables, FrameEntriesInBothCodeEncodings) {
    for (std::uint8_t encoding : {0x1B, 0x00}) {
        const Bytes s =
            Section({{0x401000, 0x30, 0x405000}, {0x401030, 0x10, 0}, {0x402000, 8, 0x405010}}, encoding);
        EXPECT_TRUE(core::IsUnwindSection(s.b));
        bool whole = false;
        const auto entries = Entries(s, &whole);
        EXPECT_TRUE(whole);
        ASSERT_EQ(3u, entries.size()) << int(encoding);
        EXPECT_EQ(0x401000u, entries[0].Begin);
        EXPECT_EQ(0x401030u, entries[0].End);
        EXPECT_EQ(0x405000u, entries[0].Lsda);
        EXPECT_EQ(0u, entries[1].Lsda);
        EXPECT_EQ(0x405010u, entries[2].Lsda);
        const auto found = core::FindUnwindEntry(s.b, kSection, 0x401030);
        ASSERT_TRUE(found);
        EXPECT_EQ(0x401030u, found->Begin) << "the end of one entry is the start of the next";
        EXPECT_FALSE(core::FindUnwindEntry(s.b, kSection, 0x402008)) << "one past the last code byte";
    }
}

TEST(UnwindTables, DamagedSectionsReadAsNothingAndNeverOverrun) {
    const Bytes good = Section({{0x401000, 0x30, 0}});
    struct Case {
        const char* what;
        std::size_t at;
        std::vector<std::uint8_t> bytes;
    } const cases[] = {
        {"64-bit length", 0, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"common entry longer than the section", 0, {0xF0, 0, 0, 0}},
        {"version 2", 8, {2}},
        {"unterminated augmentation", 9, {'z', 'P', 'L', 'R', 'z', 'z', 'z', 'z'}},
        {"frame entry points before the section", 32, {0xF0, 0, 0, 0}},
        {"frame entry longer than the section", 28, {0xF0, 0, 0, 0}},
    };
    EXPECT_EQ(1u, Entries(good).size());
    for (const Case& c : cases) {
        Bytes s = good;
        for (std::size_t i = 0; i < c.bytes.size(); ++i) s.b[c.at + i] = c.bytes[i];
        bool whole = true;
        EXPECT_TRUE(Entries(s, &whole).empty()) << c.what;
        EXPECT_FALSE(whole) << c.what;
        // Every truncation reads without running past the bytes (the sanitizers would tell).
    }
    for (std::size_t n = 0; n < good.size(); ++n)
        core::ForEachUnwindEntry(std::span(good.b).first(n), kSection,
                                 [](const core::TUnwindEntry&) { return true; });
    EXPECT_FALSE(core::IsUnwindSection(std::span(good.b).first(12)));
    EXPECT_FALSE(core::IsUnwindSection({}));
}

TEST(UnwindTables, LandingPadsOfCallSiteTables) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> lsda;
        bool ok;
        std::vector<Address> pads;
    } const cases[] = {
        // No pad base, no types, call sites in variable-length numbers: {start, length, pad, action}.
        {"gcc's form", {0xFF, 0xFF, 0x01, 8, 0x0D, 5, 0x1C, 1, 0x20, 5, 0, 0}, true, {0x401000 + 0x1C}},
        {"type table skipped", {0xFF, 0x9B, 0x15, 0x01, 5, 0x0D, 5, 0x80, 0x01, 3}, true, {0x401080}},
        {"pad base given", {0x00, 0x00, 0x20, 0x40, 0x00, 0xFF, 0x01, 4, 0, 1, 4, 0}, true, {0x402004}},
        {"4-byte call sites",
         {0xFF, 0xFF, 0x03, 13, 1, 0, 0, 0, 2, 0, 0, 0, 0x30, 0, 0, 0, 1},
         true,
         {0x401030}},
        {"table longer than the data", {0xFF, 0xFF, 0x01, 9, 0x0D, 5, 0x1C, 1}, false, {}},
        {"call site across the table's end", {0xFF, 0xFF, 0x01, 3, 0x0D, 5, 0x1C, 1}, false, {}},
        {"unknown encoding", {0xFF, 0xFF, 0x07, 4, 0x0D, 5, 0x1C, 1}, false, {}},
        {"endless number",
         {0xFF, 0xFF, 0x01, 12, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 1},
         false,
         {}},
        {"empty", {}, false, {}},
    };
    for (const Case& c : cases) {
        std::vector<Address> pads;
        const bool ok =
            core::ReadLandingPads(c.lsda, 0x405000, 0x401000, [&](Address p) { pads.push_back(p); });
        EXPECT_EQ(c.ok, ok) << c.what;
        if (c.ok) {
            EXPECT_EQ(c.pads, pads) << c.what;
        }
    }
}

TEST(UnwindTables, FindLandingPadsKeepsEachPadOnceAndDropsDamagedTables) {
    const Bytes s = Section({{0x401000, 0x40, 0x405000}, {0x401040, 0x40, 0x405100}});
    const std::vector<std::uint8_t> twice{0xFF, 0xFF, 0x01, 8, 0, 2, 0x30, 0, 4, 2, 0x30, 1};
    const std::vector<std::uint8_t> damaged{0xFF, 0xFF, 0x01, 8, 0, 2, 0x30, 0};
    auto bytesAt = [&](Address at) -> std::span<const std::uint8_t> {
        if (at == 0x405000) return twice;
        if (at == 0x405100) return damaged;
        return {};
    };
    core::TLandingPads pads;
    ASSERT_TRUE(core::FindLandingPads(s.b, kSection, 0x401010, bytesAt, pads));
    EXPECT_EQ(0x401000u, pads.Entry.Begin);
    EXPECT_EQ(std::vector<Address>{0x401030}, pads.Pads);
    ASSERT_TRUE(core::FindLandingPads(s.b, kSection, 0x401050, bytesAt, pads));
    EXPECT_TRUE(pads.Pads.empty()) << "a pad before the damage may be garbage too";
    EXPECT_FALSE(core::FindLandingPads(s.b, kSection, 0x400000, bytesAt, pads));
}

// A section of many entries sharing one common entry is read in time proportional to its size.
TEST(UnwindTables, ManyEntriesCostTheirSize) {
    std::vector<std::array<Address, 3>> many;
    Bytes s;
    s.u32(0).u32(0).u8({1}).text("zR").u8({1, 0x7C, 8, 1, 0x00});
    while (s.size() % 4) s.u8({0});
    s.patch32(0, static_cast<std::uint32_t>(s.size() - 4));
    for (std::uint32_t i = 0; i < 200000; ++i) {
        const std::size_t start = s.size();
        s.u32(12).u32(static_cast<std::uint32_t>(start + 4)).u32(0x401000 + i * 4).u32(4).u8({0, 0, 0, 0});
        s.patch32(start, static_cast<std::uint32_t>(s.size() - start - 4));
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(200000u, Entries(s).size());
    EXPECT_TRUE(core::FindUnwindEntry(s.b, kSection, 0x401000 + 199999 * 4));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

} // namespace
