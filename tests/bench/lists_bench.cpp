// The lists against floors measured in the same run, in turns with them: a window list's fill, and the real
// program's from a click on its toolbar to the filled, sorted and painted list window, against the
// enumeration of the same windows with the two messages that read a window's text; each list's fill against
// its floor (for the WMI lists one fetch of the same objects in a single call, with the same properties
// read and each process opened, connecting as a fill must); building and sorting 100,000 rows. A fill's
// floor keeps the fill's protocol: a thread of its own (with COM for the WMI lists) that sends its begin to
// a window of the bench's thread and posts its end there, counted until the end is handled. Every figure is the median of five runs; all of it runs a second
// time with every processor kept busy. Prints figures and ratios; asserts nothing. It replaces the program's
// settings in the registry by the tests' set.
#include "ListWorker.h"
#include "ListingSources.h"
#include "core/TreeModel.h"
#include "framework/Application.h"
#include "framework/ComPtr.h"
#include "framework/Handles.h"
#include "helpers/WmiConnection.h"
#include "support/ListFakes.h"
#include "support/ProcessDriver.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
using fw::ComPtr;

double Ms(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int ProcessCount() {
    int count = 0;
    fw::Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 process{};
    process.dwSize = sizeof process;
    for (BOOL more = Process32First(snapshot.get(), &process); more;
         more = Process32Next(snapshot.get(), &process))
        ++count;
    return count;
}

// The time of the whole call, or the time a call returns when it measures only a part of its work.
template <class F> double Time(F& f) {
    auto start = Clock::now();
    if constexpr (std::is_same_v<decltype(f()), double>) {
        return f();
    } else {
        f();
        return Ms(start);
    }
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The medians of five runs of a floor and of the figure measured against it, the runs taken in turns so
// that a change in the machine's load meets both alike.
template <class Floor, class Figure> std::pair<double, double> Medians(Floor floor, Figure figure) {
    std::vector<double> floors, figures;
    for (int i = 0; i < 5; ++i) {
        floors.push_back(Time(floor));
        figures.push_back(Time(figure));
    }
    return {Median(floors), Median(figures)};
}

// The median of five runs.
template <class F> double MedianOf(F f) {
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) times.push_back(Time(f));
    return Median(times);
}

// Every processor busy with a thread of its own while it lives.
class CpuLoad {
public:
    CpuLoad() {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        for (DWORD i = 0; i < system.dwNumberOfProcessors; ++i)
            threads_.emplace_back([this] {
                while (!stop_) {
                }
            });
    }
    ~CpuLoad() {
        stop_ = true;
        for (auto& thread : threads_) thread.join();
    }
    int Threads() const { return int(threads_.size()); }

private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

// Waits, answering at once what other programs send to this one's windows: the listing reads them too,
// and a sleeping thread would hold each of its messages until the sleep ends.
void AnswerSentMessagesFor(DWORD ms) {
    const DWORD start = GetTickCount();
    for (DWORD passed = 0; passed < ms; passed = GetTickCount() - start) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - passed, QS_SENDMESSAGE);
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// The windows from the desktop down, each asked for its text with WM_GETTEXTLENGTH and WM_GETTEXT through
// SendMessageTimeoutA with the time-out a window read must keep.
struct WindowFloor {
    int windows = 0;
    void Read(HWND window) {
        DWORD_PTR length = 0, copied = 0;
        if (SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 750, &length)) {
            std::vector<char> text(length + 1);
            SendMessageTimeoutA(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                                SMTO_NORMAL, 750, &copied);
        }
        ++windows;
    }
    static BOOL CALLBACK Child(HWND window, LPARAM self) {
        reinterpret_cast<WindowFloor*>(self)->Read(window);
        return TRUE;
    }
    static BOOL CALLBACK Top(HWND window, LPARAM self) {
        reinterpret_cast<WindowFloor*>(self)->Read(window);
        EnumChildWindows(window, Child, self);
        return TRUE;
    }
    void Run() {
        windows = 0;
        Read(GetDesktopWindow());
        EnumWindows(Top, reinterpret_cast<LPARAM>(this));
    }
    void OfThread(DWORD threadId) { EnumThreadWindows(threadId, Top, reinterpret_cast<LPARAM>(this)); }
};

// A fill's protocol around a floor's reading, without the list window's handling or the rows.
class FillProtocol {
public:
    FillProtocol() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "OstrelBenchFillProtocol";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, windowClass.lpszClassName, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
    }
    ~FillProtocol() { DestroyWindow(window_); }
    // The time from the thread's start to the handled end; the thread's exit after its end is not counted,
    // as a fill's is not.
    double Run(bool com, const std::function<void()>& reading) {
        ended_ = false;
        const auto start = Clock::now();
        std::thread worker([&] {
            SendMessageA(window_, WM_LISTBEGIN, 0, 0);
            std::optional<fw::ComInit> started;
            if (com) started.emplace();
            reading();
            PostMessageA(window_, WM_LISTEND, 0, 0);
        });
        PumpUntil([&] { return ended_.load(); }, 900000);
        const double took = Ms(start);
        worker.join();
        return took;
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_LISTEND) ended_ = true;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    static inline std::atomic<bool> ended_{false};
    HWND window_;
};

