// An access violation on the main thread in a message it dispatches while its first report runs is
// reported after that report, as not continuable: the close rule then ends the program.
// EXPECT_EXIT_CODE 1
// EXPECT_SOMEWHERE exception message : thrown first.
// EXPECT_SOMEWHERE exception message : Access violation at address
// EXPECT_NOWHERE the program goes on
#include "CrashApp.h"
#include "crashreport/jovExceptHandlers.h"
#include "framework/Application.h"

#include <stdexcept>

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::UnheldSettings();

namespace {

HWND window = nullptr;
volatile int* volatile unmapped = nullptr;
volatile LONG reports = 0;
HANDLE faulting = nullptr;

LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP + 1) {
        SetEvent(faulting);
        *unmapped = 1;
    }
    if (message != WM_APP) return DefWindowProcA(hwnd, message, wParam, lParam);
    try {
        throw std::runtime_error("thrown first");
    } catch (...) {
        fw::application().handleException(std::current_exception());
    }
    return 0;
}

// On the worker, while the first report runs.
void FaultNext(jov::THandlerCall&) {
    if (InterlockedIncrement(&reports) != 1) return;
    PostMessageA(window, WM_APP + 1, 0, 0);
    // The fault comes while this report still runs, so that it meets the pending request.
    WaitForSingleObject(faulting, 20000);
}

} // namespace

int main() {
    window = crashapp::MessageWindow(Procedure);
    faulting = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    jov::AddExceptionHandler(jov::hkException, FaultNext);
    SendMessageA(window, WM_APP, 0, 0);
    crashapp::Say("the program goes on");
    return 0;
}
