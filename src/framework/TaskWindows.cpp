#include "framework/TaskWindows.h"

namespace fw {

namespace {
BOOL CALLBACK collectEnabled(HWND hwnd, LPARAM param) {
    auto& windows = *reinterpret_cast<std::vector<HWND>*>(param);
    if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) windows.push_back(hwnd);
    return TRUE;
}
} // namespace

DisabledTaskWindows::DisabledTaskWindows(HWND except) {
    EnumThreadWindows(GetCurrentThreadId(), collectEnabled, reinterpret_cast<LPARAM>(&windows_));
    std::erase(windows_, except);
    for (HWND hwnd : windows_) EnableWindow(hwnd, FALSE);
}

DisabledTaskWindows::~DisabledTaskWindows() {
    for (HWND hwnd : windows_)
        if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
}

} // namespace fw
