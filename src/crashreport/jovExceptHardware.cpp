#include "crashreport/jovExceptHardware.h"

#include "crashreport/core/HardwareList.h"
#include "crashreport/core/TextHelpers.h"

#include <windows.h>

#include <vector>

namespace jov {
namespace {

// The setup functions' own types, looked up at run time: the library is not linked.
struct DeviceInfoData {
    DWORD cbSize;
    GUID ClassGuid;
    DWORD DevInst;
    ULONG_PTR Reserved;
};
using GetClassDevsProc = HANDLE(WINAPI*)(const GUID*, const char*, HWND, DWORD);
using DestroyListProc = BOOL(WINAPI*)(HANDLE);
using EnumDeviceInfoProc = BOOL(WINAPI*)(HANDLE, DWORD, DeviceInfoData*);
using GetPropertyProc = BOOL(WINAPI*)(HANDLE, DeviceInfoData*, DWORD, DWORD*, BYTE*, DWORD, DWORD*);

constexpr DWORD DigcfPresent = 0x2, DigcfAllClasses = 0x4;
constexpr DWORD SpdrpDeviceDesc = 0x0, SpdrpHardwareId = 0x1, SpdrpClass = 0x7, SpdrpClassGuid = 0x8,
                SpdrpDriver = 0x9, SpdrpFriendlyName = 0xC;
constexpr char ClassKeys[] = "System\\CurrentControlSet\\Control\\Class\\";

class Library {
public:
    explicit Library(const char* name) : module_(LoadLibraryA(name)) {}
    ~Library() {
        if (module_) FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    template <typename T> T Get(const char* name) const {
        return module_ ? reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module_, name)))
                       : nullptr;
    }

private:
    HMODULE module_;
};

// value null: the key's default value. Empty when missing or not text.
std::string RegistryText(const std::string& key, const char* value) {
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return {};
    std::string text;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(handle, value, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
        std::vector<char> buffer(size + 1, 0);
        if (RegQueryValueExA(handle, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) ==
            ERROR_SUCCESS)
            text = buffer.data();
    }
    RegCloseKey(handle);
    return text;
}

bool IsHiddenDriver(const std::string& key) {
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    DWORD characteristics = 0, size = sizeof characteristics, type = 0;
    const bool hidden = RegQueryValueExA(handle, "Characteristics", nullptr, &type,
                                         reinterpret_cast<BYTE*>(&characteristics), &size) == ERROR_SUCCESS &&
                        size == 4 && (characteristics & 8) != 0;
    RegCloseKey(handle);
    return hidden;
}

class DeviceSet {
public:
    DeviceSet(GetPropertyProc property, HANDLE set) : property_(property), set_(set) {}
    // Multi-string properties give their first string.
    std::string Property(DeviceInfoData& device, DWORD code) const {
        DWORD type = 0, size = 0;
        property_(set_, &device, code, &type, nullptr, 0, &size);
        if (size == 0) return {};
        std::vector<BYTE> buffer(size * 2, 0);
        if (!property_(set_, &device, code, &type, buffer.data(), size * 2, &size)) return {};
        return reinterpret_cast<const char*>(buffer.data());
    }

private:
    GetPropertyProc property_;
    HANDLE set_;
};

void ListHardwareNT(HardwareList& list) {
    Library setup("setupapi.dll");
    auto getClassDevs = setup.Get<GetClassDevsProc>("SetupDiGetClassDevsA");
    auto destroy = setup.Get<DestroyListProc>("SetupDiDestroyDeviceInfoList");
    auto enumerate = setup.Get<EnumDeviceInfoProc>("SetupDiEnumDeviceInfo");
    auto property = setup.Get<GetPropertyProc>("SetupDiGetDeviceRegistryPropertyA");
    if (!getClassDevs || !destroy || !enumerate || !property) return;
    HANDLE set = getClassDevs(nullptr, nullptr, nullptr, DigcfPresent | DigcfAllClasses);
    if (set == INVALID_HANDLE_VALUE) return;
    const DeviceSet devices(property, set);
    DeviceInfoData device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; enumerate(set, index, &device); ++index) {
        const std::string deviceClass = devices.Property(device, SpdrpClass);
        if (deviceClass == "LegacyDriver" || deviceClass == "Unknown" || deviceClass == "Volume") continue;
        const std::string hardwareId = devices.Property(device, SpdrpHardwareId);
        if (SameTextNoCase(hardwareId.substr(0, 3), "sw\\")) continue;
        const std::string guid = devices.Property(device, SpdrpClassGuid);
        std::string className = guid.empty() ? std::string() : RegistryText(ClassKeys + guid, nullptr);
        if (className.empty()) className = guid;
        if (className.empty()) continue;
        std::string description = devices.Property(device, SpdrpFriendlyName);
        if (description.empty()) description = devices.Property(device, SpdrpDeviceDesc);
        const std::string driver = devices.Property(device, SpdrpDriver);
        const std::string driverKey = driver.empty() ? std::string() : ClassKeys + driver;
        if (!driverKey.empty() && IsHiddenDriver(driverKey)) continue;
        AddHardwareDevice(list, className, description, driverKey);
    }
    destroy(set);
}

} // namespace

// This build runs only on the NT family, so the Win9x configuration-manager keys are never read.
std::string ComposeHardwareSection() {
    HardwareList list;
    ListHardwareNT(list);
    return HardwareSectionText(list, RegistryText);
}

} // namespace jov
