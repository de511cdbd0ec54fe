// A quit message that reaches the main thread while it waits for its report is posted again with the same
// exit code, and the main thread stops waiting; the report goes on in the worker to its end, the
// exception it names still intact.
// EXPECT_EXIT_CODE 0
// EXPECT_SOMEWHERE the main thread went on while the report ran: yes
// EXPECT_SOMEWHERE quit code: 7
// EXPECT_SOMEWHERE dialog text after the main thread went on: An error occurred in the application. (left
// behind) EXPECT_SOMEWHERE the report went on to its end: yes
#include "CrashApp.h"
#include "crashreport/jovExceptActions.h"
#include "crashreport/jovExceptHandlers.h"
#include "crashreport/jovExceptHooks.h"

#include <stdexcept>
#include <string>

constexpr jov::CrashSettings MainThreadPumps() {
    jov::CrashSettings settings = crashapp::UnheldSettings();
    settings.ExceptionText = "An error occurred in the application. (%exceptMsg%)";
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = MainThreadPumps();

namespace {

DWORD mainThread = 0;
HANDLE mainWentOn = nullptr;
HANDLE reportEnded = nullptr;

// On the worker, once the report is composed.
void QuitMeanwhile(jov::THandlerCall& call) {
    PostThreadMessageA(mainThread, WM_QUIT, 7, 0);
    const bool wentOn = WaitForSingleObject(mainWentOn, 20000) == WAIT_OBJECT_0;
    crashapp::Say(std::string("the main thread went on while the report ran: ") + (wentOn ? "yes" : "no"));
    // Whatever the main thread's stack holds by now, the exception is the one it reported.
    crashapp::Say("dialog text after the main thread went on: " +
                  jov::ExceptionBoxMessage(false, call.Exception));
}

void NoteTheEnd(jov::THandlerCall& call) {
    if (call.Action == jov::caContinue) SetEvent(reportEnded);
}

// Deep enough to overwrite where the waiting frames were.
__attribute__((noinline)) void Scribble(int depth) {
    volatile char filler[4096];
    for (char& byte : const_cast<char(&)[4096]>(filler)) byte = static_cast<char>(0xCC);
    if (depth > 0) Scribble(depth - 1);
}

} // namespace

int main() {
    mainThread = GetCurrentThreadId();
    mainWentOn = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    reportEnded = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    jov::AddExceptionHandler(jov::hkException, QuitMeanwhile);
    jov::AddExceptionHandler(jov::hkAction, NoteTheEnd);
    try {
        throw std::runtime_error("left behind");
    } catch (...) {
        jov::CatchPointReport(std::current_exception());
    }
    Scribble(8);
    SetEvent(mainWentOn);
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    }
    crashapp::Say("quit code: " + std::to_string(message.wParam));
    crashapp::Say(std::string("the report went on to its end: ") +
                  (WaitForSingleObject(reportEnded, 20000) == WAIT_OBJECT_0 ? "yes" : "no"));
    return 0;
}
