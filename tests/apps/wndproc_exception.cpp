// A C++ exception thrown in a window procedure stops at the framework's catch point, which hands it to
// the crash reporter; the report names the thrown class and message, and the program continues.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE An error occurred in the application.
// EXPECT_LINE
// EXPECT_LINE date/time         :
// EXPECT_SOMEWHERE exception class   : runtime_error
// EXPECT_SOMEWHERE exception message : thrown in a window procedure.
// EXPECT_SOMEWHERE crashapp_wndproc_exception.exe
// EXPECT_SOMEWHERE window procedure returned
#include "CrashApp.h"
#include "framework/Application.h"

#include <stdexcept>

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
        // The framework's window procedures stop every exception here.
        try {
            throw std::runtime_error("thrown in a window\r\n procedure");
        } catch (...) {
            fw::application().handleException(std::current_exception());
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int main() {
    HWND window = crashapp::MessageWindow(Procedure);
    SendMessageA(window, WM_APP, 0, 0);
    crashapp::Say("window procedure returned");
    DestroyWindow(window);
    return 0;
}
