#include "AppBar.h"
#include <shellapi.h>
#include "DesktopIcons.h"

namespace {

bool registered = false;

APPBARDATA barData(HWND form) {
    APPBARDATA data{};
    data.cbSize = sizeof data;
    data.hWnd = form;
    data.uCallbackMessage = WM_APPBARNOTIFY;
    data.uEdge = ABE_TOP;
    return data;
}

} // namespace

bool AppBarRegistered() {
    return registered;
}

std::optional<RECT> PositionAppBar(HWND form, int formHeight) {
    if (!registered) return std::nullopt;
    APPBARDATA data = barData(form);
    data.rc = {0, 0, GetSystemMetrics(SM_CXSCREEN), formHeight};
    SHAppBarMessage(ABM_QUERYPOS, &data);
    data.rc.bottom = data.rc.top + formHeight;
    SHAppBarMessage(ABM_SETPOS, &data);
    return data.rc;
}

std::optional<RECT> RegisterAppBar(HWND form, int formHeight) {
    if (registered) return std::nullopt;
    SaveIconPositions();
    APPBARDATA data = barData(form);
    SHAppBarMessage(ABM_NEW, &data);
    registered = true;
    return PositionAppBar(form, formHeight);
}

void UnregisterAppBar(HWND form) {
    if (!registered) return;
    APPBARDATA data = barData(form);
    SHAppBarMessage(ABM_REMOVE, &data);
    registered = false;
    RestoreIconPositions();
}
