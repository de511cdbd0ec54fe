#include "TrayIcon.h"
#include <shellapi.h>
#include <cstring>
#include "ConstVars.h"
#include "framework/Application.h"

namespace {

// The first, 88-byte form of the record: every shell since the first understands it.
NOTIFYICONDATAA iconData(HWND form) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = form;
    data.uID = 1;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAYNOTIFY;
    data.hIcon = OstrelSettings ? OstrelSettings->ProgramIcon.get() : nullptr;
    std::strncpy(data.szTip, "Ostrel", 63);
    return data;
}

} // namespace

void AddTrayIcon(HWND form) {
    NOTIFYICONDATAA data = iconData(form);
    Shell_NotifyIconA(NIM_ADD, &data);
    HWND application = fw::application().handle();
    const uint8_t minimization = OstrelSettings ? OstrelSettings->Minimization : 0;
    if (minimization == 1 || (minimization == 2 && !IsIconic(application))) ShowWindow(application, SW_HIDE);
}

void RemoveTrayIcon(HWND form) {
    NOTIFYICONDATAA data = iconData(form);
    Shell_NotifyIconA(NIM_DELETE, &data);
    ShowWindow(fw::application().handle(), SW_SHOW);
}
