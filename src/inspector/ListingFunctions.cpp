#include "ListingFunctions.h"
#include "InfoObjects.h"
#include "ListWorker.h"
#include "framework/Exceptions.h"
#include "framework/OleException.h"

#include <wbemcli.h>

#include <algorithm>
#include <unordered_map>

namespace {

using Node = TOstrelTreeview::Node;

Node* AddRow(TThreadData& worker, Node* parent, TBasicInfo& info) {
    Node* row = worker.Tree.AddChild(parent);
    row->data.Kind = info.Kind;
    ++worker.Counters[info.Kind];
    BuildNodeData(worker.Tree.AllKindSettings(), info, row->data);
    return row;
}

// The window's row, then its descendants' rows from one enumeration of them all: the enumeration gives
// each window after its parent, whose row is then already there. An enumeration per window, picking its
// direct children, would visit every window once per ancestor and ask the system for every leaf's children.
void AddWindowTree(TThreadData& worker, HWND window, Node* parentRow) {
    TWindowSource& windows = worker.Sources.Windows();
    TWindowInfoObject info(window);
    std::unordered_map<HWND, Node*> rows{{window, AddRow(worker, parentRow, info)}};
    windows.Descendants(window, [&](HWND child) {
        if (worker.Terminated()) return false;
        auto parent = rows.find(windows.Parent(child));
        if (parent == rows.end()) return true; // its parent moved away meanwhile
        TWindowInfoObject childInfo(child);
        rows.emplace(child, AddRow(worker, parent->second, childInfo));
        return true;
    });
}

// A window of a top-level enumeration, listed when the desktop is its parent.
bool TopLevelWindow(TThreadData& worker, HWND window, Node* desktopRow) {
    if (worker.Terminated()) return false;
    TWindowSource& windows = worker.Sources.Windows();
    if (windows.Parent(window) == windows.Desktop()) AddWindowTree(worker, window, desktopRow);
    return true;
}

void ListThreadWindows(TThreadData& worker, Node* threadRow, DWORD threadId) {
    if (threadId == 0) return;
    worker.Sources.Windows().ThreadWindows(
        threadId, [&](HWND window) { return TopLevelWindow(worker, window, threadRow); });
}

DWORD AsId(const fw::Value& value) {
    std::int64_t id = 0;
    value.toInt64(id);
    return DWORD(id);
}

struct ProcessEntry {
    DWORD Id;
    std::unique_ptr<TProcessInfoObject> Info;
    Node* Row;
};

// The processes sorted by ID; threads of one process usually follow each other, so the last match is
// tried first.
class ProcessTable {
public:
    void Insert(ProcessEntry entry) {
        auto at = std::lower_bound(entries_.begin(), entries_.end(), entry.Id,
                                   [](const ProcessEntry& e, DWORD id) { return e.Id < id; });
        entries_.insert(at, std::move(entry));
        last_ = nullptr;
    }
    // None for a process that is not in the table (one started after the processes were read).
    ProcessEntry* Find(DWORD id) {
        if (last_ && last_->Id == id) return last_;
        auto at = std::lower_bound(entries_.begin(), entries_.end(), id,
                                   [](const ProcessEntry& e, DWORD key) { return e.Id < key; });
        if (at == entries_.end() || at->Id != id) return nullptr;
        return last_ = &*at;
    }

private:
    std::vector<ProcessEntry> entries_;
    ProcessEntry* last_ = nullptr;
};

using WmiObjects = std::vector<std::shared_ptr<fw::wmi::Object>>;

// Every object of the class, fetched in one go: none when that fetch failed.
WmiObjects Instances(TThreadData& worker, const char* className) {
    if (!worker.Services) throw fw::Exception("No WMI connection for the list");
    return worker.Services->instancesOf(className);
}

template <class Visit> void ForEachObject(WmiObjects& objects, TThreadData& worker, Visit visit) {
    for (auto& object : objects) {
        if (worker.Terminated()) return;
        visit(std::move(object));
    }
}

// None for an instance that names no process or thread we could read (it has gone meanwhile, or never
// had an ID).
template <class Info> std::unique_ptr<Info> FromWmi(std::shared_ptr<fw::wmi::Object> object) {
    try {
        return std::make_unique<Info>(std::move(object));
    } catch (const fw::EOleException& e) {
        if (e.code() != static_cast<HRESULT>(WBEM_E_NOT_FOUND)) throw;
        return nullptr;
    }
}

// The processes and threads of WMI; with `processRows` the processes are rows with their threads
// under them, else the threads are the rows.
void ListProcessesAndThreads(TThreadData& worker, bool processRows) {
    auto threads = Instances(worker, "Win32_Thread");
    auto processes = Instances(worker, "Win32_Process");
    ProcessTable table;
    ForEachObject(processes, worker, [&](std::shared_ptr<fw::wmi::Object> object) {
        std::unique_ptr<TProcessInfoObject> info = FromWmi<TProcessInfoObject>(std::move(object));
        if (!info) return; // gone, or never a process we could name: no row
        Node* row = nullptr;
        if (processRows) {
            info->Services = worker.Services;
            row = AddRow(worker, nullptr, *info);
        }
        DWORD id = AsId(info->ProcessID);
        table.Insert({id, std::move(info), row});
    });
    ForEachObject(threads, worker, [&](std::shared_ptr<fw::wmi::Object> object) {
        fw::Value owner;
        if (!object->get("ProcessHandle", owner)) owner = fw::Value();
        ProcessEntry* entry = table.Find(AsId(owner));
        if (processRows && !entry) return;
        std::unique_ptr<TThreadInfoObject> info = FromWmi<TThreadInfoObject>(std::move(object));
        if (!info) return;
        info->Services = worker.Services;
        info->OwnerProcess = entry ? entry->Info.get() : nullptr;
        Node* row = AddRow(worker, processRows ? entry->Row : nullptr, *info);
        ListThreadWindows(worker, row, AsId(info->ThreadID));
    });
}

// A process the snapshot saw may be gone before WMI is asked: it still gets its row, with what can be
// read without WMI.
std::unique_ptr<TProcessInfoObject> ProcessById(DWORD id,
                                                const std::shared_ptr<fw::wmi::Services>& services) {
    try {
        return std::make_unique<TProcessInfoObject>(id, services);
    } catch (const fw::EOleException&) {
        auto info = std::make_unique<TProcessInfoObject>();
        info->SetID(fw::Value::UInt32(id));
        return info;
    }
}

struct ModuleEntry {
    std::string Path;
    Node* Row;
    DWORD LastProcess;
};

bool PathLess(const ModuleEntry& entry, const std::string& path) {
    return lstrcmpiA(entry.Path.c_str(), path.c_str()) < 0;
}

} // namespace

