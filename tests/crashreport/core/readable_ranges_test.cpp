#include "crashreport/core/ReadableRanges.h"

#include <gtest/gtest.h>

using namespace jov;

namespace {

// Regions of a made-up address space: {base, size, committed, protection}.
std::vector<MemoryRegion> SampleSpace() {
    return {
        {0x00000000, 0x10000, false, 0x01}, // free
        {0x00010000, 0x1000, true, 0x04},   // read-write
        {0x00011000, 0x1000, true, 0x02},   // read-only: continues the readable range
        {0x00012000, 0x1000, true, 0x104},  // guard page
        {0x00013000, 0x1000, true, 0x01},   // no access
        {0x00014000, 0x2000, false, 0},     // reserved
        {0x00016000, 0x1000, true, 0x20},   // execute-read
        {0x00017000, 0x1000, true, 0x08},   // copy-on-write
        {0x00018000, 0x1000, true, 0x204},  // no-cache
        {0x00019000, 0x7000, true, 0x40},   // execute-read-write
    };
}

TDATryRead Snapshot(const std::vector<MemoryRegion>& space, uintptr_t limit = 0x80000000u) {
    return BuildReadableRanges(
        [&](uintptr_t address, MemoryRegion& region) {
            for (const auto& r : space)
                if (address >= r.Base && address < r.Base + r.Size) {
                    region = r;
                    return true;
                }
            return false;
        },
        limit);
}

} // namespace

TEST(ReadableRanges, SnapshotMergesNeighbours) {
    const TDATryRead s = Snapshot(SampleSpace());
    const TDATryRange want[] = {{0x0, 0x10000, false},     {0x10000, 0x12000, true},
                                {0x12000, 0x16000, false}, {0x16000, 0x18000, true},
                                {0x18000, 0x19000, false}, {0x19000, 0x20000, true}};
    ASSERT_EQ(s.size(), std::size(want));
    for (size_t i = 0; i < s.size(); ++i) {
        EXPECT_EQ(s[i].Begin, want[i].Begin) << i;
        EXPECT_EQ(s[i].End, want[i].End) << i;
        EXPECT_EQ(s[i].Readable, want[i].Readable) << i;
    }
    // The limit stops the walk before a region that starts at or above it.
    EXPECT_EQ(Snapshot(SampleSpace(), 0x16000).back().End, 0x16000u);
}

TEST(ReadableRanges, AddressAndSpanTests) {
    const TDATryRead s = Snapshot(SampleSpace());
    struct Case {
        uintptr_t address;
        size_t length;
        bool address_ok, span_ok;
    } cases[] = {
        {0x0, 4, false, false},           // address 0
        {0x10000, 0x2000, true, true},    // two merged pages
        {0x11FFC, 4, true, true},         // the last bytes before the guard page
        {0x11FFD, 4, true, false},        // runs into the guard page
        {0x12000, 1, false, false},       // guard page
        {0x13000, 1, false, false},       // no access
        {0x15000, 1, false, false},       // reserved
        {0x16800, 0x1800, true, true},    // execute-read into copy-on-write
        {0x18800, 1, false, false},       // no-cache
        {0x1FFFF, 1, true, true},         // last byte of the snapshot
        {0x1FFFF, 2, true, false},        // runs past the end
        {0x20000, 1, false, false},       // above the last range
        {0x10000, SIZE_MAX, true, false}, // a length that would wrap
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsReadableRange(s, c.address), c.address_ok) << std::hex << c.address;
        EXPECT_EQ(IsReadableSpan(s, c.address, c.length), c.span_ok) << std::hex << c.address;
    }
    EXPECT_FALSE(IsReadableRange({}, 0x1000));
}

TEST(ReadableRanges, ProtectionRules) {
    struct Case {
        uint32_t protect;
        bool snapshot, accessible;
    } cases[] = {
        {0x01, false, false},  {0x02, true, true},   {0x04, true, true},   {0x08, true, true},
        {0x10, true, true},    {0x20, true, true},   {0x40, true, true},   {0x80, true, true},
        {0x104, false, false}, {0x204, false, true}, {0x420, false, true}, {0x00, false, false},
        {0x101, false, false},
    };
    for (auto c : cases) {
        EXPECT_EQ(IsReadableProtection(c.protect), c.snapshot) << std::hex << c.protect;
        EXPECT_EQ(IsAccessibleProtection(c.protect), c.accessible) << std::hex << c.protect;
    }
}

// The probing search must find every range of every snapshot size.
TEST(ReadableRanges, SearchFindsEveryRange) {
    for (int count = 1; count <= 600; ++count) {
        TDATryRead s;
        for (int i = 0; i < count; ++i)
            s.push_back({uintptr_t(0x1000) * (i + 1), uintptr_t(0x1000) * (i + 2), i % 2 == 0});
        for (int i = 0; i < count; ++i) {
            const uintptr_t inside = s[i].Begin + 0x800;
            ASSERT_EQ(IsReadableRange(s, inside), i % 2 == 0) << count << " " << i;
            ASSERT_EQ(IsReadableSpan(s, inside, 0x800), i % 2 == 0) << count << " " << i;
        }
        ASSERT_FALSE(IsReadableRange(s, 0x10)) << count;
        ASSERT_FALSE(IsReadableRange(s, s.back().End)) << count;
    }
}
