#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>
#include "framework/Handles.h"

namespace fw {

// One open key at a time under a root (HKEY_CURRENT_USER by default). Reads of a value of the wrong
// type or of more bytes than the caller's field raise ERegistryException; so do failed writes.
class Registry {
public:
    explicit Registry(HKEY root = HKEY_CURRENT_USER) : root_(root) {}

    bool keyExists(const std::string& path) const;
    // Opens `path` (creating it when asked); false when it can't.
    bool openKey(const std::string& path, bool create);
    void closeKey() { key_.reset(); }
    bool deleteKey(const std::string& path);

    bool valueExists(const std::string& name) const;
    std::vector<std::string> valueNames() const;
    bool deleteValue(const std::string& name);

    // An absent value reads as 0 bytes; a non-binary value, or one longer than `size`, raises.
    size_t readBinaryData(const std::string& name, void* buffer, size_t size) const;
    // An absent value, or one that is not a REG_DWORD, raises.
    int32_t readInteger(const std::string& name) const;
    bool readBool(const std::string& name) const { return readInteger(name) != 0; }
    // An absent value reads as empty; a value that is not a string raises.
    std::string readString(const std::string& name) const;

    void writeBinaryData(const std::string& name, const void* data, size_t size);
    void writeInteger(const std::string& name, int32_t value);
    void writeBool(const std::string& name, bool value) { writeInteger(name, value ? 1 : 0); }
    void writeString(const std::string& name, const std::string& value);

private:
    struct Info {
        DWORD type = 0;
        DWORD size = 0;
    };
    bool query(const std::string& name, Info& info) const;
    HKEY current() const;
    void write(const std::string& name, DWORD type, const void* data, size_t size);

    HKEY root_;
    Key key_;
};

} // namespace fw
