#include "Imports.h"

namespace {

using GetLongPathNameFn = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);
using OpenThreadFn = HANDLE(WINAPI*)(DWORD, BOOL, DWORD);

struct Kernel32Imports {
    GetLongPathNameFn getLongPathName = nullptr;
    OpenThreadFn openThread = nullptr;
    Kernel32Imports() {
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        if (!kernel) return;
        getLongPathName = reinterpret_cast<GetLongPathNameFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "GetLongPathNameA")));
        openThread =
            reinterpret_cast<OpenThreadFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "OpenThread")));
    }
};

// Looked up once, thread-safely: list workers call these too.
const Kernel32Imports& imports() {
    static const Kernel32Imports instance;
    return instance;
}

} // namespace

DWORD ImpGetLongPathName(LPCSTR shortPath, LPSTR longPath, DWORD size) {
    return imports().getLongPathName ? imports().getLongPathName(shortPath, longPath, size) : 0;
}

HANDLE ImpOpenThread(DWORD access, BOOL inheritHandle, DWORD threadId) {
    return imports().openThread ? imports().openThread(access, inheritHandle, threadId) : nullptr;
}

void ImpSetWindowTheme(HWND window, LPCWSTR subAppName, LPCWSTR subIdList) {
    using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
    // Loaded once and kept: the GUI thread alone themes its windows.
    static const SetWindowThemeFn setWindowTheme = [] {
        HMODULE uxtheme = LoadLibraryA("uxtheme.dll");
        return uxtheme ? reinterpret_cast<SetWindowThemeFn>(
                             reinterpret_cast<void*>(GetProcAddress(uxtheme, "SetWindowTheme")))
                       : nullptr;
    }();
    if (setWindowTheme) setWindowTheme(window, subAppName, subIdList);
}
