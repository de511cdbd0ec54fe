// A module whose thread-attach notification, run under the loader lock, lingers and then takes the process
// heap's lock, as a thread starting up under Wine does when it allocates.
#include <windows.h>

namespace {
volatile LONG attaches = 0;
}

extern "C" __declspec(dllexport) LONG SlowAttaches() {
    return attaches;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    if (reason == DLL_THREAD_ATTACH) {
        Sleep(300);
        HeapLock(GetProcessHeap());
        HeapUnlock(GetProcessHeap());
        InterlockedIncrement(&attaches);
    }
    return TRUE;
}
