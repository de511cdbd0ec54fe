#pragma once
// Where each thread of another process stands, for a test that ran out of time: every thread is held for
// a moment, and its frame-pointer chain is read from outside as "module+offset" return addresses.
#include <windows.h>

#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace testing_common {

class ThreadStacks {
public:
    explicit ThreadStacks(DWORD processId)
        : processId_(processId), process_(OpenProcess(PROCESS_VM_READ | PROCESS_QUERY_INFORMATION, FALSE,
                                                      processId)) {}
    ~ThreadStacks() {
        if (process_) CloseHandle(process_);
    }
    ThreadStacks(const ThreadStacks&) = delete;
    ThreadStacks& operator=(const ThreadStacks&) = delete;

    // "thread 52: user32.dll+0x1a2b3 <- program.exe+0x1234 ..." a line for each thread.
    std::string describe() {
        if (!process_) return "(the process cannot be read)\n";
        readModules();
        std::string text;
        for (DWORD id : threadIds()) text += "thread " + std::to_string(id) + ": " + stackOf(id) + "\n";
        return text;
    }

private:
    struct Module {
        uintptr_t base, size;
        std::string name;
    };
    static constexpr int MaxFrames = 24;

    void readModules() {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId_);
        if (snapshot == INVALID_HANDLE_VALUE) return;
        MODULEENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry))
            modules_.push_back({reinterpret_cast<uintptr_t>(entry.modBaseAddr), entry.modBaseSize,
                                entry.szModule});
        CloseHandle(snapshot);
    }

    std::vector<DWORD> threadIds() const {
        std::vector<DWORD> ids;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        if (snapshot == INVALID_HANDLE_VALUE) return ids;
        THREADENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
            if (entry.th32OwnerProcessID == processId_) ids.push_back(entry.th32ThreadID);
        CloseHandle(snapshot);
        return ids;
    }

    std::string name(uintptr_t address) const {
        char text[32];
        for (const Module& module : modules_)
            if (address - module.base < module.size) {
                std::snprintf(text, sizeof text, "+0x%lx", static_cast<unsigned long>(address - module.base));
                return module.name + text;
            }
        std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(address));
        return text;
    }

    std::string stackOf(DWORD threadId) const {
        HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, threadId);
        if (!thread) return "(cannot be opened)";
        CONTEXT context{};
        context.ContextFlags = CONTEXT_CONTROL;
        const bool held = SuspendThread(thread) != static_cast<DWORD>(-1);
        const bool read = held && GetThreadContext(thread, &context);
        if (held) ResumeThread(thread);
        CloseHandle(thread);
        if (!read) return "(no context)";
        std::string text = name(context.Eip);
        uintptr_t frame = context.Ebp;
        for (int i = 0; i < MaxFrames && frame; ++i) {
            uintptr_t link[2];
            SIZE_T got = 0;
            if (!ReadProcessMemory(process_, reinterpret_cast<const void*>(frame), link, sizeof link, &got) ||
                got != sizeof link || link[0] <= frame)
                break;
            text += " <- " + name(link[1]);
            frame = link[0];
        }
        return text;
    }

    DWORD processId_;
    HANDLE process_;
    std::vector<Module> modules_;
};

} // namespace testing_common
