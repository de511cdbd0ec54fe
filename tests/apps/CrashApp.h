#pragma once
// What the crash programs share: settings for a console program that reports to standard output, and
// output that reaches the runner in order even when the process ends abruptly.
#include "crashreport/jovTypes.h"

#include <windows.h>

#include <string>

namespace crashapp {

constexpr jov::CrashSettings ConsoleSettings() {
    jov::CrashSettings settings;
    settings.FreezeTimeout = 0; // a crash program never waits long enough to freeze
    return settings;
}

// The main thread keeps dispatching its messages while its report runs: no thread is held.
constexpr jov::CrashSettings UnheldSettings() {
    jov::CrashSettings settings = ConsoleSettings();
    settings.PauseThreads = false;
    return settings;
}

// Written straight to the handle: the crash reporter ends processes without flushing the C runtime.
inline void Say(const std::string& line) {
    const std::string text = line + "\r\n";
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
              nullptr);
}

inline DWORD RunThread(LPTHREAD_START_ROUTINE routine, void* parameter = nullptr) {
    HANDLE thread = CreateThread(nullptr, 0, routine, parameter, 0, nullptr);
    if (!thread) return 0xFFFFFFFF;
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code;
}

// A message-only window of the procedure, made once per program.
inline HWND MessageWindow(WNDPROC procedure) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "CrashAppWindow";
    RegisterClassA(&windowClass);
    return CreateWindowA("CrashAppWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

} // namespace crashapp
