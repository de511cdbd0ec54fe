// Fill time of the window list against the bare cost of reading the same windows, the same from a click
// on the real program's toolbar to the filled, sorted and painted list window, and the cost of building
// and sorting 100,000 rows. Prints figures and ratios; asserts nothing. It replaces the program's
// settings in the registry by the tests' set.
#include "ListWorker.h"
#include "WindowText.h"
#include "core/TreeModel.h"
#include "framework/Application.h"
#include "support/ListFakes.h"
#include "support/ProcessDriver.h"

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {
using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

template <class F> double Best(int runs, F f) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        f();
        best = std::min(best, Ms(start));
    }
    return best;
}

struct Floor {
    enum Text { Reader, OneMessage, Plain } how; // the window reader's text, one WM_GETTEXT, GetWindowTextA
    int windows = 0;
    void Read(HWND window) {
        char text[256], name[256];
        if (how == Reader) {
            WindowTextOrPlaceholder(window);
        } else if (how == OneMessage) {
            DWORD_PTR result = 0;
            SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                                1000, &result);
        } else {
            GetWindowTextA(window, text, sizeof text);
        }
        GetClassNameA(window, name, sizeof name);
        RECT r;
        GetWindowRect(window, &r);
        ++windows;
    }
    static BOOL CALLBACK Child(HWND window, LPARAM self) {
        reinterpret_cast<Floor*>(self)->Read(window);
        return TRUE;
    }
    static BOOL CALLBACK Top(HWND window, LPARAM self) {
        reinterpret_cast<Floor*>(self)->Read(window);
        EnumChildWindows(window, Child, self);
        return TRUE;
    }
    void Run() {
        windows = 0;
        Read(GetDesktopWindow());
        EnumWindows(Top, reinterpret_cast<LPARAM>(this));
    }
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

void WindowListFill(int count) {
    Maker maker(count);
    if (!maker.ok) {
        std::printf("window maker for %d windows failed\n", count);
        return;
    }
    Floor reader{Floor::Reader}, messages{Floor::OneMessage}, plain{Floor::Plain};
    double floorReader = Best(3, [&] { reader.Run(); });
    double floorMessages = Best(3, [&] { messages.Run(); });
    double floorPlain = Best(3, [&] { plain.Run(); });
    TestSlots slots;
    TColumnSettingLists lists = DefaultColumnLists(); // Handle, WindowText, ClassName
    TestListWindow window(ltWindows, {ltWindows}, lists);
    double fill = Best(3, [&] {
        window.Ends.clear();
        window.Refresh(SystemSources(), slots.slots());
        PumpUntil([&] { return window.Ended(); }, 600000);
    });
    std::printf(
        "window list, %d bench windows (%d enumerated, %d rows): fill %.1f ms; floor with the window "
        "reader's text %.1f ms (ratio %.2f), with one WM_GETTEXT %.1f ms (ratio %.2f), with GetWindowTextA "
        "%.1f ms (ratio %.2f)\n",
        count, reader.windows, window.Counters[ltWindows], fill, floorReader, fill / floorReader,
        floorMessages, fill / floorMessages, floorPlain, fill / floorPlain);
}

// From the posted toolbar command to the list window whose status bar counts: the window list posts
// that text after sorting and painting its rows.
void ToolbarClickToFilledList(int count) {
    Maker maker(count);
    if (!maker.ok) {
        std::printf("window maker for %d windows failed\n", count);
        return;
    }
    Floor reader{Floor::Reader};
    double floor = Best(3, [&] { reader.Run(); });
    testing_support::WriteProgramSettings();
    testing_support::ChildProcess ostrel("\"" + testing_support::BuildPath("ostrel.exe") + "\"");
    HWND main = ostrel.waitWindow("TOstrelMainForm", nullptr, 60000);
    if (!main) {
        std::printf("ostrel.exe did not show its main window\n");
        return;
    }
    const int windowListCommand = 0x1000;
    double click = Best(3, [&] {
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(windowListCommand, BN_CLICKED), 0);
        HWND form = nullptr, status = nullptr;
        char text[64] = {};
        for (;;) {
            if (!form) form = ostrel.findWindow("TListForm", "1 Window List");
            if (form && !status) status = FindWindowExA(form, nullptr, STATUSCLASSNAMEA, nullptr);
            DWORD_PTR length = 0;
            if (status &&
                SendMessageTimeoutA(status, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                                    SMTO_NORMAL, 60000, &length) &&
                length > 0)
                break;
            if (!ostrel.alive()) return;
            Sleep(1);
        }
        PostMessageA(form, WM_CLOSE, 0, 0);
        while (IsWindowVisible(form)) Sleep(1);
    });
    std::printf(
        "window list from the toolbar click, %d bench windows (%d enumerated): %.1f ms; floor %.1f ms "
        "(ratio %.2f, goal at most 1.30)\n",
        count, reader.windows, click, floor, click / floor);
}

void HundredThousandRows() {
    TestColumns columns;
    core::TreeModel<TNodeData> rows;
    double build = Best(1, [&] {
        for (uint32_t i = 0; i < 100000; ++i) {
            TestInfo info(ltProcesses);
            info.Key = fw::Value::UInt32((i * 7919u) % 100003u);
            info.Name =
                "C:\\Program Files\\dir" + std::to_string(i % 97) + "\\module" + std::to_string(i) + ".dll";
            auto* node = rows.addChild(nullptr);
            node->data.Kind = ltProcesses;
            BuildNodeData(columns.columns, info, node->data);
        }
    });
    auto sortBy = [&](int column) {
        const TKindSettings& settings = columns.columns[column];
        return Best(1, [&] {
            rows.sort(
                [&](const auto& a, const auto& b) { return CompareNodes(a.data, b.data, settings) > 0; });
        });
    };
    double byNumber = sortBy(0), byName = sortBy(1);
    std::printf("100,000 rows: build %.1f ms, sort by number %.1f ms, sort by module name %.1f ms\n", build,
                byNumber, byName);

    TColumnSettingLists lists;
    TestListWindow window(ltProcesses, {ltProcesses}, lists);
    for (int i = 0; i < 2; ++i) {
        window.Tree.AddColumn({});
        window.Tree.KindSettings(i) = columns.columns[i];
    }
    for (const auto& row : rows.roots()) window.Tree.AddChild(nullptr)->data = row->data;
    double show = Best(1, [&] { window.Tree.Refresh(); });
    double click = Best(1, [&] { window.Tree.HeaderClick(1); });
    std::printf("100,000 rows in the control: show %.1f ms, header click (sort by name and show) %.1f ms\n",
                show, click);
}
} // namespace

int main() {
    fw::application().initialize(GetModuleHandleA(nullptr));
    for (int count : {1000, 10000}) WindowListFill(count);
    for (int count : {1000, 10000}) ToolbarClickToFilledList(count);
    HundredThousandRows();
    return 0;
}
