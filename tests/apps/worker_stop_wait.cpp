// Stopping the crash reporter while its worker is busy with a report waits 500 ms for the worker, then
// ends it: the stop never hangs on a report that does not finish.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE the worker is busy: yes
// EXPECT_LINE the stop waited 500 ms for it: yes
// EXPECT_LINE the busy worker ended: yes
#include "CrashApp.h"
#include "crashreport/jovExcept.h"
#include "crashreport/jovExceptHandlers.h"
#include "crashreport/jovExceptHooks.h"
#include "crashreport/jovExceptWorker.h"

#include <stdexcept>

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::UnheldSettings();

namespace {

HANDLE inHandler = nullptr;
HANDLE never = nullptr;

// On the worker: a report that never ends.
void Hang(jov::THandlerCall&) {
    SetEvent(inHandler);
    WaitForSingleObject(never, INFINITE);
}

DWORD WINAPI Fail(void*) {
    try {
        throw std::runtime_error("a report that never ends");
    } catch (...) {
        jov::CatchPointReport(std::current_exception());
    }
    return 0;
}

} // namespace

int main() {
    inHandler = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    jov::AddExceptionHandler(jov::hkException, Hang);
    HANDLE requester = CreateThread(nullptr, 0, Fail, nullptr, 0, nullptr);
    const bool busy = WaitForSingleObject(inHandler, 30000) == WAIT_OBJECT_0;
    crashapp::Say(std::string("the worker is busy: ") + (busy ? "yes" : "no"));
    HANDLE worker = OpenThread(SYNCHRONIZE, FALSE, jov::CrashWorkerThreadId());
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    jov::StopCrashReporter();
    QueryPerformanceCounter(&end);
    const double waited = double(end.QuadPart - start.QuadPart) * 1000 / double(frequency.QuadPart);
    crashapp::Say(std::string("the stop waited 500 ms for it: ") + (waited >= 495 ? "yes" : "no"));
    crashapp::Say(std::string("the busy worker ended: ") +
                  (worker && WaitForSingleObject(worker, 0) == WAIT_OBJECT_0 ? "yes" : "no"));
    // The requester waits for a report that is gone; the program ends around it.
    (void)requester;
    return 0;
}
