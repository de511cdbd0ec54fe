#pragma once
// Which Windows runs, as a pure function of what the version query reported.
#include <cstdint>
#include <string>

namespace jov {

struct TOS {
    uint32_t MajorVersion = 0;
    uint32_t MinorVersion = 0;
    uint32_t Build = 0; // the low word on the Win9x family
    std::string CsdVersion;
    bool IsWin9x = false;
    uint8_t Win9xEnum = 0;
    bool IsWinNT = false;
    uint8_t WinNTEnum = 0;
    uint8_t OsEnum = 0;
    int32_t ServicePack = 0; // NT family only
    std::string Description;
};

// OS numbers 0-12, "None" to "Windows NT New".
const char* OsDisplayName(uint8_t osEnum);

// Platform 1 is the Win9x family, 2 the NT family.
TOS ClassifyOs(uint32_t platform, uint32_t major, uint32_t minor, uint32_t build, std::string csdVersion);

} // namespace jov
