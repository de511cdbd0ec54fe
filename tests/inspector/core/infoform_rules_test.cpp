#include "core/InfoFormRules.h"
#include <gtest/gtest.h>

#include <algorithm>

using namespace core;

TEST(StyleNames, EntriesApplyOnlyWithAllTheirBits) {
    struct Case {
        std::uint32_t value;
        std::span<const ConstName> table;
        const char* name;
        bool listed;
    } const cases[] = {
        {0, WindowStyleNames, "WS_OVERLAPPED", true}, // zero-valued: always
        {0xFFFFFFFF, WindowStyleNames, "WS_OVERLAPPED", true},
        {0, ExtWindowStyleNames, "WS_EX_LEFT", true},
        {0, ExtWindowStyleNames, "WS_EX_LTRREADING", true},
        {0, ExtWindowStyleNames, "WS_EX_RIGHTSCROLLBAR", true},
        {0x00CF0000, WindowStyleNames, "WS_OVERLAPPEDWINDOW", true},
        {0x00CB0000, WindowStyleNames, "WS_OVERLAPPEDWINDOW", false}, // no WS_THICKFRAME
        {0x00CB0000, WindowStyleNames, "WS_SYSMENU", true},
        {0x00000188, ExtWindowStyleNames, "WS_EX_PALETTEWINDOW", true},
        {0x00000180, ExtWindowStyleNames, "WS_EX_PALETTEWINDOW", false},
        {0x00000100, ExtWindowStyleNames, "WS_EX_OVERLAPPEDWINDOW", false},
        {0x00000300, ExtWindowStyleNames, "WS_EX_OVERLAPPEDWINDOW", true},
    };
    for (const auto& c : cases) {
        auto names = StyleNames(c.value, c.table);
        bool found = std::find(names.begin(), names.end(), c.name) != names.end();
        EXPECT_EQ(c.listed, found) << c.name << " in " << std::hex << c.value;
    }
}

TEST(StyleNames, TableOrderAndOnlyZeroEntriesForZero) {
    auto names = StyleNames(0, WindowStyleNames);
    EXPECT_EQ((std::vector<std::string>{"WS_OVERLAPPED"}), names);
    auto ext = StyleNames(0, ExtWindowStyleNames);
    ASSERT_EQ(3u, ext.size());
    auto all = StyleNames(0xFFFFFFFF, ClassStyleNames);
    EXPECT_EQ(std::size(ClassStyleNames), all.size());
    EXPECT_EQ(ClassStyleNames[0].name, all.front());
}

TEST(UpdateInterval, TypedSecondsAreClampedToOneToSixty) {
    struct Case {
        int typed, seconds;
        unsigned ms;
    } const cases[] = {{0, 1, 1000},    {-5, 1, 1000},   {1, 1, 1000},    {5, 5, 5000},
                       {60, 60, 60000}, {61, 60, 60000}, {99, 60, 60000}, {-2147483647 - 1, 1, 1000}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.seconds, ClampUpdateSeconds(c.typed)) << c.typed;
        EXPECT_EQ(c.ms, UpdateIntervalMs(c.typed)) << c.typed;
    }
}

TEST(RefreshFailure, ReportsOnceUntilARefreshSucceeds) {
    TRefreshFailure failure;
    EXPECT_TRUE(failure.Failed());
    EXPECT_FALSE(failure.Failed());
    EXPECT_FALSE(failure.Failed());
    EXPECT_TRUE(failure.Reported());
    failure.Succeeded();
    EXPECT_FALSE(failure.Reported());
    EXPECT_TRUE(failure.Failed());
}

TEST(DetailFields, ModuleTextAndAtomNames) {
    EXPECT_EQ("C:\\Windows\\notepad.exe", ModuleFieldText("C:\\Windows\\", "notepad.exe"));
    EXPECT_EQ("notepad.exe", ModuleFieldText("(Unavailable)", "notepad.exe"));
    EXPECT_EQ("#49321", AtomPropertyName(49321, ""));
    EXPECT_EQ("OleDropTargetInterface", AtomPropertyName(49321, "OleDropTargetInterface"));
}