struct Maker {
    explicit Maker(int count) {
        std::string id = std::to_string(GetCurrentProcessId());
        std::string readyName = "OstrelBenchReady" + id, quitName = "OstrelBenchQuit" + id;
        ready = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
        quit = CreateEventA(nullptr, TRUE, FALSE, quitName.c_str());
        char path[MAX_PATH];
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string exe(path);
        exe = exe.substr(0, exe.find_last_of('\\') + 1) + "window_maker.exe";
        std::string command = "\"" + exe + "\" " + std::to_string(count) + " " + readyName + " " + quitName;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        ok = CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                            &pi) &&
             WaitForSingleObject(ready, 120000) == WAIT_OBJECT_0;
    }
    ~Maker() {
        SetEvent(quit);
        if (pi.hProcess) {
            WaitForSingleObject(pi.hProcess, 30000);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
        CloseHandle(ready);
        CloseHandle(quit);
    }
    HANDLE ready, quit;
    PROCESS_INFORMATION pi{};
    bool ok = false;
};

void Ratio(const char* what, double figure, double floor, const char* goal) {
    std::printf("  %s: %.1f ms; floor %.1f ms; ratio %.2f (goal at most %s)\n", what, figure, floor,
                figure / floor, goal);
}

void WindowListFill(int count) {
    Maker maker(count);
    if (!maker.ok) {
        std::printf("window maker for %d windows failed\n", count);
        return;
    }
    WindowFloor reading;
    TestSlots slots;
    TColumnSettingLists lists = DefaultColumnLists(); // Handle, WindowText, ClassName
    TestListWindow window(ltWindows, {ltWindows}, lists);
    FillProtocol protocol;
    auto [floor, fill] = Medians([&] { return protocol.Run(false, [&] { reading.Run(); }); },
                                 [&] {
                                     window.Ends.clear();
                                     window.Refresh(SystemSources(), slots.slots());
                                     PumpUntil([&] { return window.Ended(); }, 600000);
                                 });
    std::printf("window list of %d bench windows (%d enumerated, %d rows):\n", count, reading.windows,
                window.Counters[ltWindows]);
    Ratio("fill", fill, floor, "1.10");
}

