#include "support/ProcessDriver.h"
#include <vector>

namespace testing_support {

ChildProcess::ChildProcess(const std::string& commandLine,
                           const std::function<void(HANDLE process)>& beforeItRuns) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    const DWORD flags = beforeItRuns ? CREATE_SUSPENDED : 0;
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &si, &pi)) {
        if (beforeItRuns) {
            beforeItRuns(pi.hProcess);
            ResumeThread(pi.hThread);
        }
        CloseHandle(pi.hThread);
        process_ = pi.hProcess;
        id_ = pi.dwProcessId;
    }
}

ChildProcess::~ChildProcess() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

long ChildProcess::waitExit(DWORD ms) {
    if (!process_ || WaitForSingleObject(process_, ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return long(code);
}

namespace {
struct Search {
    DWORD pid;
    const char* className;
    const char* caption;
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK match(HWND hwnd, LPARAM param) {
    auto& s = *reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s.pid || (s.visibleOnly && !IsWindowVisible(hwnd))) return TRUE;
    char text[256] = {};
    GetClassNameA(hwnd, text, sizeof text);
    if (lstrcmpA(text, s.className) != 0) return TRUE;
    if (s.caption) {
        GetWindowTextA(hwnd, text, sizeof text);
        if (lstrcmpA(text, s.caption) != 0) return TRUE;
    }
    s.found = hwnd;
    return FALSE;
}
} // namespace

HWND ChildProcess::findWindow(const char* className, const char* caption, bool visibleOnly) const {
    Search s{id_, className, caption, visibleOnly, nullptr};
    EnumWindows(match, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND ChildProcess::waitWindow(const char* className, const char* caption, DWORD ms) const {
    DWORD start = GetTickCount();
    do {
        if (HWND hwnd = findWindow(className, caption)) return hwnd;
        if (WaitForSingleObject(process_, 50) == WAIT_OBJECT_0) return nullptr;
    } while (GetTickCount() - start < ms);
    return nullptr;
}

void WriteProgramSettings() {
    const char* key = "Software\\Lintra\\Ostrel";
    RegDeleteTreeA(HKEY_CURRENT_USER, key);
    HKEY k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
        return;
    auto binary = [&](const char* name, std::vector<BYTE> data) {
        RegSetValueExA(k, name, 0, REG_BINARY, data.data(), DWORD(data.size()));
    };
    auto flag = [&](const char* name, DWORD value) {
        RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), sizeof value);
    };
    binary("IntFormat", {1});
    binary("Style", {0});
    binary("Minimization", {0});
    binary("Version", {1, 0, 0, 0, 0, 0, 0, 0});
    binary("HotKey", {0x79, 0x40});
    binary("CodeLanguage", {1});
    for (const char* name : {"AppBarDocking", "StayOnTop", "UseHotKey", "SaveDesktopIcons"}) flag(name, 0);
    flag("MainFinder", 1);
    RegCloseKey(k);
}

void WriteProgramSetting(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Lintra\\Ostrel", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

std::string SiblingPath(const std::string& name) {
    char path[MAX_PATH] = {};
    std::string self(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return self.substr(0, self.find_last_of('\\') + 1) + name;
}

std::string BuildPath(const std::string& name) {
    return std::string(OSTREL_BUILD_DIR) + "\\" + name;
}

} // namespace testing_support
