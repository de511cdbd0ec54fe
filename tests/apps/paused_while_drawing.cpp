// Ten threads fail, one after another, while the main thread reads the screen and draws into its own window
// without pause. The
// report holds the main thread wherever it is; where that is inside the windowing system (whose locks,
// under Wine, live in the program's own process), the report must not wait for it for ever: every failure
// is reported and the program goes on.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE An error occurred in the application.
// EXPECT_SOMEWHERE failure 10 reported
// EXPECT_SOMEWHERE the program goes on
#include "CrashApp.h"

#include <string>

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

static volatile int* volatile nil = nullptr;

static DWORD WINAPI ReadNil(void*) {
    return static_cast<DWORD>(*nil);
}

// Reads of the screen, drawing into its window and looks for messages (which bring every window's drawing
// to the screen) keep the main thread inside the windowing system most of the time.
static void DrawUntilEnded(HWND window, HANDLE thread) {
    while (WaitForSingleObject(thread, 0) == WAIT_TIMEOUT) {
        if (HDC screen = GetDC(nullptr)) {
            GetPixel(screen, 1, 1);
            ReleaseDC(nullptr, screen);
        }
        if (HDC own = GetDC(window)) {
            PatBlt(own, 0, 0, 64, 64, DSTINVERT);
            ReleaseDC(window, own);
        }
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
}

int main() {
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 64, 64, nullptr,
                                  nullptr, nullptr, nullptr);
    if (!window) return 4;
    for (int failure = 1; failure <= 10; ++failure) {
        HANDLE thread = CreateThread(nullptr, 0, ReadNil, nullptr, 0, nullptr);
        if (!thread) return 3;
        DrawUntilEnded(window, thread);
        CloseHandle(thread);
        crashapp::Say("failure " + std::to_string(failure) + " reported");
    }
    DestroyWindow(window);
    crashapp::Say("the program goes on");
    return 0;
}
