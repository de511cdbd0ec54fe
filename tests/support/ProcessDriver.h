#pragma once
#include <windows.h>
#include <functional>
#include <string>

namespace testing_support {

// A program started by a test and driven from outside, as a user's tools would: find its windows,
// post messages to them, wait for it to end. Killed on destruction if still running.
class ChildProcess {
public:
    // `beforeItRuns`, when given, gets the process before its first instruction runs.
    explicit ChildProcess(const std::string& commandLine,
                          const std::function<void(HANDLE process)>& beforeItRuns = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return process_ != nullptr; }
    bool alive() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
    DWORD id() const { return id_; }
    // The exit code, or -1 when the program still runs after `ms` milliseconds.
    long waitExit(DWORD ms);
    // A visible top-level window of this process with the class (and caption, when given), or 0.
    HWND waitWindow(const char* className, const char* caption, DWORD ms) const;
    HWND findWindow(const char* className, const char* caption, bool visibleOnly = true) const;

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Replaces the program's settings by a complete set that starts it without questions: the main window
// with its finder panel, not docked, numbers as "$" and 8 hexadecimal digits.
void WriteProgramSettings();
// Writes one value of the program's settings over that set.
void WriteProgramSetting(const char* name, DWORD type, const void* data, DWORD size);

// Path of a file in the win32 build folder, as Windows sees it.
std::string BuildPath(const std::string& name);
// Path of a file beside the running test executable.
std::string SiblingPath(const std::string& name);

} // namespace testing_support
