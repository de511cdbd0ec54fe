#include "crashreport/jovDisAsmSafeRead.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

using namespace jov;

namespace {

// Three pages: the first read-write with a known pattern, the other two as each case needs them.
class Pages {
public:
    Pages() {
        base_ = static_cast<char*>(VirtualAlloc(nullptr, 3 * page, MEM_RESERVE, PAGE_NOACCESS));
        VirtualAlloc(base_, page, MEM_COMMIT, PAGE_READWRITE);
        std::memset(base_, 0x5A, page);
    }
    ~Pages() { VirtualFree(base_, 0, MEM_RELEASE); }
    Pages(const Pages&) = delete;
    Pages& operator=(const Pages&) = delete;
    char* at(size_t offset) const { return base_ + offset; }
    void commitSecond(DWORD protect) const {
        ASSERT_TRUE(VirtualAlloc(base_ + page, page, MEM_COMMIT, protect));
    }
    static constexpr size_t page = 4096;

private:
    char* base_;
};

struct BadPage {
    const char* name;
    DWORD protect; // 0: left reserved
};
const BadPage badPages[] = {
    {"reserved", 0},
    {"no access", PAGE_NOACCESS},
    {"guard", PAGE_READWRITE | PAGE_GUARD},
};

} // namespace

TEST(SafeRead, ReadsGoodMemory) {
    Pages pages;
    char buffer[64] = {};
    for (bool withSnapshot : {false, true}) {
        const ReadableSnapshot snapshot = withSnapshot ? TakeReadableSnapshot() : nullptr;
        std::memset(buffer, 0, sizeof buffer);
        EXPECT_TRUE(
            SafeReadMemory(pages.at(Pages::page - sizeof buffer), buffer, sizeof buffer, snapshot.get()));
        EXPECT_EQ(buffer[0], 0x5A);
        EXPECT_EQ(buffer[63], 0x5A);
        // Code and the stack are readable as well.
        const auto code = reinterpret_cast<const void*>(&TakeReadableSnapshot);
        EXPECT_TRUE(SafeReadMemory(code, buffer, 16, snapshot.get()));
        EXPECT_EQ(std::memcmp(buffer, code, 16), 0);
        int local = 1234, copy = 0;
        EXPECT_TRUE(SafeReadMemory(&local, &copy, sizeof copy, snapshot.get()));
        EXPECT_EQ(copy, 1234);
    }
}

TEST(SafeRead, BadMemoryFailsCleanly) {
    char buffer[16];
    for (bool withSnapshot : {false, true}) {
        EXPECT_FALSE(SafeReadMemory(nullptr, buffer, 4, nullptr));
        for (const BadPage& bad : badPages) {
            Pages pages;
            if (bad.protect) pages.commitSecond(bad.protect);
            const ReadableSnapshot snapshot = withSnapshot ? TakeReadableSnapshot() : nullptr;
            ASSERT_EQ(withSnapshot, snapshot != nullptr);
            const std::string what = std::string(bad.name) + (withSnapshot ? " with snapshot" : "");
            EXPECT_FALSE(SafeReadMemory(pages.at(Pages::page), buffer, 4, snapshot.get())) << what;
            EXPECT_FALSE(SafeReadMemory(pages.at(Pages::page + 100), buffer, 4, snapshot.get())) << what;
            // Starts in the good page and runs into the bad one.
            EXPECT_FALSE(SafeReadMemory(pages.at(Pages::page - 8), buffer, 16, snapshot.get())) << what;
            EXPECT_TRUE(SafeReadMemory(pages.at(Pages::page - 8), buffer, 8, snapshot.get())) << what;
            if (bad.protect & PAGE_GUARD) {
                // The page was never touched: it is still guarded.
                MEMORY_BASIC_INFORMATION info;
                VirtualQuery(pages.at(Pages::page), &info, sizeof info);
                EXPECT_TRUE(info.Protect & PAGE_GUARD) << what;
            }
        }
    }
}

TEST(SafeRead, SnapshotRefusesWhatItDoesNotList) {
    const ReadableSnapshot snapshot = TakeReadableSnapshot();
    ASSERT_TRUE(snapshot);
    ASSERT_FALSE(snapshot->empty());
    EXPECT_EQ(snapshot->front().Begin, 0u);
    EXPECT_FALSE(snapshot->front().Readable);
    for (size_t i = 1; i < snapshot->size(); ++i) {
        EXPECT_EQ((*snapshot)[i].Begin, (*snapshot)[i - 1].End);
        EXPECT_NE((*snapshot)[i].Readable, (*snapshot)[i - 1].Readable);
    }
    char buffer[4];
    const auto above = reinterpret_cast<const void*>(snapshot->back().End + 0x1000);
    EXPECT_FALSE(SafeReadMemory(above, buffer, sizeof buffer, snapshot.get()));
}

TEST(SafeRead, ReleasedMemoryFails) {
    char* gone = static_cast<char*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_TRUE(gone);
    VirtualFree(gone, 0, MEM_RELEASE);
    char buffer[4];
    EXPECT_FALSE(SafeReadMemory(gone, buffer, sizeof buffer));
    EXPECT_FALSE(SafeReadMemory(reinterpret_cast<const void*>(0xFFFFF000u), buffer, sizeof buffer));
    EXPECT_FALSE(SafeReadMemory(reinterpret_cast<const void*>(0x7FFFFFFEu), buffer, sizeof buffer));
}

TEST(SafeRead, IdValueNeverFaults) {
    const uint32_t value = ThreadIdObfuscator();
    EXPECT_EQ(value, ThreadIdObfuscator()); // cached
    EXPECT_FALSE(IsWin9xTebLayout());       // an NT-family system
}
