// Benchmark helper: makes N windows (popups with up to 99 children each), says so through the event
// named on its command line, and answers their messages until it is told to quit.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    int count = std::atoi(argv[1]);
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
    HANDLE quit = OpenEventA(SYNCHRONIZE, FALSE, argv[3]);
    if (!ready || !quit) return 3;
    HWND parent = nullptr;
    for (int i = 0; i < count; ++i) {
        std::string text = "bench window " + std::to_string(i);
        if (i % 100 == 0)
            parent = CreateWindowExA(0, "STATIC", text.c_str(), WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                     nullptr, nullptr);
        else
            CreateWindowExA(0, "STATIC", text.c_str(), WS_CHILD, i % 40, i % 30, 10, 10, parent, nullptr,
                            nullptr, nullptr);
    }
    SetEvent(ready);
    for (;;) {
        if (MsgWaitForMultipleObjects(1, &quit, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0) break;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    CloseHandle(ready);
    CloseHandle(quit);
    return 0;
}
