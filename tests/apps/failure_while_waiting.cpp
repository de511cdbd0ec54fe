// The main thread keeps dispatching messages while its report runs. A second, different failure in one of
// them is queued behind the first and reported after it; only a thread that fails once more inside that
// second wait is not queued again, so that waits do not nest without bound.
// EXPECT_EXIT_CODE 0
// EXPECT_SOMEWHERE exception message : failure 1.
// EXPECT_SOMEWHERE exception message : failure 2.
// EXPECT_SOMEWHERE third failure handled during the second report: yes
// EXPECT_SOMEWHERE reports made: 2
// EXPECT_NOWHERE exception message : failure 3.
#include "CrashApp.h"
#include "crashreport/jovExceptHandlers.h"
#include "framework/Application.h"

#include <stdexcept>
#include <string>

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::UnheldSettings();

namespace {

HWND window = nullptr;
HANDLE secondStarted = nullptr;
HANDLE thirdHandled = nullptr;
volatile LONG reports = 0;

LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_APP) return DefWindowProcA(hwnd, message, wParam, lParam);
    if (wParam == 2) SetEvent(secondStarted);
    try {
        throw std::runtime_error("failure " + std::to_string(wParam));
    } catch (...) {
        fw::application().handleException(std::current_exception());
    }
    if (wParam == 3) SetEvent(thirdHandled);
    return 0;
}

// On the worker, while the report of each failure runs.
void NextFailure(jov::THandlerCall&) {
    const LONG report = InterlockedIncrement(&reports);
    if (report > 2) return;
    PostMessageA(window, WM_APP, report + 1, 0);
    // The next failure comes while this report still runs, so that it meets the pending request.
    if (report == 1) WaitForSingleObject(secondStarted, 20000);
    if (report == 2)
        crashapp::Say(std::string("third failure handled during the second report: ") +
                      (WaitForSingleObject(thirdHandled, 20000) == WAIT_OBJECT_0 ? "yes" : "no"));
}

} // namespace

int main() {
    window = crashapp::MessageWindow(Procedure);
    secondStarted = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thirdHandled = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    jov::AddExceptionHandler(jov::hkException, NextFailure);
    SendMessageA(window, WM_APP, 1, 0);
    crashapp::Say("reports made: " + std::to_string(reports));
    DestroyWindow(window);
    return 0;
}
