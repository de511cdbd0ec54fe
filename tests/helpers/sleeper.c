/* A child process for tests to inspect and terminate: it only waits, a minute at most. With the argument
   "window" it first makes a top-level window "ostrel hung window" and never answers its messages; with
   "shown" it shows a window "ostrel finder target" of class "OstrelFinderTarget" at (300, 300), 300 x 200,
   and answers its messages for that minute; with "slowtext" it makes a window "ostrel slow text" of class
   "OstrelSlowText" that answers every message at once but WM_GETTEXT, which takes it five seconds. */
#include <windows.h>

#include <string.h>

static LRESULT CALLBACK SlowTextProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_GETTEXT) Sleep(5000);
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

/* Answers the messages of this thread's windows until the minute is over. */
static int AnswerForAMinute(void) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 60000) {
        MSG msg;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 100, QS_ALLINPUT);
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    return 0;
}

/* A top-level window of a class of its own, with a background so that it paints when shown. */
static void MakeWindow(const char* className, WNDPROC proc, const char* title, DWORD exStyle, DWORD style,
                       int x, int y, int width, int height) {
    WNDCLASSA wc = {0};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    CreateWindowExA(exStyle, className, title, style, x, y, width, height, NULL, NULL, wc.hInstance, NULL);
}

int main(int argc, char** argv) {
    if (argc > 1 && strcmp(argv[1], "window") == 0)
        MakeWindow("OstrelHungWindow", DefWindowProcA, "ostrel hung window", 0, WS_OVERLAPPEDWINDOW, 0, 0,
                   200, 100);
    if (argc > 1 && strcmp(argv[1], "slowtext") == 0) {
        MakeWindow("OstrelSlowText", SlowTextProc, "ostrel slow text", 0, WS_OVERLAPPEDWINDOW, 0, 0, 200,
                   100);
        return AnswerForAMinute();
    }
    if (argc > 1 && strcmp(argv[1], "shown") == 0) {
        MakeWindow("OstrelFinderTarget", DefWindowProcA, "ostrel finder target", WS_EX_TOPMOST,
                   WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 300, 300, 200);
        return AnswerForAMinute();
    }
    Sleep(60000);
    return 0;
}