// From the posted toolbar command to the list window whose status bar counts and whose rows are painted.
void ToolbarClickToFilledList(int count) {
    Maker maker(count);
    if (!maker.ok) {
        std::printf("window maker for %d windows failed\n", count);
        return;
    }
    testing_support::WriteProgramSettings();
    testing_support::ChildProcess ostrel("\"" + testing_support::BuildPath("ostrel.exe") + "\"");
    HWND main = ostrel.waitWindow("TOstrelMainForm", nullptr, 60000);
    if (!main) {
        std::printf("ostrel.exe did not show its main window\n");
        return;
    }
    // The floor reads the program's own windows too, as its listing does.
    WindowFloor reading;
    const int windowListCommand = 0x1000;
    auto [floor, click] = Medians(
        [&] { reading.Run(); },
        [&] {
            auto start = Clock::now();
            PostMessageA(main, WM_COMMAND, MAKEWPARAM(windowListCommand, BN_CLICKED), 0);
            HWND form = nullptr, status = nullptr, rows = nullptr;
            char text[64] = {};
            for (;;) {
                if (!form) form = ostrel.findWindow("TListForm", "1 Window List");
                if (form && !status) status = FindWindowExA(form, nullptr, STATUSCLASSNAMEA, nullptr);
                if (form && !rows) rows = FindWindowExA(form, nullptr, WC_LISTVIEWA, nullptr);
                DWORD_PTR length = 0;
                if (status &&
                    SendMessageTimeoutA(status, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                                        SMTO_NORMAL, 60000, &length) &&
                    length > 0 && rows && !GetUpdateRect(rows, nullptr, FALSE))
                    break;
                if (!ostrel.alive()) return 1e30;
                // Asked every 10 ms: asking every millisecond kept the program's own thread and the server
                // busy enough to slow the fill it measures.
                AnswerSentMessagesFor(10);
            }
            double filled = Ms(start);
            PostMessageA(form, WM_CLOSE, 0, 0);
            while (IsWindowVisible(form)) Sleep(1);
            return filled;
        });
    std::printf("window list of %d bench windows from the toolbar click (%d enumerated):\n", count,
                reading.windows);
    Ratio("click to painted list", click, floor, "1.30 on a quiet machine, 1.50 under load");
}

// A class's objects fetched as a listing must: the collection of the class's own instances, returned at
// once, asked for all of its objects in one call; the properties of the list's columns read from each.
class WmiFetch {
public:
    WmiFetch() { ConnectRootCimv2(services_); }
    // The objects the class has now, counted one by one (before the timed runs: the fetch asks for all).
    ULONG Count(const wchar_t* className) {
        ComPtr<IEnumWbemClassObject> items = Enumerate(className);
        ULONG count = 0;
        for (ComPtr<IWbemClassObject> object; items; ++count) {
            ULONG returned = 0;
            if (items->Next(WBEM_INFINITE, 1, object.put(), &returned) != WBEM_S_NO_ERROR || !returned) break;
        }
        return count;
    }
    int Fetch(const wchar_t* className, ULONG count, std::initializer_list<const wchar_t*> properties,
              const std::function<void(IWbemClassObject&)>& more = {}) {
        ComPtr<IEnumWbemClassObject> items = Enumerate(className);
        if (!items) return 0;
        std::vector<IWbemClassObject*> objects(count, nullptr);
        ULONG returned = 0;
        items->Next(WBEM_INFINITE, count, objects.data(), &returned);
        for (ULONG i = 0; i < returned; ++i) {
            auto object = ComPtr<IWbemClassObject>::attach(objects[i]);
            for (const wchar_t* name : properties) {
                VARIANT value;
                VariantInit(&value);
                object->Get(name, 0, &value, nullptr, nullptr);
                VariantClear(&value);
            }
            if (more) more(*object.get());
        }
        return int(returned);
    }

private:
    ComPtr<IEnumWbemClassObject> Enumerate(const wchar_t* className) {
        ComPtr<IEnumWbemClassObject> items;
        BSTR name = SysAllocString(className);
        if (services_)
            services_->CreateInstanceEnum(name, long(WBEM_FLAG_RETURN_IMMEDIATELY) | long(WBEM_FLAG_SHALLOW),
                                          nullptr, items.put());
        SysFreeString(name);
        return items;
    }
    ComPtr<IWbemServices> services_;
};

// An object's "Handle" (a process's or thread's ID); 0 when it has none.
DWORD IdOf(IWbemClassObject& object) {
    VARIANT id;
    VariantInit(&id);
    DWORD value = 0;
    if (SUCCEEDED(object.Get(L"Handle", 0, &id, nullptr, nullptr)) &&
        SUCCEEDED(VariantChangeType(&id, &id, 0, VT_UI4)))
        value = id.ulVal;
    VariantClear(&id);
    return value;
}

