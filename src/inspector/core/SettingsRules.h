#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The pure decisions of start-up and of the settings store, apart from the registry and the system.
namespace core {

enum : uint8_t { osSupported = 1, osUnsupported = 2 };

// NT platform (2) with major version 5 or higher is supported; major version 3 or lower never is.
uint8_t OSClassFromVersion(uint32_t platformId, uint32_t majorVersion);

struct CommandLineFlags {
    bool reset = false;      // "-reset": defaults instead of the registry
    bool showDialog = false; // "-config": the settings dialog before the main form
};
// Parameters are compared lower-cased, as whole words; others are ignored.
CommandLineFlags ParseCommandLine(const std::vector<std::string>& parameters);

struct FileVersion {
    uint16_t major = 0, minor = 0, release = 0, build = 0;
};
constexpr size_t storedVersionSize = 8;
// Four little-endian words; a short or absent value leaves the missing words 0.
FileVersion VersionFromBytes(const uint8_t* bytes, size_t size);
void VersionToBytes(const FileVersion& version, uint8_t (&bytes)[storedVersionSize]);
// Field by field: major, then minor, release, build. Negative, 0 or positive.
int CompareVersions(const FileVersion& a, const FileVersion& b);

// A one-byte setting stored as REG_BINARY, with the largest value it may hold.
struct ByteSetting {
    const char* name;
    uint8_t maximum;
};
// IntFormat, Style, Minimization, CodeLanguage, in the order they are read and written.
extern const ByteSetting intFormatSetting, styleSetting, minimizationSetting, codeLanguageSetting;
// A stored byte outside its field's range counts as damaged.
inline bool ByteInRange(const ByteSetting& setting, uint8_t value) {
    return value <= setting.maximum;
}

} // namespace core
