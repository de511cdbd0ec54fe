#include "core/SettingsRules.h"
#include <algorithm>
#include <cctype>
#include <tuple>

namespace core {

const ByteSetting intFormatSetting{"IntFormat", 2};
const ByteSetting styleSetting{"Style", 1};
const ByteSetting minimizationSetting{"Minimization", 2};
const ByteSetting codeLanguageSetting{"CodeLanguage", 1};

uint8_t OSClassFromVersion(uint32_t platformId, uint32_t majorVersion) {
    const uint32_t platformNT = 2;
    if (majorVersion <= 3) return osUnsupported;
    return platformId == platformNT && majorVersion > 4 ? osSupported : osUnsupported;
}

CommandLineFlags ParseCommandLine(const std::vector<std::string>& parameters) {
    CommandLineFlags flags;
    for (std::string p : parameters) {
        std::transform(p.begin(), p.end(), p.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        if (p == "-reset") flags.reset = true;
        if (p == "-config") flags.showDialog = true;
    }
    return flags;
}

FileVersion VersionFromBytes(const uint8_t* bytes, size_t size) {
    uint8_t full[storedVersionSize] = {};
    std::copy_n(bytes, std::min(size, storedVersionSize), full);
    auto word = [&](int i) { return uint16_t(full[2 * i] | full[2 * i + 1] << 8); };
    return {word(0), word(1), word(2), word(3)};
}

void VersionToBytes(const FileVersion& v, uint8_t (&bytes)[storedVersionSize]) {
    const uint16_t words[] = {v.major, v.minor, v.release, v.build};
    for (int i = 0; i < 4; ++i) {
        bytes[2 * i] = uint8_t(words[i]);
        bytes[2 * i + 1] = uint8_t(words[i] >> 8);
    }
}

int CompareVersions(const FileVersion& a, const FileVersion& b) {
    auto key = [](const FileVersion& v) { return std::tie(v.major, v.minor, v.release, v.build); };
    return key(a) < key(b) ? -1 : key(b) < key(a) ? 1 : 0;
}

} // namespace core
