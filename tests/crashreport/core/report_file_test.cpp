#include <gtest/gtest.h>
#include "crashreport/core/ReportFile.h"

using namespace jov;

namespace {

// A report as the composer starts it: the header's first line, then lines that name "date/time" again.
std::string report(size_t size) {
    std::string text = "date/time         : 2026-12-09 10:00\r\n"
                       "exec. date/time   : 2026-12-01 09:00\r\n"
                       "module date/time  : 2026-12-01 09:00\r\n";
    text.resize(size - 4, 'x');
    return text + "\r\n\r\n";
}

long long trim(const std::string& file, long long cap) {
    return ReportTrimOffset({file.data(), file.size()}, cap);
}

} // namespace

TEST(ReportFile, NamesAndFolders) {
    EXPECT_EQ(BugReportFileName("%appname%.txt", "C:\\Tools\\crash.app.exe"), "crash.app.txt");
    EXPECT_EQ(BugReportFileName("logs\\%appname%-%appname%.log", "ostrel"), "logs\\ostrel-ostrel.log");
    EXPECT_EQ(BugReportFileName("bugreport.txt", "C:\\a.exe"), "bugreport.txt");
    struct {
        const char* name;
        bool relative;
    } names[] = {{"bugreport.txt", true}, {"C:\\r.txt", false}, {"\\\\server\\r.txt", false},
                 {"\\r.txt", false},      {"ab", true},         {"C:", true}};
    for (auto& n : names) EXPECT_EQ(IsRelativeReportName(n.name), n.relative) << n.name;
    EXPECT_EQ(FolderOf("C:\\Tools\\ostrel.exe"), "C:\\Tools\\");
    EXPECT_EQ(FolderOf("ostrel.exe"), "");
}

TEST(ReportFile, GrownFileLosesWholeReportsFromItsStart) {
    std::string file;
    for (int i = 0; i < 12; ++i) file += report(10000); // 120000 bytes after the last append
    long long cut = trim(file, 100000);
    ASSERT_GE(cut, 0);
    EXPECT_LT(static_cast<long long>(file.size()) - cut, 75000);
    EXPECT_EQ(file.compare(size_t(cut), 9, "date/time"), 0);
    EXPECT_EQ(cut, 50000) << "the first report start with less than 75000 bytes behind it";

    EXPECT_EQ(trim(file, 0), -1) << "cap 0 is handled by overwriting";
    EXPECT_EQ(trim(file.substr(0, 90000), 100000), -1) << "under the cap";
    std::string bigNewest = report(10000) + report(30000) + report(80000);
    EXPECT_EQ(trim(bigNewest, 100000), -1) << "the newest report alone is too long to keep under the cap";
}

TEST(ReportFile, OnlyAReportsFirstHeaderLineIsACutPoint) {
    // The only "date/time" with little enough behind it lies inside a header, after "exec. ".
    std::string file = report(60000) + std::string(60000 - 200, 'y') + "\r\nexec. date/time    : 1\r\n" +
                       std::string(150, 'z');
    EXPECT_EQ(trim(file, 100000), -1) << "cutting there would leave a broken report";
    std::string glued = "xdate/time" + std::string(120000, 'q');
    EXPECT_EQ(trim(glued, 100000), -1);
}

TEST(ReportFile, PrintMargins) {
    // A 600 dpi A4 page: 4960 x 7016 pixels on 210 x 297 mm, printable area offset by 100 pixels.
    PrintLayout page = ComputePrintLayout({4960, 7016, 210, 297, 100, 100});
    EXPECT_EQ(page.Top, (70160 + 148) / 297 - 100);
    EXPECT_EQ(page.Bottom, 7016 - 2 * page.Top);
    EXPECT_EQ(page.Left, (99200 + 105) / 210 - 100);
    EXPECT_EQ(page.Width, 4960 + 100 - page.Left - (49600 + 105) / 210);
    PrintLayout none = ComputePrintLayout({});
    EXPECT_EQ(none.Width, 0);
}
