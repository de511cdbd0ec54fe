#include "support/OstrelProgram.h"
#include "Main.h"

#include <commctrl.h>

#include <vector>

namespace testing_support {

namespace {
const DWORD startTimeout = 60000, windowTimeout = 30000;

std::string StartWithTestSettings() {
    WriteProgramSettings();
    return "\"" + BuildPath("ostrel.exe") + "\"";
}
} // namespace

namespace {
// About 20 ms, in which this thread's own windows (a test's) go on handling their messages.
void Pause() {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
} // namespace

bool WaitFor(const std::function<bool()>& done, DWORD ms) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms) return false;
        Pause();
    }
    return true;
}

bool HoldsFor(const std::function<bool()>& condition, DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        if (!condition()) return false;
        Pause();
    } while (GetTickCount() - start < ms);
    return condition();
}

bool MoveMouseTo(POINT target) {
    auto there = [&] {
        POINT cursor{};
        GetCursorPos(&cursor);
        return cursor.x == target.x && cursor.y == target.y;
    };
    // The display's own report of the pointer may come back late with an older position: the move
    // counts once the cursor has stayed where it was put.
    for (int attempt = 0; attempt < 10; ++attempt) {
        SetCursorPos(target.x, target.y);
        if (WaitFor(there, 1000) && HoldsFor(there, 300)) return true;
    }
    return false;
}

std::string TextOf(HWND window) {
    char text[512] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000,
                        &length);
    return text;
}

namespace {
struct ClassSearch {
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchClass(HWND child, LPARAM param) {
    auto& search = *reinterpret_cast<ClassSearch*>(param);
    char name[64] = {};
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpA(name, search.className) != 0) return TRUE;
    search.found = child;
    return FALSE;
}

struct ProcessWindows {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
    reinterpret_cast<ProcessWindows*>(param)->windows.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
    auto& collected = *reinterpret_cast<ProcessWindows*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != collected.pid || !IsWindowVisible(window)) return TRUE;
    collected.windows.push_back(window);
    EnumChildWindows(window, CollectChild, param);
    return TRUE;
}

// Every visible window of the process with its descendants.
std::vector<HWND> WindowsOf(DWORD pid) {
    ProcessWindows collected{pid, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&collected));
    return collected.windows;
}

void RoundTrip(const std::vector<HWND>& windows) {
    DWORD_PTR result = 0;
    for (HWND window : windows) SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
}
} // namespace

HWND FindDescendant(HWND parent, const char* className) {
    ClassSearch search{className, nullptr};
    EnumChildWindows(parent, MatchClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool IsAbove(HWND upper, HWND lower) {
    for (HWND w = GetWindow(lower, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV))
        if (w == upper) return true;
    return false;
}

OstrelProgram::OstrelProgram() : process(StartWithTestSettings()) {
    main = process.waitWindow("TOstrelMainForm", nullptr, startTimeout);
}

void OstrelProgram::Command(int id) const {
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

HWND OstrelProgram::OpenChild(int tag, const char* className, const char* caption) const {
    Command(TOstrelMainForm::cmCreateWindow + tag);
    return process.waitWindow(className, caption, windowTimeout);
}

void OstrelProgram::WaitPainted() const {
    std::vector<HWND> windows = WindowsOf(process.id());
    RoundTrip(windows);
    // A paint in progress has validated its window already: the round trip after waits for its end.
    WaitFor([&] {
        for (HWND window : windows)
            if (IsWindow(window) && GetUpdateRect(window, nullptr, FALSE)) return false;
        return true;
    });
    RoundTrip(windows);
}

HWND OstrelProgram::OpenList(int tag, const char* caption) const {
    HWND form = OpenChild(tag, "TListForm", caption);
    HWND status = form ? FindWindowExA(form, nullptr, STATUSCLASSNAMEA, nullptr) : nullptr;
    if (!status || !WaitFor([&] { return !TextOf(status).empty(); })) return nullptr;
    return form;
}

} // namespace testing_support
