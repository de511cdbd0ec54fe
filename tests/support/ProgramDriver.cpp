#include "support/ProgramDriver.h"
#include "Main.h"
#include "support/Screenshot.h"
#include <commctrl.h>
#include <cstdio>
#include <vector>

namespace testing_support {

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

std::string Text(HWND window) {
    char text[512] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000,
                        &length);
    return text;
}

std::string Hex(UINT_PTR value) {
    char text[16];
    std::snprintf(text, sizeof text, "$%.8lX", static_cast<unsigned long>(value));
    return text;
}

Remote::Remote(DWORD pid, SIZE_T size) : process_(OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid)) {
    if (process_) memory_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
}

Remote::~Remote() {
    if (memory_) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
}

void Remote::write(SIZE_T offset, const void* data, SIZE_T size) {
    WriteProcessMemory(process_, at(offset), data, size, nullptr);
}

void Remote::read(SIZE_T offset, void* data, SIZE_T size) const {
    ReadProcessMemory(process_, at(offset), data, size, nullptr);
}

Program::Program() : ostrel("\"" + BuildPath("ostrel.exe") + "\"") {
    main = ostrel.waitWindow("TOstrelMainForm", nullptr, programTimeout);
}

Program::~Program() {
    if (main && PostMessageA(main, WM_CLOSE, 0, 0)) ostrel.waitExit(10000);
}

void Program::Command(int id) const {
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

HWND Program::OpenChild(int tag, const char* className, const char* caption) const {
    Command(TOstrelMainForm::cmCreateWindow + tag);
    return ostrel.waitWindow(className, caption, programTimeout);
}

void Program::WaitPainted(DWORD ms) const {
    std::vector<HWND> windows = WindowsOf(ostrel.id());
    RoundTrip(windows);
    // A paint in progress has validated its window already: the round trip after waits for its end.
    WaitFor(
        [&] {
            for (HWND window : windows)
                if (IsWindow(window) && GetUpdateRect(window, nullptr, FALSE)) return false;
            return true;
        },
        ms);
    RoundTrip(windows);
}

void Program::WaitIdle() const {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, ostrel.id());
    if (!process) return;
    WaitForInputIdle(process, 5000);
    CloseHandle(process);
}

bool Program::Picture(const std::string& name) const {
    WaitIdle();
    // Wine's idle wait returns at once after the first idle; a form just shown (restored, say) still
    // has controls to paint, which the screen shows black until they are. A banner that keeps
    // repainting is pictured after a while all the same.
    WaitPainted(5000);
    return SaveSettledScreenshotPng(name);
}

HWND Program::OpenList(int tag, const char* caption) const {
    HWND toolbar = FindWindowExA(FindWindowExA(main, nullptr, REBARCLASSNAMEA, nullptr), nullptr,
                                 TOOLBARCLASSNAMEA, nullptr);
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(TOstrelMainForm::cmCreateWindow + tag, BN_CLICKED),
                 reinterpret_cast<LPARAM>(toolbar));
    HWND form = ostrel.waitWindow("TListForm", caption, programTimeout);
    if (!form) return nullptr;
    HWND list = List(form);
    HWND status = FindWindowExA(form, nullptr, STATUSCLASSNAMEA, nullptr);
    // Filled: the status bar counts and the tree is enabled again. The first of a kind is number 1.
    if (!WaitFor([&] { return IsWindowEnabled(list) && !Text(status).empty(); })) return nullptr;
    return form;
}

HWND Program::List(HWND form) {
    return FindWindowExA(form, nullptr, WC_LISTVIEWA, nullptr);
}

int Program::Rows(HWND form) {
    return int(SendMessageA(List(form), LVM_GETITEMCOUNT, 0, 0));
}

std::string Program::Status(HWND form) {
    return Text(FindWindowExA(form, nullptr, STATUSCLASSNAMEA, nullptr));
}

std::string Program::Cell(HWND form, int row, int column) {
    Remote remote(ostrel.id(), 4096);
    LVITEMA item{};
    item.iSubItem = column;
    item.cchTextMax = 1024;
    item.pszText = remote.at(sizeof item);
    remote.write(0, &item, sizeof item);
    SendMessageA(List(form), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote.at(0)));
    char text[1024] = {};
    remote.read(sizeof item, text, sizeof text - 1);
    return text;
}

void Program::Focus(HWND form, int row) {
    Remote remote(ostrel.id(), sizeof(LVITEMA));
    LVITEMA item{};
    item.stateMask = item.state = LVIS_FOCUSED | LVIS_SELECTED;
    remote.write(0, &item, sizeof item);
    SendMessageA(List(form), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(remote.at(0)));
}

bool Program::Answer(int button) {
    HWND box = ostrel.waitWindow("#32770", nullptr, programTimeout);
    return box && PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

} // namespace testing_support
