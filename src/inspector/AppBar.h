#pragma once
#include <windows.h>
#include <optional>

// The shell's notifications about the bar, sent to the main form.
constexpr UINT WM_APPBARNOTIFY = WM_USER + 101; // 1125

// The main form docked as an application bar across the top edge of the screen. Registering and
// unregistering happen only on a real change of state, so the desktop icons are saved once, before the
// bar shifts them, and restored once, after it has gone.
bool AppBarRegistered();
// Saves the icon positions, registers the bar and gives the rectangle the form must take; nothing when
// the bar is registered already.
std::optional<RECT> RegisterAppBar(HWND form, int formHeight);
// Asks the shell for the bar's place again (ABN_POSCHANGED); nothing unless registered.
std::optional<RECT> PositionAppBar(HWND form, int formHeight);
// Removes the bar and restores the icon positions; nothing unless registered.
void UnregisterAppBar(HWND form);
