#pragma once
// A system library loaded for one use and freed again, for routines that not every system has.
#include <windows.h>

#include <string>

namespace jov {

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

} // namespace jov
