// The window-subclass calls of comctl32 are exported by name only from its version 6; the version 5.8 a
// program without a version-6 manifest gets (Windows 2000 and XP) exports them by ordinal alone, and the
// loader refuses an executable that imports them by name. These definitions take the place of the import
// entries and of the import library's thunks: each resolves its function by ordinal on first use. Linked
// as an object of the executable.
#include <windows.h>
#include <commctrl.h>

namespace {

FARPROC comctl32(WORD ordinal) {
    HMODULE module = GetModuleHandleA("comctl32.dll");
    if (!module) module = LoadLibraryA("comctl32.dll");
    return module ? GetProcAddress(module, MAKEINTRESOURCEA(ordinal)) : nullptr;
}

using SetSubclass = BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR);
using RemoveSubclass = BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR);
using DefSubclass = LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM);

BOOL WINAPI resolveSetSubclass(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR);
BOOL WINAPI resolveRemoveSubclass(HWND, SUBCLASSPROC, UINT_PTR);
LRESULT WINAPI resolveDefSubclass(HWND, UINT, WPARAM, LPARAM);

} // namespace

extern "C" {
SetSubclass importSetWindowSubclass __asm__("__imp__SetWindowSubclass@16") = resolveSetSubclass;
RemoveSubclass importRemoveWindowSubclass __asm__("__imp__RemoveWindowSubclass@12") = resolveRemoveSubclass;
DefSubclass importDefSubclassProc __asm__("__imp__DefSubclassProc@16") = resolveDefSubclass;
}

namespace {

// Without the functions no subclass is ever installed, so the default procedure is never asked for.
BOOL WINAPI noSetSubclass(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR) {
    return FALSE;
}
BOOL WINAPI noRemoveSubclass(HWND, SUBCLASSPROC, UINT_PTR) {
    return FALSE;
}

template <class F> F resolve(WORD ordinal, F fallback) {
    auto found = reinterpret_cast<F>(reinterpret_cast<void*>(comctl32(ordinal)));
    return found ? found : fallback;
}

BOOL WINAPI resolveSetSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data) {
    importSetWindowSubclass = resolve<SetSubclass>(410, noSetSubclass);
    return importSetWindowSubclass(window, procedure, id, data);
}

BOOL WINAPI resolveRemoveSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id) {
    importRemoveWindowSubclass = resolve<RemoveSubclass>(412, noRemoveSubclass);
    return importRemoveWindowSubclass(window, procedure, id);
}

LRESULT WINAPI resolveDefSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    importDefSubclassProc = resolve<DefSubclass>(413, DefWindowProcA);
    return importDefSubclassProc(window, message, wParam, lParam);
}

} // namespace

// Calls that name the functions directly land here rather than at the import library's thunks.
extern "C" {
BOOL WINAPI SetWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data) {
    return importSetWindowSubclass(window, procedure, id, data);
}
BOOL WINAPI RemoveWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id) {
    return importRemoveWindowSubclass(window, procedure, id);
}
LRESULT WINAPI DefSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return importDefSubclassProc(window, message, wParam, lParam);
}
}
