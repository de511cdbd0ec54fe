#include "crashreport/jovExceptHandlers.h"

#include "crashreport/jovExceptState.h"
#include "crashreport/jovExceptThreads.h"
#include "crashreport/jovStepGuard.h"
#include "crashreport/jovToolsMsgHandlers.h"

#include <algorithm>
#include <vector>

namespace jov {
namespace {

constexpr LRESULT Answer = 777;
constexpr DWORD ProbeTimeout = 1500;

struct THandlerEntry {
    bool NeedsMainThread;
    bool MayRunElsewhere;
    TCrashHandler Handler;
};

std::vector<THandlerEntry>* HandlerLists() {
    static auto* lists = new std::vector<THandlerEntry>[2]; // outlives every static destructor
    return lists;
}
HWND handlerWindow = nullptr;
UINT handlerMessage = 0;
volatile bool mainThreadRunsHandlers = false;

void RunHandlers(THandlerCall& call) {
    const bool onMainThread = GetCurrentThreadId() == CrashState().MainThreadId;
    if (onMainThread) mainThreadRunsHandlers = true;
    for (const THandlerEntry& entry : std::vector<THandlerEntry>(HandlerLists()[call.Kind])) {
        if (call.Handled) break;
        if (entry.NeedsMainThread != call.MainThreadPass) continue;
        if (call.FallbackPass && !entry.MayRunElsewhere) continue;
        // A handler's fault, in its own code or in what it calls, ends only that handler.
        RunGuarded([&] { entry.Handler(call); });
    }
    if (onMainThread) mainThreadRunsHandlers = false;
}

// First parameter 1 is the probe: a main thread that answers it within 1500 ms is then asked to run them.
void HandlerWindowCallback(HWND, UINT, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (wParam == 0) RunHandlers(*reinterpret_cast<THandlerCall*>(lParam));
    result = Answer;
}

bool AskMainThread(THandlerCall& call) {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(handlerWindow, handlerMessage, 1, reinterpret_cast<LPARAM>(&call), SMTO_NORMAL,
                               ProbeTimeout, &answer) &&
           answer == Answer &&
           SendMessageTimeoutA(handlerWindow, handlerMessage, 0, reinterpret_cast<LPARAM>(&call), SMTO_NORMAL,
                               0x7FFFFFFE, &answer) &&
           answer == Answer;
}

} // namespace

void AddExceptionHandler(THandlerKind kind, TCrashHandler handler, bool needsMainThread,
                         bool mayRunElsewhere) {
    HandlerLists()[kind].push_back({needsMainThread, mayRunElsewhere, handler});
}

void RemoveExceptionHandler(THandlerKind kind, TCrashHandler handler) {
    std::erase_if(HandlerLists()[kind], [handler](const THandlerEntry& e) { return e.Handler == handler; });
}

bool HasExceptionHandlers(THandlerKind kind) {
    return !HandlerLists()[kind].empty();
}

bool MainThreadRunsHandlers() {
    return mainThreadRunsHandlers;
}

void CallExceptionHandlers(THandlerKind kind, uint8_t action, bool frozen, bool& handled, bool& canContinue,
                           std::string& screenShot, std::string& report, DWORD threadId, const void* address,
                           const TExceptionRef* exception) {
    if (!HasExceptionHandlers(kind)) return;
    std::string reportCopy = report, screenShotCopy = screenShot;
    bool continueCopy = canContinue, handledCopy = handled;
    THandlerCall call{kind,       action,         frozen,       exception,   address, threadId,
                      reportCopy, screenShotCopy, continueCopy, handledCopy, false,   false};
    RunHandlers(call);
    const bool needsMainThread = std::any_of(HandlerLists()[kind].begin(), HandlerLists()[kind].end(),
                                             [](const THandlerEntry& e) { return e.NeedsMainThread; });
    if (!call.Handled && !frozen && handlerWindow && needsMainThread) {
        call.MainThreadPass = true;
        // A report holds the main thread: it is let go while it runs the handlers.
        HANDLE mainThread = OpenThreadById(CrashState().MainThreadId, THREAD_SUSPEND_RESUME);
        const DWORD previousCount = mainThread ? ResumeThread(mainThread) : static_cast<DWORD>(-1);
        const bool wasSuspended = previousCount != static_cast<DWORD>(-1) && previousCount > 0;
        const bool ran = AskMainThread(call);
        // Not held again (its locks were taken too long), it runs on: the pause's end must not resume it.
        if (wasSuspended && !SuspendThreadGuarded(mainThread)) NoLongerHeldByPause(CrashState().MainThreadId);
        if (mainThread) CloseHandle(mainThread);
        if (!ran) {
            call.FallbackPass = true;
            RunHandlers(call);
        }
    }
    report = std::move(reportCopy);
    screenShot = std::move(screenShotCopy);
    canContinue = continueCopy;
    handled = handledCopy;
}

void InitHandlerWindow() {
    handlerWindow = GetHandlerWindow();
    handlerMessage = handlerWindow ? AddMessageHandler(HandlerWindowCallback) : 0;
    if (!handlerMessage) handlerWindow = nullptr;
}

void DoneHandlerWindow() {
    if (handlerMessage) RemoveMessageHandler(HandlerWindowCallback, handlerMessage);
    handlerWindow = nullptr;
    handlerMessage = 0;
}

} // namespace jov
