#include "framework/Registry.h"
#include "framework/Exceptions.h"
#include <algorithm>

namespace fw {

namespace {
[[noreturn]] void fail(const std::string& what, const std::string& name) {
    throw ERegistryException(what + " '" + name + "'");
}

// Windows 2000 has no RegDeleteTree: the subkeys go first, deepest first.
LONG deleteTree(HKEY parent, const std::string& path) {
    HKEY opened = nullptr;
    LONG r = RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ | KEY_WRITE, &opened);
    if (r != ERROR_SUCCESS) return r;
    Key key(opened);
    char name[256]; // key names have at most 255 characters
    do {
        DWORD size = sizeof name;
        r = RegEnumKeyExA(key.get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_SUCCESS) r = deleteTree(key.get(), name);
    } while (r == ERROR_SUCCESS);
    if (r != ERROR_NO_MORE_ITEMS) return r;
    key.reset();
    return RegDeleteKeyA(parent, path.c_str());
}
} // namespace

HKEY Registry::current() const {
    if (!key_) throw ERegistryException("No registry key is open");
    return key_.get();
}

bool Registry::keyExists(const std::string& path) const {
    HKEY k = nullptr;
    if (RegOpenKeyExA(root_, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

bool Registry::openKey(const std::string& path, bool create) {
    HKEY k = nullptr;
    LONG r = create
                 ? RegCreateKeyExA(root_, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr)
                 : RegOpenKeyExA(root_, path.c_str(), 0, KEY_ALL_ACCESS, &k);
    if (r != ERROR_SUCCESS) return false;
    key_.reset(k);
    return true;
}

bool Registry::deleteKey(const std::string& path) {
    return deleteTree(root_, path) == ERROR_SUCCESS;
}

bool Registry::query(const std::string& name, Info& info) const {
    return RegQueryValueExA(current(), name.c_str(), nullptr, &info.type, nullptr, &info.size) ==
           ERROR_SUCCESS;
}

bool Registry::valueExists(const std::string& name) const {
    Info info;
    return query(name, info);
}

std::vector<std::string> Registry::valueNames() const {
    std::vector<std::string> names;
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        LONG r = RegEnumValueA(current(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r == ERROR_SUCCESS) names.emplace_back(name, length);
    }
    return names;
}

bool Registry::deleteValue(const std::string& name) {
    return RegDeleteValueA(current(), name.c_str()) == ERROR_SUCCESS;
}

size_t Registry::readBinaryData(const std::string& name, void* buffer, size_t size) const {
    Info info;
    if (!query(name, info)) return 0;
    if (info.type != REG_BINARY && info.type != REG_NONE) fail("Invalid data type for", name);
    if (info.size > size) fail("Invalid data size for", name);
    DWORD got = info.size;
    if (RegQueryValueExA(current(), name.c_str(), nullptr, nullptr, static_cast<BYTE*>(buffer), &got) !=
        ERROR_SUCCESS)
        fail("Failed to get data for", name);
    return got;
}

int32_t Registry::readInteger(const std::string& name) const {
    Info info;
    if (!query(name, info)) fail("Failed to get data for", name);
    if (info.type != REG_DWORD || info.size != sizeof(DWORD)) fail("Invalid data type for", name);
    DWORD value = 0, got = sizeof value;
    if (RegQueryValueExA(current(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &got) !=
        ERROR_SUCCESS)
        fail("Failed to get data for", name);
    return static_cast<int32_t>(value);
}

std::string Registry::readString(const std::string& name) const {
    Info info;
    if (!query(name, info)) return {};
    if (info.type != REG_SZ && info.type != REG_EXPAND_SZ) fail("Invalid data type for", name);
    std::string text(info.size, '\0');
    DWORD got = info.size;
    if (RegQueryValueExA(current(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()),
                         &got) != ERROR_SUCCESS)
        fail("Failed to get data for", name);
    text.resize(std::min<size_t>(got, text.size()));
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

void Registry::write(const std::string& name, DWORD type, const void* data, size_t size) {
    if (RegSetValueExA(current(), name.c_str(), 0, type, static_cast<const BYTE*>(data), DWORD(size)) !=
        ERROR_SUCCESS)
        fail("Failed to set data for", name);
}

void Registry::writeBinaryData(const std::string& name, const void* data, size_t size) {
    write(name, REG_BINARY, data, size);
}

void Registry::writeInteger(const std::string& name, int32_t value) {
    write(name, REG_DWORD, &value, sizeof value);
}

void Registry::writeString(const std::string& name, const std::string& value) {
    write(name, REG_SZ, value.c_str(), value.size() + 1);
}

} // namespace fw
