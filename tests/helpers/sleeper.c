/* A child process for tests to inspect and terminate: it only waits, a minute at most. With the argument
   "window" it first makes a top-level window "ostrel hung window" and never answers its messages. */
#include <windows.h>

#include <string.h>

int main(int argc, char** argv) {
    if (argc > 1 && strcmp(argv[1], "window") == 0) {
        WNDCLASSA wc = {0};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "OstrelHungWindow";
        RegisterClassA(&wc);
        CreateWindowExA(0, wc.lpszClassName, "ostrel hung window", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, NULL,
                        NULL, wc.hInstance, NULL);
    }
    Sleep(60000);
    return 0;
}
