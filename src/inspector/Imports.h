#pragma once
#include <windows.h>

// kernel32 functions looked up by name on first use, so the program still starts where they are missing.
// Each returns 0 when its function is not available.
DWORD ImpGetLongPathName(LPCSTR shortPath, LPSTR longPath, DWORD size);
HANDLE ImpOpenThread(DWORD access, BOOL inheritHandle, DWORD threadId);

// uxtheme's SetWindowTheme, looked up on first use (Windows 2000 has no themes); does nothing without it.
void ImpSetWindowTheme(HWND window, LPCWSTR subAppName, LPCWSTR subIdList);
