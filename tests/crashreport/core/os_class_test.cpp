#include "crashreport/core/NumberText.h"
#include "crashreport/core/OsClass.h"

#include <gtest/gtest.h>

using namespace jov;

TEST(OsClass, FromVersionRecords) {
    struct Case {
        uint32_t platform, major, minor, build;
        const char* csd;
        uint8_t os;
        int32_t servicePack;
        const char* description;
    } cases[] = {
        {1, 4, 0, 950, "", 1, 0, "Windows 95"},
        {1, 4, 0, 0x04000457, " B", 2, 0, "Windows 95 OSR-2"}, // the build is the low word: 1111
        {1, 4, 10, 1998, "", 3, 0, "Windows 98"},
        {1, 4, 10, 2222, " A ", 4, 0, "Windows 98 SE"}, // no service-pack text on Win9x
        {1, 4, 10, 2701, "", 5, 0, "Windows ME"},
        {1, 4, 90, 3000, "", 5, 0, "Windows ME"},
        {1, 4, 91, 3000, "", 6, 0, "Windows 9x New"},
        {1, 5, 0, 0, "", 6, 0, "Windows 9x New"},
        {1, 3, 95, 0, "", 0, 0, "None"},
        {2, 3, 51, 1057, "", 7, 0, "Windows NT 3"},
        {2, 4, 0, 1381, "Service Pack 6", 8, 6, "Windows NT 4 Service Pack 6"},
        {2, 5, 0, 2195, "", 9, 0, "Windows 2000"},
        {2, 5, 1, 2600, "Service Pack 2", 10, 2, "Windows XP Service Pack 2"},
        {2, 5, 2, 3790, "Service Pack 12", 11, 12, "Windows 2003 Service Pack 12"},
        {2, 5, 3, 0, "", 12, 0, "Windows NT New"},
        {2, 6, 1, 7601, "Service Pack 1", 12, 1, "Windows NT New Service Pack 1"},
        {2, 10, 0, 19045, "", 12, 0, "Windows NT New"},
        {0, 3, 10, 0, "", 0, 0, "None"},
    };
    for (const auto& c : cases) {
        const TOS os = ClassifyOs(c.platform, c.major, c.minor, c.build, c.csd);
        EXPECT_EQ(os.OsEnum, c.os) << c.description;
        EXPECT_EQ(os.ServicePack, c.servicePack) << c.description;
        EXPECT_EQ(os.Description, c.description);
        EXPECT_EQ(os.IsWin9x, c.platform == 1);
        EXPECT_EQ(os.IsWinNT, c.platform == 2);
        EXPECT_EQ(os.Win9xEnum, c.platform == 1 ? c.os : 0);
        EXPECT_EQ(os.WinNTEnum, c.platform == 2 ? c.os : 0);
    }
    EXPECT_EQ(ClassifyOs(1, 4, 10, 0x040A08AE, "").Build, 0x08AEu);
}

TEST(OsClass, VersionTextAndTicks) {
    EXPECT_EQ(FileVersionText(0x0001000200030004ull), "1.2.3.4");
    EXPECT_EQ(FileVersionText(0xFFFF00000000FFFFull), "65535.0.0.65535");
    EXPECT_EQ(TickDelta(0xFFFFFFF0u, 0x10u), 32u);
    EXPECT_EQ(TickDelta(100, 350), 250u);
}
