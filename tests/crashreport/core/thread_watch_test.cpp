#include "TestPeImage.h"
#include "crashreport/core/FreezeWatch.h"
#include "crashreport/core/ImportTable.h"
#include "crashreport/core/ThreadLists.h"

#include <gtest/gtest.h>

using namespace jov;

TEST(FreezeWatch, TenMissesReportThenTheIntervalGrowsByHalf) {
    FreezeWatch watch(60000);
    EXPECT_EQ(watch.Interval(), 6000u);
    const uint32_t intervals[] = {9000, 13500, 20250};
    for (uint32_t expected : intervals) {
        for (int i = 1; i < FreezeMissesPerReport; ++i) ASSERT_FALSE(watch.PingEnded(false));
        EXPECT_TRUE(watch.PingEnded(false));
        EXPECT_EQ(watch.Misses(), 0);
        EXPECT_EQ(watch.Interval(), expected);
    }
    EXPECT_FALSE(watch.PingEnded(true));
    EXPECT_EQ(watch.Interval(), 6000u);
}

TEST(FreezeWatch, AnAnswerOrAReportInBetweenStartsTheCountAgain) {
    FreezeWatch watch(1000);
    EXPECT_EQ(watch.Interval(), 100u);
    for (int i = 0; i < 9; ++i) watch.PingEnded(false);
    watch.PingEnded(true);
    for (int i = 0; i < 9; ++i) EXPECT_FALSE(watch.PingEnded(false));
    watch.Restart();
    for (int i = 0; i < 9; ++i) EXPECT_FALSE(watch.PingEnded(false));
    EXPECT_TRUE(watch.PingEnded(false));
    EXPECT_EQ(watch.Interval(), 150u);
}

TEST(FreezeWatch, TheIntervalSaturates) {
    FreezeWatch watch(4'000'000'000u);
    for (int report = 0; report < 8; ++report)
        for (int i = 0; i < FreezeMissesPerReport; ++i) watch.PingEnded(false);
    EXPECT_EQ(watch.Interval(), UINT32_MAX);
}

namespace {

// Process entries as the system lays them out: next-entry offset, thread count, process id, and 64-byte
// thread entries from offset 184.
struct ProcessBuffer {
    std::vector<uint8_t> bytes;
    void put32(size_t at, uint32_t v) {
        if (bytes.size() < at + 4) bytes.resize(at + 4);
        std::memcpy(&bytes[at], &v, 4);
    }
    size_t add(uint32_t pid, std::initializer_list<uint32_t> threads, bool last) {
        const size_t entry = bytes.size();
        const size_t size = ThreadEntriesOffsetNt5 + 64 * threads.size();
        bytes.resize(entry + size);
        put32(entry + 0, last ? 0 : static_cast<uint32_t>(size));
        put32(entry + 4, static_cast<uint32_t>(threads.size()));
        put32(entry + 68, pid);
        size_t i = 0;
        for (uint32_t id : threads) put32(entry + ThreadEntriesOffsetNt5 + 64 * i++ + 36, id);
        return entry;
    }
};

} // namespace

TEST(ThreadLists, ThreadIdsOfOneProcess) {
    ProcessBuffer buffer;
    buffer.add(4, {8}, false);
    buffer.add(500, {12, 16, 20}, false);
    buffer.add(600, {24}, true);
    EXPECT_EQ(ThreadIdsOfProcess(buffer.bytes, 500), (std::vector<uint32_t>{12, 16, 20}));
    EXPECT_EQ(ThreadIdsOfProcess(buffer.bytes, 600), (std::vector<uint32_t>{24}));
    EXPECT_TRUE(ThreadIdsOfProcess(buffer.bytes, 700).empty());

    // A thread count beyond the buffer gives the entries there are; a next offset beyond it ends the walk.
    ProcessBuffer cut;
    cut.add(500, {12, 16}, true);
    cut.put32(4, 1000);
    EXPECT_EQ(ThreadIdsOfProcess(cut.bytes, 500), (std::vector<uint32_t>{12, 16}));
    ProcessBuffer wild;
    wild.add(4, {8}, false);
    wild.put32(0, 0x7FFFFFF0);
    EXPECT_TRUE(ThreadIdsOfProcess(wild.bytes, 500).empty());
    EXPECT_TRUE(ThreadIdsOfProcess({}, 500).empty());
}

TEST(ThreadLists, PauseRuleAndThreadsStartedDuringAReport) {
    struct Case {
        bool main, hasCreator, symbols, pause;
    } cases[] = {{true, false, false, true},
                 {false, true, true, true},
                 {false, true, false, false},
                 {false, false, true, false},
                 {false, false, false, false}};
    for (const Case& c : cases) EXPECT_EQ(ShouldPauseByCreator(c.main, c.hasCreator, c.symbols), c.pause);

    const uint32_t before[] = {1, 2, 3};
    const uint32_t now[] = {3, 9, 1, 7};
    EXPECT_EQ(ThreadsStartedSince(before, now), (std::vector<uint32_t>{9, 7}));
}

namespace {

// Two import descriptors (one without an address table) and their address tables in the second section.
struct ImportImage : TestImage {
    ImportImage() {
        put32(0x98 + 104, 0x2600);
        put32(0x98 + 108, 60);
        descriptor(0, 0x2700, 0x2800);
        descriptor(1, 0x2710, 0);
        descriptor(2, 0x2720, 0x2840);
        for (uint32_t i = 0; i < 3; ++i) put32(0x2800 + 4 * i, 0x77000000 + i);
        put32(0x2840, 0x77100000);
    }
    void descriptor(uint32_t i, uint32_t name, uint32_t table) {
        put32(0x2600 + 20 * i + 12, name);
        put32(0x2600 + 20 * i + 16, table);
    }
};

} // namespace

TEST(ImportTable, AddressTablesOfASoundImage) {
    ImportImage image;
    const ImportTables tables = ReadImportTables(image.mapped);
    EXPECT_FALSE(tables.Damaged);
    ASSERT_EQ(tables.Tables.size(), 2u);
    EXPECT_EQ(tables.Tables[0].Rva, 0x2800u);
    EXPECT_EQ(tables.Tables[0].Count, 3u);
    EXPECT_EQ(tables.Tables[1].Rva, 0x2840u);
    EXPECT_EQ(tables.Tables[1].Count, 1u);

    TestImage noImports;
    EXPECT_FALSE(ReadImportTables(noImports.mapped).Damaged);
    EXPECT_TRUE(ReadImportTables(noImports.mapped).Tables.empty());
}

TEST(ImportTable, DamagedTables) {
    struct Case {
        const char* what;
        void (*damage)(ImportImage&);
    } cases[] = {
        {"address table beyond the image", [](ImportImage& i) { i.descriptor(2, 0x2720, 0x90000000); }},
        {"address table without its end",
         [](ImportImage& i) {
             i.descriptor(2, 0x2720, 0x2FF8);
             i.put32(0x2FF8, 1);
             i.put32(0x2FFC, 2);
         }},
        {"descriptors beyond the image", [](ImportImage& i) { i.put32(0x98 + 104, 0x2FF0); }},
    };
    for (const Case& c : cases) {
        ImportImage image;
        c.damage(image);
        EXPECT_TRUE(ReadImportTables(image.mapped).Damaged) << c.what;
    }
}
