#pragma once
#include <windows.h>

// The shell's notifications about the tray icon, sent to the main form.
constexpr UINT WM_TRAYNOTIFY = WM_USER + 102; // 1126

// The main form's icon in the notification area, and the application window's taskbar button that
// Minimization hides while the icon is there.
void AddTrayIcon(HWND form);
void RemoveTrayIcon(HWND form);
