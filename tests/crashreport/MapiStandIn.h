#pragma once
// The stand-in for the simple-mail library (tests/helpers/mapi_standin.c), loaded from its own folder before
// the crash reporter looks the library up by its name, which then finds this one loaded. Wine would take
// its own library even for the full path; the stand-in is loaded with that one name set to native first.
#include <windows.h>

#include <mapi.h>

namespace jov::test {

class MapiStandIn {
public:
    explicit MapiStandIn(LPMAPISENDMAIL routine) {
        HKEY overrides = nullptr;
        constexpr char nativeFirst[] = "native,builtin";
        const bool overridden =
            RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", 0, KEY_SET_VALUE, &overrides) ==
                ERROR_SUCCESS &&
            RegSetValueExA(overrides, "mapi32", 0, REG_SZ, reinterpret_cast<const BYTE*>(nativeFirst),
                           sizeof nativeFirst) == ERROR_SUCCESS;
        module_ = LoadLibraryA(MAPI_STANDIN);
        if (overridden) RegDeleteValueA(overrides, "mapi32");
        if (overrides) RegCloseKey(overrides);
        using SetRoutine = void(WINAPI*)(LPMAPISENDMAIL);
        const auto set = reinterpret_cast<SetRoutine>(
            reinterpret_cast<void*>(module_ ? GetProcAddress(module_, "SetMapiSendMail") : nullptr));
        if (set) set(routine);
        loaded_ = set != nullptr;
    }
    ~MapiStandIn() {
        if (module_) FreeLibrary(module_);
    }
    MapiStandIn(const MapiStandIn&) = delete;
    MapiStandIn& operator=(const MapiStandIn&) = delete;
    bool loaded() const { return loaded_; }

private:
    HMODULE module_ = nullptr;
    bool loaded_ = false;
};

} // namespace jov::test
