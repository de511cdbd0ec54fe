#include "framework/ClassicLook.h"

namespace fw {

void useClassicLook(HWND control) {
    // Looked up at run time: systems before themes lack the library.
    using SetWindowThemeFunction = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
    static const SetWindowThemeFunction setWindowTheme = []() -> SetWindowThemeFunction {
        HMODULE uxtheme = LoadLibraryA("uxtheme.dll");
        return uxtheme ? reinterpret_cast<SetWindowThemeFunction>(
                             reinterpret_cast<void*>(GetProcAddress(uxtheme, "SetWindowTheme")))
                       : nullptr;
    }();
    // A blank name matches no theme (an empty one is refused).
    if (setWindowTheme) setWindowTheme(control, L" ", L" ");
}

} // namespace fw
