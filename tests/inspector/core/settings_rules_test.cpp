#include "core/SettingsRules.h"
#include <gtest/gtest.h>
#include <cstring>

using namespace core;

TEST(SettingsRules, OperatingSystemClassFromVersion) {
    const uint32_t win32s = 0, windows9x = 1, nt = 2;
    struct Case {
        const char* system;
        uint32_t platform, major;
        uint8_t expected;
    } const cases[] = {
        {"Windows 98 SE", windows9x, 4, osUnsupported},
        {"Windows ME", windows9x, 4, osUnsupported},
        {"Win32s", win32s, 3, osUnsupported},
        {"NT 3.51", nt, 3, osUnsupported},
        {"NT 4.0", nt, 4, osUnsupported},
        {"Windows 2000", nt, 5, osSupported},
        {"XP SP2 / 2003", nt, 5, osSupported},
        {"Vista and newer", nt, 6, osSupported},
        {"Windows 10", nt, 10, osSupported},
        {"a 9x with a high number", windows9x, 5, osUnsupported},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, OSClassFromVersion(c.platform, c.major)) << c.system;
}

TEST(SettingsRules, CommandLineWordsInAnyLetterCase) {
    struct Case {
        std::vector<std::string> args;
        bool reset, dialog;
    } const cases[] = {
        {{}, false, false},
        {{"-RESET"}, true, false},
        {{"-Config"}, false, true},
        {{"-reset", "-CONFIG"}, true, true},
        {{"reset", "-resetx", "--config", "/config", "x"}, false, false},
    };
    for (const auto& c : cases) {
        CommandLineFlags f = ParseCommandLine(c.args);
        EXPECT_EQ(c.reset, f.reset);
        EXPECT_EQ(c.dialog, f.showDialog);
    }
}

TEST(SettingsRules, VersionsCompareFieldByFieldAndShortDataIsZeroFilled) {
    EXPECT_LT(CompareVersions({1, 0, 0, 9}, {1, 1, 0, 0}), 0);
    EXPECT_LT(CompareVersions({0, 9, 0, 5}, {1, 0, 0, 0}), 0);
    EXPECT_GT(CompareVersions({1, 0, 0, 1}, {1, 0, 0, 0}), 0);
    // Release and build pointing opposite ways: the release decides.
    EXPECT_GT(CompareVersions({1, 0, 2, 0}, {1, 0, 1, 9}), 0);
    EXPECT_LT(CompareVersions({1, 0, 1, 9}, {1, 0, 2, 0}), 0);
    EXPECT_EQ(CompareVersions({2, 3, 4, 5}, {2, 3, 4, 5}), 0);

    uint8_t bytes[storedVersionSize];
    VersionToBytes({0x0102, 3, 0xFFFF, 0x8000}, bytes);
    const uint8_t expected[] = {2, 1, 3, 0, 0xFF, 0xFF, 0, 0x80};
    EXPECT_EQ(0, memcmp(expected, bytes, sizeof bytes));
    FileVersion back = VersionFromBytes(bytes, sizeof bytes);
    EXPECT_EQ(0, CompareVersions(back, {0x0102, 3, 0xFFFF, 0x8000}));

    FileVersion shortRead = VersionFromBytes(bytes, 3);
    EXPECT_EQ(0x0102, shortRead.major);
    EXPECT_EQ(3, shortRead.minor);
    EXPECT_EQ(0, shortRead.release);
    EXPECT_EQ(0, shortRead.build);
    EXPECT_EQ(0, CompareVersions(VersionFromBytes(nullptr, 0), {}));
}

TEST(SettingsRules, StoredBytesOutsideTheirFieldAreDamaged) {
    EXPECT_TRUE(ByteInRange(intFormatSetting, 2));
    EXPECT_FALSE(ByteInRange(intFormatSetting, 3));
    EXPECT_TRUE(ByteInRange(styleSetting, 1));
    EXPECT_FALSE(ByteInRange(styleSetting, 2));
    EXPECT_FALSE(ByteInRange(minimizationSetting, 3));
    EXPECT_FALSE(ByteInRange(codeLanguageSetting, 2));
    EXPECT_FALSE(ByteInRange(codeLanguageSetting, 255));
}
