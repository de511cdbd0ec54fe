#pragma once
// Fakes for the list code: window, module and WMI sources, a list window that answers the fill
// protocol, and an information object whose values a test sets.
#include "ColumnSettings.h"
#include "InfoObjects.h"
#include "fakes/FakeWmi.h"
#include "ListWorker.h"
#include "framework/Window.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Handles the message queue until `done` or the time-out; false on time-out.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 20000);

// The text a list view shows in a cell (an owner-data one asks its owner).
std::string ListViewItemText(HWND list, int row, int column);

// Every kind with its default columns (no registry involved).
TColumnSettingLists DefaultColumnLists();
// Shows exactly `names` of a kind, in that order.
void ShowOnly(TColumnSettingLists& lists, TListTypes kind, const std::vector<std::string>& names);
// The columns of a list of these kinds, as the list window lays them out.
void SetupColumns(TOstrelTreeview& tree, const TColumnSettingLists& lists,
                  const std::vector<TListTypes>& kinds);
// Only the key column of every kind: the fakes' objects then need no system reads.
TColumnSettingLists KeyColumnLists();

class FakeWindows : public TWindowSource {
public:
    HWND Add(HWND parent, DWORD threadId = 0);
    HWND desktop = reinterpret_cast<HWND>(0x7ff00000);
    std::function<void(HWND)> beforeVisit; // may block or throw
    std::atomic<int> visits{0};

    HWND Desktop() override { return desktop; }
    HWND Parent(HWND window) override { return parents_[window]; }
    void TopLevel(const TWindowVisit& visit) override { VisitAll(children_[desktop], visit, false); }
    void Descendants(HWND parent, const TWindowVisit& visit) override;
    void ThreadWindows(DWORD threadId, const TWindowVisit& visit) override {
        VisitAll(threads_[threadId], visit, false);
    }

private:
    bool VisitAll(const std::vector<HWND>& windows, const TWindowVisit& visit, bool deep);
    std::map<HWND, HWND> parents_;
    std::map<HWND, std::vector<HWND>> children_;
    std::map<DWORD, std::vector<HWND>> threads_;
    UINT_PTR next_ = 0x7ff00010;
};

class FakeModules : public TModuleSource {
public:
    std::vector<std::pair<DWORD, std::vector<std::string>>> processes;
    bool snapshotFails = false;
    std::function<void(DWORD)> beforeModules;
    bool Processes(std::vector<DWORD>& ids) override;
    bool Modules(DWORD processId, std::vector<std::string>& paths) override;
};

// WMI from tables, with every class's instances as its collection and processes also by their path.
class ListWmi : public fake::WmiServices {
public:
    // Runs when an object of a collection is first read (each collection counts its own objects).
    std::function<void()> beforeRead;
    void Add(const std::string& className, std::map<std::string, fw::Value> values);
    std::vector<std::shared_ptr<fw::wmi::Object>> instancesOf(const std::string& className) override;
};

class FakeSources : public TListingSources {
public:
    FakeWindows windows;
    FakeModules modules;
    std::shared_ptr<ListWmi> wmi = std::make_shared<ListWmi>();
    std::atomic<int> connects{0};
    std::function<void()> onConnect; // may throw

    TWindowSource& Windows() override { return windows; }
    TModuleSource& Modules() override { return modules; }
    std::shared_ptr<fw::wmi::Services> ConnectWmi() override;
};

// Fill slots of a test's own: the settings' lock and semaphore are not made in tests.
struct TestSlots {
    explicit TestSlots(LONG free = 5);
    ~TestSlots();
    TFillSlots slots() { return {&lock, semaphore}; }
    // Free slots now (takes and gives back every slot it can).
    int FreeSlots();
    fw::CriticalSection lock;
    HANDLE semaphore;
};

// A list window without the list window: it answers the fill protocol as the real one does.
class TestListWindow : public fw::Window, public TListHost {
public:
    TestListWindow(TListTypes mainKind, std::vector<TListTypes> kinds, const TColumnSettingLists& columns);
    ~TestListWindow() override;

    HWND ListHandle() const override { return handle(); }
    TOstrelTreeview& ListTree() override { return Tree; }
    TListTypes MainKind() const override { return mainKind_; }
    const std::vector<TListTypes>& Kinds() const override { return kinds_; }
    void StoreCounters(const TListCounters& counters) override { Counters = counters; }

    void Refresh(TListingSources& sources, TFillSlots slots) { StartRefresh(Worker, *this, sources, slots); }
    bool Ended() const { return !Ends.empty(); }

    TOstrelTreeview Tree;
    std::unique_ptr<TThreadData> Worker;
    std::atomic<int> Begins{0};
    std::vector<WPARAM> Ends;
    int Closes = 0;
    TListCounters Counters{};

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    TListTypes mainKind_;
    std::vector<TListTypes> kinds_;
};

// An object whose property values the test sets; its properties are "Key" and "Name" (a module
// name, shown and compared by file name).
class TestInfo : public TBasicInfo {
public:
    explicit TestInfo(TListTypes kind) : TBasicInfo(kind) {}
    fw::Value Key, Name;
    void Refresh() override {}
    std::span<const TPropertyInfo> Properties() const override { return Table(); }
    static std::span<const TPropertyInfo> Table();
    fw::Value ReadKey() { return Key; }
    fw::Value ReadName() { return Name; }
};

// Two columns over TestInfo for every kind: the kind's key name, then "ModuleName".
struct TestColumns {
    TestColumns();
    TColumnSetting key[ListTypeCount], name[ListTypeCount];
    std::vector<TKindSettings> columns;
};
