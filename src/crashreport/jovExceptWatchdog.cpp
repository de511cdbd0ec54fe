#include "crashreport/jovExceptWatchdog.h"

#include "crashreport/core/FreezeWatch.h"
#include "crashreport/jovExceptState.h"
#include "crashreport/jovExceptThreads.h"
#include "crashreport/jovExceptWorker.h"
#include "crashreport/jovToolsMsgHandlers.h"

namespace jov {
namespace {

constexpr WPARAM Answer = 777;

DWORD watchdogId = 0;
HANDLE watchdogThread = nullptr;
HANDLE stopEvent = nullptr;
HWND pingWindow = nullptr;
UINT pingMessage = 0;
volatile LONG pauseDepth = 0; // requests from several threads may overlap: the first holds, the last lets go
bool watchdogHeld = false;
volatile LONG restartCount = 0; // set when a pause ends: the pings before it do not count

void AnswerFreezePing(HWND, UINT, WPARAM wParam, LPARAM, LRESULT& result) {
    if (wParam)
        PostMessageA(reinterpret_cast<HWND>(wParam), WM_NULL, Answer, Answer);
    else
        PostThreadMessageA(watchdogId, WM_NULL, Answer, Answer);
    result = Answer;
}

// Every waiting message is taken; the ping counts as answered when one of them is the answer.
bool TakeAnswer() {
    bool answered = false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        answered = answered || (!message.hwnd && message.message == WM_NULL && message.wParam == Answer &&
                                message.lParam == static_cast<LPARAM>(Answer));
    return answered;
}

DWORD WINAPI Watchdog(void* parameter) {
    // The queue exists before the first ping, so that no answer is lost.
    MSG message;
    PeekMessageA(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    const auto timeout = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(parameter));
    // Of several modules carrying the crash reporter only one watchdog pings; the others wait their turn.
    HANDLE waits[] = {stopEvent, CrashState().Block ? CrashState().Block->WatchdogMutex : nullptr};
    if (!waits[1]) return 0;
    const DWORD got = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (got != WAIT_OBJECT_0 + 1 && got != WAIT_ABANDONED_0 + 1) return 0;
    FreezeWatch watch(timeout);
    InterlockedExchange(&restartCount, 0);
    DWORD due = GetTickCount();
    for (;;) {
        PostMessageA(pingWindow, pingMessage, 0, 0);
        // Each wait ends an interval after the one before, so that late wake-ups on a busy machine do not
        // add up over ten pings; a ping still has at least half an interval to be answered.
        const DWORD now = GetTickCount(), least = watch.Interval() / 2;
        due += watch.Interval();
        if (static_cast<int32_t>(due - now) < static_cast<int32_t>(least)) due = now + least;
        if (WaitForSingleObject(stopEvent, due - now) != WAIT_TIMEOUT) break;
        const bool answered = TakeAnswer();
        // A request that could not hold the watchdog still holds the main thread: its silence is no freeze.
        if (InterlockedExchange(&restartCount, 0) || pauseDepth > 0) {
            watch.Restart();
            due = GetTickCount();
            continue;
        }
        if (watch.PingEnded(answered)) {
            QueueCrashRequest(true, nullptr, nullptr, true, nullptr, nullptr, nullptr,
                              CrashState().MainThreadId);
            watch.Restart();
            due = GetTickCount();
        }
    }
    ReleaseMutex(waits[1]);
    return 0;
}

} // namespace

DWORD FreezeWatchdogThreadId() {
    return watchdogId;
}

void PingMainThreadFor(HWND answerTo) {
    if (watchdogThread) PostMessageA(pingWindow, pingMessage, reinterpret_cast<WPARAM>(answerTo), 0);
}

void StartFreezeWatchdog() {
    const int timeout = RunningSettings().FreezeTimeout;
    if (watchdogThread || timeout < 1) return;
    pingWindow = GetHandlerWindow();
    if (!pingWindow) return;
    pingMessage = AddMessageHandler(AnswerFreezePing);
    stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD id = 0;
    HANDLE thread =
        pingMessage && stopEvent
            ? CreateThread(nullptr, 0, Watchdog, reinterpret_cast<void*>(timeout), CREATE_SUSPENDED, &id)
            : nullptr;
    if (!thread) {
        if (pingMessage) RemoveMessageHandler(AnswerFreezePing, pingMessage);
        if (stopEvent) CloseHandle(stopEvent);
        stopEvent = nullptr, pingWindow = nullptr, pingMessage = 0;
        return;
    }
    watchdogThread = thread;
    watchdogId = id;
    SetThreadName(id, "-");
    SetThreadPriority(thread, THREAD_PRIORITY_HIGHEST);
    ResumeThread(thread);
}

void StopFreezeWatchdog() {
    if (!watchdogThread) return;
    RemoveMessageHandler(AnswerFreezePing, pingMessage);
    SetEvent(stopEvent);
    if (watchdogHeld) ResumeThread(watchdogThread);
    watchdogHeld = false;
    if (IsLoaderLockHeldHere() || WaitForSingleObject(watchdogThread, 1000) != WAIT_OBJECT_0)
        TerminateOwnThread(watchdogThread);
    CloseHandle(watchdogThread);
    CloseHandle(stopEvent);
    SetThreadName(watchdogId, "");
    watchdogThread = nullptr, stopEvent = nullptr, watchdogId = 0, pingWindow = nullptr, pingMessage = 0;
}

void PauseFreezeWatchdog(bool pause) {
    if (!watchdogThread || GetCurrentThreadId() == watchdogId) return;
    if (pause) {
        if (InterlockedIncrement(&pauseDepth) == 1) watchdogHeld = SuspendThreadGuarded(watchdogThread);
    } else if (InterlockedDecrement(&pauseDepth) == 0) {
        if (watchdogHeld) ResumeThread(watchdogThread);
        watchdogHeld = false;
        InterlockedExchange(&restartCount, 1);
    }
}

} // namespace jov
