#include "crashreport/jovToolsHelpers.h"

#include "crashreport/jovExceptThreads.h"
#include "crashreport/jovTools.h"

#include <cstring>
#include <vector>

namespace jov {

int64_t NowInSeconds() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    FILETIME file;
    if (!SystemTimeToFileTime(&now, &file)) return 0;
    return static_cast<int64_t>((static_cast<uint64_t>(file.dwHighDateTime) << 32 | file.dwLowDateTime) /
                                10'000'000);
}

std::string ModuleFileName(HMODULE module) {
    char name[MAX_PATH + 1];
    const DWORD length = GetModuleFileNameA(module, name, MAX_PATH);
    return std::string(name, length > MAX_PATH ? MAX_PATH : length);
}

std::string ComputerName() {
    char name[MAX_PATH];
    DWORD length = sizeof name;
    return GetComputerNameA(name, &length) ? std::string(name, length) : std::string();
}

std::string ReadRegistryString(HKEY root, const char* keyPath, const char* valueName) {
    HKEY key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    std::string text;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && size) {
        // Twice the size: a string value stored without its terminating zero still ends in one.
        std::vector<char> buffer(size * 2, 0);
        DWORD length = size * 2;
        if (RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                             &length) == ERROR_SUCCESS)
            text = type == REG_SZ ? std::string(buffer.data()) : std::string(buffer.data(), length);
    }
    RegCloseKey(key);
    return text;
}

bool IsConsoleProgram() {
    IMAGE_NT_HEADERS headers;
    return CopyImageNtHeaders(GetModuleHandleA(nullptr), headers) &&
           headers.OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI;
}

bool CopyToClipboard(const std::string& text) {
    // The clipboard's owner may be a thread a report holds: emptying the clipboard would wait for it.
    ResumedThreads running;
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    if (!OpenClipboard(nullptr)) return false;
    bool done = false;
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1)) {
        if (void* data = GlobalLock(memory)) {
            std::memcpy(data, text.c_str(), text.size() + 1);
            GlobalUnlock(memory);
            done = SetClipboardData(CF_TEXT, memory) != nullptr;
        }
        if (!done) GlobalFree(memory);
    }
    CloseClipboard();
    return done;
}

} // namespace jov
