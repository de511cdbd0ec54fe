#pragma once
// Starts the sleeper helper from the test executable's folder; whatever is left of it is killed at the end.
#include "framework/Handles.h"

#include <windows.h>

#include <string>

class ChildProcess {
public:
    explicit ChildProcess(const std::string& arguments = {}) {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string command = path;
        std::string exe = command.substr(0, command.find_last_of('\\') + 1) + "ostrel_sleeper.exe";
        command = "\"" + exe + "\" " + arguments;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        if (CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &info)) {
            process_.reset(info.hProcess);
            CloseHandle(info.hThread);
            id_ = info.dwProcessId;
        }
    }
    ~ChildProcess() {
        if (process_ && alive()) TerminateProcess(process_.get(), 1);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return static_cast<bool>(process_); }
    DWORD id() const { return id_; }
    bool alive() const { return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

private:
    fw::Handle process_;
    DWORD id_ = 0;
};
