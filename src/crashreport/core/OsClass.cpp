#include "crashreport/core/OsClass.h"

#include "crashreport/core/NumberText.h"

#include <iterator>

namespace jov {
namespace {

uint8_t Win9xNumber(uint32_t major, uint32_t minor, uint32_t build) {
    if (major <= 3) return 0;
    if (major > 4) return 6;
    if (minor < 10) return build <= 1000 ? 1 : 2;
    if (minor == 10) return build > 2700 ? 5 : build <= 2000 ? 3 : 4;
    return minor <= 90 ? 5 : 6;
}

uint8_t NtNumber(uint32_t major, uint32_t minor) {
    if (major < 4) return 7;
    if (major == 4) return 8;
    if (major == 5 && minor <= 2) return static_cast<uint8_t>(9 + minor);
    return 12;
}

} // namespace

const char* OsDisplayName(uint8_t osEnum) {
    static const char* const names[] = {"None",          "Windows 95",   "Windows 95 OSR-2", "Windows 98",
                                        "Windows 98 SE", "Windows ME",   "Windows 9x New",   "Windows NT 3",
                                        "Windows NT 4",  "Windows 2000", "Windows XP",       "Windows 2003",
                                        "Windows NT New"};
    return osEnum < std::size(names) ? names[osEnum] : names[0];
}

TOS ClassifyOs(uint32_t platform, uint32_t major, uint32_t minor, uint32_t build, std::string csdVersion) {
    TOS os;
    os.MajorVersion = major;
    os.MinorVersion = minor;
    os.CsdVersion = std::move(csdVersion);
    os.IsWin9x = platform == 1;
    os.IsWinNT = platform == 2;
    os.Build = os.IsWin9x ? (build & 0xFFFF) : build;
    if (os.IsWin9x) os.OsEnum = os.Win9xEnum = Win9xNumber(major, minor, os.Build);
    if (os.IsWinNT) {
        os.OsEnum = os.WinNTEnum = NtNumber(major, minor);
        // "Service Pack " is 13 characters; the number follows.
        if (os.CsdVersion.size() > 13)
            os.ServicePack =
                TextToInt(false, os.CsdVersion.data() + 13, static_cast<int>(os.CsdVersion.size() - 13));
    }
    os.Description = OsDisplayName(os.OsEnum);
    if (os.IsWinNT && !os.CsdVersion.empty()) os.Description += " " + os.CsdVersion;
    return os;
}

} // namespace jov