// What each list's default columns show, read the plainest way the lists' design allows.
struct Floors {
    ULONG threads = 0, processes = 0, services = 0;
    void Count() {
        WmiFetch wmi;
        threads = wmi.Count(L"Win32_Thread");
        processes = wmi.Count(L"Win32_Process");
        services = wmi.Count(L"Win32_Service");
    }
    // The processes, each opened for querying and reading as a process object bound to its ID must be.
    int Processes(WmiFetch& wmi) const {
        return wmi.Fetch(L"Win32_Process", processes, {L"Handle", L"Caption", L"ExecutablePath"},
                         [](IWbemClassObject& o) {
                             const fw::Handle opened(
                                 OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, IdOf(o)));
                         });
    }
    // Threads with their windows, processes; each fill connects once.
    int ThreadsAndProcesses() const {
        WmiFetch wmi;
        WindowFloor windows;
        int objects =
            wmi.Fetch(L"Win32_Thread", threads, {L"Handle", L"ProcessHandle"}, [&](IWbemClassObject& o) {
                if (const DWORD id = IdOf(o)) windows.OfThread(id);
            });
        objects += Processes(wmi);
        return objects + windows.windows;
    }
    // The module snapshots with the long form of every path, and the processes.
    int ModulesAndProcesses() const {
        int objects = 0;
        fw::Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32 process{};
        process.dwSize = sizeof process;
        for (BOOL more = Process32First(snapshot.get(), &process); more;
             more = Process32Next(snapshot.get(), &process)) {
            fw::Handle modules(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process.th32ProcessID));
            if (!modules) continue;
            MODULEENTRY32 module{};
            module.dwSize = sizeof module;
            for (BOOL next = Module32First(modules.get(), &module); next;
                 next = Module32Next(modules.get(), &module), ++objects)
                LongPath(module.szExePath);
        }
        WmiFetch wmi;
        return objects + Processes(wmi);
    }
    int Services() const {
        WmiFetch wmi;
        return wmi.Fetch(L"Win32_Service", services, {L"Name", L"DisplayName", L"Description", L"Started"});
    }
};

struct ListCase {
    const char* name;
    TListTypes mainKind;
    std::vector<TListTypes> kinds;
    int (Floors::*floor)() const;
};

// Each list's fill, on the worker as the list window runs it, against its floor.
void EachListFill() {
    // Processes enough to make the per-process costs show: helpers with one window each.
    std::vector<std::unique_ptr<Maker>> helpers;
    for (int i = 0; i < 90; ++i) helpers.push_back(std::make_unique<Maker>(1));
    fw::ComInit com;
    TestSlots slots;
    TColumnSettingLists lists = DefaultColumnLists();
    const ListCase cases[] = {
        {"process list", ltProcesses, {ltProcesses, ltThreads, ltWindows}, &Floors::ThreadsAndProcesses},
        {"thread list", ltThreads, {ltThreads, ltWindows}, &Floors::ThreadsAndProcesses},
        {"module list", ltModules, {ltModules, ltProcesses}, &Floors::ModulesAndProcesses},
        {"service list", ltServices, {ltServices}, &Floors::Services},
    };
    Floors floors;
    floors.Count();
    std::printf("lists, %d processes running (WMI: %lu processes, %lu threads, %lu services):\n",
                ProcessCount(), floors.processes, floors.threads, floors.services);
    FillProtocol protocol;
    for (const ListCase& list : cases) {
        int objects = 0;
        TestListWindow window(list.mainKind, list.kinds, lists);
        // Read on this thread, which has COM already, the floor shows what the protocol's thread, COM and
        // messages cost.
        auto [floor, fill] = Medians(
            [&] { return protocol.Run(true, [&] { objects = (floors.*list.floor)(); }); },
            [&] {
                window.Ends.clear();
                window.Refresh(SystemSources(), slots.slots());
                PumpUntil([&] { return window.Ended(); }, 900000);
            });
        int rows = 0;
        for (TListTypes kind : list.kinds) rows += window.Counters[kind];
        std::string what = std::string(list.name) + " fill (" + std::to_string(rows) +
                           " rows; the floor read " + std::to_string(objects) + " objects)";
        Ratio(what.c_str(), fill, floor, list.mainKind == ltModules ? "-" : "1.20");
        const double onThisThread = MedianOf([&] { (floors.*list.floor)(); });
        Ratio("  the same, the floor read on this thread with COM started", fill, onThisThread, "-");
    }
}

