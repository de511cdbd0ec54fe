#pragma once
#include <windows.h>

// Registers hot key 1 for the main form from MainFinder, UseHotKey and HotKey, or unregisters it. Does
// nothing while the settings load. A key another program holds is simply not registered.
void UpdateHotKey(HWND form);
