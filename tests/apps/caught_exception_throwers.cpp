// A C++ exception thrown three calls deep in a handler of a framework window stops at the framework's
// catch point. By then the catch and the report's own calls have reused the stack the throwers stood on;
// the report's trace of the exception thread still names the three throwers with their source lines,
// innermost first, as they were at the throw, and then the window procedure and the rest of the stack.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE An error occurred in the application.
// EXPECT_SOMEWHERE exception class   : runtime_error
// EXPECT_SOMEWHERE exception message : thrown three calls deep.
// EXPECT_IN_ORDER main thread ($
// EXPECT_IN_ORDER caught_exception_throwers 31 ThrowerInner
// EXPECT_IN_ORDER caught_exception_throwers 35 ThrowerMiddle
// EXPECT_IN_ORDER caught_exception_throwers 40 ThrowerOuter
// EXPECT_IN_ORDER ThrowingWindow.handleMessage
// EXPECT_IN_ORDER fw.Window.windowProc
// EXPECT_IN_ORDER caught_exception_throwers 65 main
// EXPECT_SOMEWHERE window procedure returned
#include "CrashApp.h"
#include "framework/Window.h"

#include <stdexcept>

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

namespace {

volatile int gSink = 0;

// Each thrower keeps its frame: a tail call would leave its caller out of the stack.
__attribute__((noinline)) void ThrowerInner(int depth) {
    gSink = gSink + depth;
    throw std::runtime_error("thrown three calls deep");
}
__attribute__((noinline)) void ThrowerMiddle(int depth) {
    gSink = gSink + 1;
    ThrowerInner(depth + 1);
    gSink = gSink + 1;
}
__attribute__((noinline)) void ThrowerOuter(int depth) {
    gSink = gSink + 1;
    ThrowerMiddle(depth + 1);
    gSink = gSink + 1;
}

class ThrowingWindow final : public fw::Window {
public:
    ThrowingWindow() {
        CreateParams params;
        params.className = "CrashAppThrowingWindow";
        params.style = 0;
        params.parent = HWND_MESSAGE;
        create(params);
    }

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_APP) ThrowerOuter(0);
        return Window::handleMessage(message, wParam, lParam);
    }
};

} // namespace

int main() {
    ThrowingWindow window;
    SendMessageA(window.handle(), WM_APP, 0, 0);
    crashapp::Say("window procedure returned");
    window.destroy();
    return 0;
}