void HundredThousandRows() {
    TestColumns columns;
    core::TreeModel<TNodeData> rows;
    auto start = Clock::now();
    for (uint32_t i = 0; i < 100000; ++i) {
        TestInfo info(ltProcesses);
        info.Key = fw::Value::UInt32((i * 7919u) % 100003u);
        info.Name =
            "C:\\Program Files\\dir" + std::to_string(i % 97) + "\\module" + std::to_string(i) + ".dll";
        auto* node = rows.addChild(nullptr);
        node->data.Kind = ltProcesses;
        BuildNodeData(columns.columns, info, node->data);
    }
    double build = Ms(start);
    bool ascending = false;
    auto sortBy = [&](int column) {
        const TKindSettings& settings = columns.columns[column];
        return MedianOf([&] { SortRows(rows, settings, ascending = !ascending); });
    };
    double byNumber = sortBy(0), byName = sortBy(1);
    std::printf(
        "100,000 rows: build %.1f ms (one run), sort by number %.1f ms, sort by module name %.1f ms\n", build,
        byNumber, byName);

    TColumnSettingLists lists;
    TestListWindow window(ltProcesses, {ltProcesses}, lists);
    for (int i = 0; i < 2; ++i) {
        window.Tree.AddColumn({});
        window.Tree.KindSettings(i) = columns.columns[i];
    }
    for (const auto& row : rows.roots()) window.Tree.AddChild(nullptr)->data = row->data;
    double show = MedianOf([&] { window.Tree.Refresh(); });
    double click = MedianOf([&] { window.Tree.HeaderClick(1); });
    std::printf("100,000 rows in the control: show %.1f ms, header click (sort by name and show) %.1f ms\n",
                show, click);
}

void RunParts(const std::function<bool(const char*)>& wanted, const std::vector<int>& counts) {
    if (wanted("fill"))
        for (int count : counts) WindowListFill(count);
    if (wanted("click"))
        for (int count : counts) ToolbarClickToFilledList(count);
    if (wanted("lists")) EachListFill();
    if (wanted("rows")) HundredThousandRows();
}
} // namespace

// With arguments, only the named parts run: "fill", "click", "lists", "rows"; "quiet" or "loaded" runs
// only that half; numbers are the window counts of "fill" and "click" in place of 1,000 and 10,000.
int main(int argc, char** argv) {
    // Each figure shows as it is taken: a full run lasts long.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    fw::application().initialize(GetModuleHandleA(nullptr));
    std::vector<std::string> args(argv + 1, argv + argc);
    std::vector<int> counts;
    std::erase_if(args, [&](const std::string& a) {
        if (a.empty() || a.find_first_not_of("0123456789") != std::string::npos) return false;
        counts.push_back(std::stoi(a));
        return true;
    });
    if (counts.empty()) counts = {1000, 10000};
    auto has = [&](const char* word) { return std::find(args.begin(), args.end(), word) != args.end(); };
    const bool onlyQuiet = has("quiet"), onlyLoaded = has("loaded");
    std::erase_if(args, [](const std::string& a) { return a == "quiet" || a == "loaded"; });
    auto wanted = [&](const char* part) { return args.empty() || has(part); };
    if (!onlyLoaded) {
        std::printf("== without a load of the benchmark's own\n");
        RunParts(wanted, counts);
    }
    if (!onlyQuiet) {
        CpuLoad load;
        std::printf("== with every processor kept busy (%d spinning threads)\n", load.Threads());
        RunParts(wanted, counts);
    }
    return 0;
}
