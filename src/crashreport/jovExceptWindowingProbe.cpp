#include "crashreport/jovExceptWindowingProbe.h"

#include "crashreport/jovExceptThreads.h"

namespace jov {

namespace {

struct Probe {
    HANDLE Thread = nullptr;
    DWORD Id = 0;
    HANDLE Ask = nullptr;      // auto-reset: one call per question
    HANDLE Answered = nullptr; // manual-reset: set when the call came back
    bool Open = false;         // a question whose answer has not come yet
    LONG Stopping = 0;
    CRITICAL_SECTION Asking{}; // a report's pause and a watchdog's pause may ask at once
};
// Ready before any static initialiser: the crash reporter starts from one.
constinit Probe probe;

DWORD WINAPI Answer(void*) {
    while (WaitForSingleObject(probe.Ask, INFINITE) == WAIT_OBJECT_0 &&
           !InterlockedCompareExchange(&probe.Stopping, 0, 0)) {
        // A look-up among the windows, a read of the screen and a look for messages: under Wine the first
        // takes the window lock, the second the display connection that every drawing of the process
        // shares, the third the lock of every window's drawing surface, which each look for messages of
        // any thread flushes to the screen (the report's progress bar and dialog look for theirs).
        if (HDC screen = GetDC(nullptr)) {
            GetPixel(screen, 0, 0);
            ReleaseDC(nullptr, screen);
        }
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
        SetEvent(probe.Answered);
    }
    return 0;
}

void CloseEvents() {
    if (probe.Ask) CloseHandle(probe.Ask);
    if (probe.Answered) CloseHandle(probe.Answered);
    probe.Ask = probe.Answered = nullptr;
}

} // namespace

bool StartWindowingProbe() {
    if (probe.Thread) return true;
    static bool initialised = false;
    if (!initialised) InitializeCriticalSection(&probe.Asking);
    initialised = true;
    InterlockedExchange(&probe.Stopping, 0);
    probe.Open = false;
    probe.Ask = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    probe.Answered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (probe.Ask && probe.Answered) probe.Thread = CreateThread(nullptr, 0, Answer, nullptr, 0, &probe.Id);
    if (!probe.Thread) {
        CloseEvents();
        return false;
    }
    SetThreadName(probe.Id, "-");
    return true;
}

void StopWindowingProbe() {
    if (!probe.Thread) return;
    InterlockedExchange(&probe.Stopping, 1);
    SetEvent(probe.Ask);
    if (WaitForSingleObject(probe.Thread, 500) == WAIT_TIMEOUT) TerminateOwnThread(probe.Thread);
    CloseHandle(probe.Thread);
    probe.Thread = nullptr;
    SetThreadName(probe.Id, "");
    probe.Id = 0;
    CloseEvents();
}

bool WindowingAnswers(DWORD ms) {
    if (!probe.Thread || GetCurrentThreadId() == probe.Id) return true;
    EnterCriticalSection(&probe.Asking);
    bool answered = !probe.Open || WaitForSingleObject(probe.Answered, ms) == WAIT_OBJECT_0;
    if (answered) {
        ResetEvent(probe.Answered);
        probe.Open = true;
        SetEvent(probe.Ask);
        answered = WaitForSingleObject(probe.Answered, ms) == WAIT_OBJECT_0;
        probe.Open = !answered;
    }
    LeaveCriticalSection(&probe.Asking);
    return answered;
}

bool IsWindowingProbe(DWORD threadId) {
    return threadId && threadId == probe.Id;
}

} // namespace jov
