#pragma once
#include <windows.h>

// kernel32 functions looked up by name on first use, so the program still starts where they are missing.
// Each returns 0 when its function is not available.
DWORD ImpGetLongPathName(LPCSTR shortPath, LPSTR longPath, DWORD size);
HANDLE ImpOpenThread(DWORD access, BOOL inheritHandle, DWORD threadId);
