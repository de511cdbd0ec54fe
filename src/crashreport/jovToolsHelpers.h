#pragma once
// Small helpers of the crash reporter over the system: time, names, registry, clipboard, stack.
#include "crashreport/core/PathText.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace jov {

// Whole seconds since 1601-01-01 UTC: the unit of the exception-time history.
int64_t NowInSeconds();
// Full file name of a module (nil: the executable), at most 260 characters.
std::string ModuleFileName(HMODULE module);
std::string ComputerName();
// A registry value as text; empty on any failure.
std::string ReadRegistryString(HKEY root, const char* keyPath, const char* valueName);
// The executable runs in the console subsystem.
bool IsConsoleProgram();
// Puts the text on the clipboard as CF_TEXT; false when the clipboard cannot be had.
bool CopyToClipboard(const std::string& text);
// NT_TIB.StackBase of the calling thread (fs:[4]); read directly, as the header's accessor trips gcc's
// array-bounds check.
inline const void* OwnStackBase() {
    const void* base;
    asm volatile("movl %%fs:4, %0" : "=r"(base));
    return base;
}

} // namespace jov
