#include "ListingSources.h"
#include "framework/Handles.h"

#include <tlhelp32.h>

namespace {

BOOL CALLBACK VisitWindow(HWND window, LPARAM visit) {
    return (*reinterpret_cast<const TWindowVisit*>(visit))(window) ? TRUE : FALSE;
}

LPARAM AsParam(const TWindowVisit& visit) {
    return reinterpret_cast<LPARAM>(&visit);
}

class SystemWindows : public TWindowSource {
public:
    HWND Desktop() override { return GetDesktopWindow(); }
    HWND Parent(HWND window) override { return GetAncestor(window, GA_PARENT); }
    void TopLevel(const TWindowVisit& visit) override { EnumWindows(VisitWindow, AsParam(visit)); }
    void Descendants(HWND parent, const TWindowVisit& visit) override {
        EnumChildWindows(parent, VisitWindow, AsParam(visit));
    }
    void ThreadWindows(DWORD threadId, const TWindowVisit& visit) override {
        EnumThreadWindows(threadId, VisitWindow, AsParam(visit));
    }
};

class SystemModules : public TModuleSource {
public:
    bool Processes(std::vector<DWORD>& ids) override {
        fw::Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot) return false;
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot.get(), &entry); more;
             more = Process32Next(snapshot.get(), &entry))
            ids.push_back(entry.th32ProcessID);
        return true;
    }
    bool Modules(DWORD processId, std::vector<std::string>& paths) override {
        fw::Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
        if (!snapshot) return false;
        MODULEENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Module32First(snapshot.get(), &entry); more;
             more = Module32Next(snapshot.get(), &entry))
            paths.emplace_back(entry.szExePath);
        return true;
    }
};

class System : public TListingSources {
public:
    TWindowSource& Windows() override { return windows_; }
    TModuleSource& Modules() override { return modules_; }
    std::shared_ptr<fw::wmi::Services> ConnectWmi() override { return fw::wmi::connectLocal(); }

private:
    SystemWindows windows_;
    SystemModules modules_;
};

} // namespace

TListingSources& SystemSources() {
    static System system;
    return system;
}

std::string LongPath(const std::string& path) {
    char buffer[MAX_PATH];
    DWORD length = GetLongPathNameA(path.c_str(), buffer, MAX_PATH);
    // A result of MAX_PATH or more is the size the buffer would have needed: nothing was written.
    return length == 0 || length >= MAX_PATH ? path : std::string(buffer, length);
}