void ListWindows(TThreadData& worker) {
    TWindowSource& windows = worker.Sources.Windows();
    TWindowInfoObject desktop(windows.Desktop());
    Node* desktopRow = AddRow(worker, nullptr, desktop);
    if (worker.Terminated()) return;
    windows.TopLevel([&](HWND window) { return TopLevelWindow(worker, window, desktopRow); });
}

void ListProcesses(TThreadData& worker) {
    ListProcessesAndThreads(worker, true);
}

void ListThreads(TThreadData& worker) {
    ListProcessesAndThreads(worker, false);
}

void ListModules(TThreadData& worker) {
    std::vector<DWORD> processes;
    if (!worker.Sources.Modules().Processes(processes)) return;
    // The processes are read from WMI in one go: asked one by one, each answer costs a walk over every
    // process, and the list took minutes where many processes run.
    ProcessTable known;
    WmiObjects all = Instances(worker, "Win32_Process");
    ForEachObject(all, worker, [&](std::shared_ptr<fw::wmi::Object> object) {
        if (auto info = FromWmi<TProcessInfoObject>(std::move(object))) {
            info->Services = worker.Services;
            const DWORD id = AsId(info->ProcessID);
            known.Insert({id, std::move(info), nullptr});
        }
    });
    std::vector<ModuleEntry> modules; // sorted by path, letter case ignored
    for (DWORD processId : processes) {
        if (worker.Terminated()) break;
        ProcessEntry* read = known.Find(processId);
        std::unique_ptr<TProcessInfoObject> unread = read ? nullptr : ProcessById(processId, worker.Services);
        TProcessInfoObject& process = read ? *read->Info : *unread;
        TNodeData processRow;
        processRow.Kind = ltProcesses;
        BuildNodeData(worker.Tree.AllKindSettings(), process, processRow);
        std::vector<std::string> paths;
        if (worker.Sources.Modules().Modules(processId, paths)) {
            for (const std::string& fullPath : paths) {
                if (worker.Terminated()) break;
                std::string path = LongPath(fullPath);
                auto at = std::lower_bound(modules.begin(), modules.end(), path, PathLess);
                if (worker.Terminated()) break;
                if (at == modules.end() || lstrcmpiA(at->Path.c_str(), path.c_str()) != 0) {
                    TModuleInfoObject module(path);
                    at = modules.insert(at, {path, AddRow(worker, nullptr, module), 0});
                } else if (at->LastProcess == processId) {
                    continue; // one row per process under a module
                }
                at->LastProcess = processId;
                Node* child = worker.Tree.AddChild(at->Row);
                CopyNodeData(processRow, child->data);
            }
        }
        ++worker.Counters[ltProcesses];
    }
}

void ListServices(TThreadData& worker) {
    auto services = Instances(worker, "Win32_Service");
    ForEachObject(services, worker, [&](std::shared_ptr<fw::wmi::Object> object) {
        TServiceInfoObject info(std::move(object));
        info.Services = worker.Services;
        AddRow(worker, nullptr, info);
    });
}
