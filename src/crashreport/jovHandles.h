#pragma once
// Owners of the system handles the crash reporter's mail code opens: each is closed on every path out.
#include <windows.h>

#include <string>

namespace jov {

// A system library loaded for one use and freed again, for routines that not every system has.
class RuntimeLibrary {
public:
    explicit RuntimeLibrary(const std::string& name) : module_(LoadLibraryA(name.c_str())) {}
    ~RuntimeLibrary() {
        if (module_) FreeLibrary(module_);
    }
    RuntimeLibrary(const RuntimeLibrary&) = delete;
    RuntimeLibrary& operator=(const RuntimeLibrary&) = delete;

    // Nil when the library or the routine is missing.
    template <class Routine> Routine Find(const std::string& name) const {
        return module_
                   ? reinterpret_cast<Routine>(reinterpret_cast<void*>(GetProcAddress(module_, name.c_str())))
                   : nullptr;
    }

private:
    HMODULE module_;
};

struct RegistryKey {
    HKEY handle = nullptr;
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() {
        if (handle) RegCloseKey(handle);
    }
};

struct OwnedFile {
    HANDLE handle;
    explicit OwnedFile(HANDLE file) : handle(file) {}
    OwnedFile(const OwnedFile&) = delete;
    OwnedFile& operator=(const OwnedFile&) = delete;
    ~OwnedFile() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
    bool valid() const { return handle != INVALID_HANDLE_VALUE; }
};

} // namespace jov
