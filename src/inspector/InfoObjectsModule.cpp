#include "InfoObjects.h"

#include "core/DisplayFormat.h"

#include <cstdio>
#include <cstring>

#define OSTREL_PROPERTY(name) OSTREL_PUBLISHED(TModuleInfoObject, name)

std::span<const TPropertyInfo> TModuleInfoObject::Table() {
    static const TPropertyInfo table[] = {
        OSTREL_PROPERTY(ModuleName),      OSTREL_PROPERTY(ModulePath),       OSTREL_PROPERTY(Version),
        OSTREL_PROPERTY(Comments),        OSTREL_PROPERTY(InternalName),     OSTREL_PROPERTY(ProductName),
        OSTREL_PROPERTY(CompanyName),     OSTREL_PROPERTY(LegalCopyright),   OSTREL_PROPERTY(ProductVersion),
        OSTREL_PROPERTY(FileDescription), OSTREL_PROPERTY(LegalTrademarks),  OSTREL_PROPERTY(PrivateBuild),
        OSTREL_PROPERTY(FileVersion),     OSTREL_PROPERTY(OriginalFilename), OSTREL_PROPERTY(SpecialBuild),
    };
    return table;
}

TModuleInfoObject::TModuleInfoObject(std::string path) : TBasicInfo(ltModules), Path(std::move(path)) {}

bool TModuleInfoObject::LoadVersionInfo() {
    // The file is asked once per object, also when it has no block.
    if (VersionInfoRead) return !VersionInfo.empty();
    VersionInfoRead = true;
    DWORD unused = 0;
    DWORD size = GetFileVersionInfoSizeA(Path.c_str(), &unused);
    if (size == 0) return false;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoA(Path.c_str(), 0, size, block.data())) return false;
    VersionInfo = std::move(block);
    void* translation = nullptr;
    UINT length = 0;
    // Language and code page, two 16-bit words; a shorter entry is no translation.
    if (!VerQueryValueA(VersionInfo.data(), "\\VarFileInfo\\Translation", &translation, &length) ||
        !translation || length < 4)
        return true;
    WORD language, codePage;
    std::memcpy(&language, translation, 2);
    std::memcpy(&codePage, static_cast<BYTE*>(translation) + 2, 2);
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%.8lx\\",
                  static_cast<unsigned long>(language) << 16 | codePage);
    VersionPrefix = prefix;
    HasTranslation = true;
    return true;
}

std::string TModuleInfoObject::GetVersionString(const std::string& key) {
    if (!LoadVersionInfo() || !HasTranslation) return TextUnavailable;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(VersionInfo.data(), (VersionPrefix + key).c_str(), &value, &length) || !value)
        return TextUnavailable;
    // Never read past the value or the block, whatever terminator the file has.
    const char* text = static_cast<const char*>(value);
    const BYTE* end = VersionInfo.data() + VersionInfo.size();
    size_t limit =
        text >= reinterpret_cast<const char*>(VersionInfo.data()) && text < reinterpret_cast<const char*>(end)
            ? std::min<size_t>(length, reinterpret_cast<const char*>(end) - text)
            : 0;
    std::string result(text, strnlen(text, limit));
    return result.empty() ? std::string(TextNone) : result;
}

fw::Value TModuleInfoObject::ReadModuleName() {
    return Path;
}
fw::Value TModuleInfoObject::ReadModulePath() {
    return ExtractFilePathDef(Path, "");
}

fw::Value TModuleInfoObject::ReadVersion() {
    void* value = nullptr;
    UINT length = 0;
    if (!LoadVersionInfo() || !VerQueryValueA(VersionInfo.data(), "\\", &value, &length) || !value ||
        length < sizeof(VS_FIXEDFILEINFO))
        return TextUnavailable;
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, value, sizeof info);
    return fw::Value::Int64(
        static_cast<std::int64_t>(std::uint64_t(info.dwFileVersionMS) << 32 | info.dwFileVersionLS));
}

fw::Value TModuleInfoObject::ReadComments() {
    return GetVersionString("Comments");
}
fw::Value TModuleInfoObject::ReadInternalName() {
    return GetVersionString("InternalName");
}
fw::Value TModuleInfoObject::ReadProductName() {
    return GetVersionString("ProductName");
}
fw::Value TModuleInfoObject::ReadCompanyName() {
    return GetVersionString("CompanyName");
}
fw::Value TModuleInfoObject::ReadLegalCopyright() {
    return GetVersionString("LegalCopyright");
}
fw::Value TModuleInfoObject::ReadProductVersion() {
    return GetVersionString("ProductVersion");
}
fw::Value TModuleInfoObject::ReadFileDescription() {
    return GetVersionString("FileDescription");
}
fw::Value TModuleInfoObject::ReadLegalTrademarks() {
    return GetVersionString("LegalTrademarks");
}
fw::Value TModuleInfoObject::ReadPrivateBuild() {
    return GetVersionString("PrivateBuild");
}
fw::Value TModuleInfoObject::ReadFileVersion() {
    return GetVersionString("FileVersion");
}
fw::Value TModuleInfoObject::ReadOriginalFilename() {
    return GetVersionString("OriginalFilename");
}
fw::Value TModuleInfoObject::ReadSpecialBuild() {
    return GetVersionString("SpecialBuild");
}
