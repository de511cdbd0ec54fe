#include "crashreport/jovExceptHandlers.h"
#include "crashreport/jovExceptState.h"
#include "crashreport/jovExceptThreads.h"
#include "crashreport/jovTypes.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

constexpr jov::CrashSettings HandlerSettings() {
    jov::CrashSettings settings;
    settings.ReturnReport = true;
    settings.FreezeTimeout = 0;
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = HandlerSettings();

namespace {

DWORD ranOn = 0;
DWORD fallbackRanOn = 0;

void OnMainThread(jov::THandlerCall& call) {
    ranOn = GetCurrentThreadId();
    call.Report += " seen";
    call.CanContinue = false;
}

void Anywhere(jov::THandlerCall& call) {
    if (call.FallbackPass) fallbackRanOn = GetCurrentThreadId();
}

struct Dispatch {
    bool frozen = false;
    bool canContinue = true;
    std::string report = "report";
};

DWORD WINAPI Dispatcher(void* p) {
    auto& d = *static_cast<Dispatch*>(p);
    bool handled = false;
    std::string screenShot;
    jov::CallExceptionHandlers(jov::hkException, 0, d.frozen, handled, d.canContinue, screenShot, d.report,
                               GetCurrentThreadId(), nullptr, nullptr);
    return 0;
}

// As a report does it: the main thread held meanwhile.
bool mainHeldAfterHandlers = false;
DWORD WINAPI PausingDispatcher(void* p) {
    jov::PauseOtherThreads(true, true);
    Dispatcher(p);
    mainHeldAfterHandlers = jov::IsHeldByPause(jov::CrashState().MainThreadId);
    jov::PauseOtherThreads(false, true);
    return 0;
}

// Keeps the thread list for 2.5 s from the moment the handler returns: holding the main thread again
// gives up after 2 s.
DWORD WINAPI KeepTheList(void* held) {
    WaitForSingleObject(jov::CrashState().Block->ThreadListMutex, INFINITE);
    SetEvent(held);
    Sleep(2500);
    ReleaseMutex(jov::CrashState().Block->ThreadListMutex);
    return 0;
}
HANDLE listKeeper = nullptr;
void KeepsTheListOnReturn(jov::THandlerCall&) {
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    listKeeper = CreateThread(nullptr, 0, KeepTheList, held, 0, nullptr);
    WaitForSingleObject(held, INFINITE);
    CloseHandle(held);
}

// Runs the dispatch on another thread while this (the main) thread pumps messages, or not.
DWORD RunDispatch(Dispatch& d, bool pump, LPTHREAD_START_ROUTINE dispatcher = Dispatcher) {
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, dispatcher, &d, 0, &id);
    if (pump) {
        while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        }
    } else {
        WaitForSingleObject(thread, INFINITE);
    }
    CloseHandle(thread);
    return id;
}

} // namespace

TEST(HandlerDispatch, EmptyListsLeaveTheVariables) {
    Dispatch d;
    RunDispatch(d, false);
    EXPECT_EQ(d.report, "report");
    EXPECT_TRUE(d.canContinue);
}

TEST(HandlerDispatch, MainThreadHandlersRunThereOrFallBack) {
    jov::AddExceptionHandler(jov::hkException, OnMainThread, true, false);
    jov::AddExceptionHandler(jov::hkException, Anywhere, true, true);

    ranOn = fallbackRanOn = 0;
    Dispatch answered;
    RunDispatch(answered, true);
    EXPECT_EQ(ranOn, GetCurrentThreadId());
    EXPECT_EQ(answered.report, "report seen");
    EXPECT_FALSE(answered.canContinue);
    EXPECT_EQ(fallbackRanOn, 0u);

    // A main thread that does not answer the probe: after 1500 ms the handlers that may run elsewhere run
    // on the dispatching thread.
    ranOn = fallbackRanOn = 0;
    Dispatch unanswered;
    const DWORD start = GetTickCount();
    const DWORD dispatcher = RunDispatch(unanswered, false);
    EXPECT_GE(GetTickCount() - start, 1400u);
    EXPECT_EQ(ranOn, 0u);
    EXPECT_EQ(fallbackRanOn, dispatcher);
    EXPECT_EQ(unanswered.report, "report");

    // A freeze report tries no main-thread pass.
    ranOn = fallbackRanOn = 0;
    Dispatch frozen;
    frozen.frozen = true;
    RunDispatch(frozen, true);
    EXPECT_EQ(ranOn, 0u);
    EXPECT_EQ(fallbackRanOn, 0u);

    jov::RemoveExceptionHandler(jov::hkException, OnMainThread);
    jov::RemoveExceptionHandler(jov::hkException, Anywhere);
    EXPECT_FALSE(jov::HasExceptionHandlers(jov::hkException));
}

TEST(HandlerDispatch, AMainThreadThatCannotBeHeldAgainIsLeftToRun) {
    jov::AddExceptionHandler(jov::hkException, KeepsTheListOnReturn, true, false);
    Dispatch d;
    RunDispatch(d, true, PausingDispatcher);
    // The pause's end would otherwise resume a thread it no longer holds, taking a step of someone else's.
    EXPECT_FALSE(mainHeldAfterHandlers);
    WaitForSingleObject(listKeeper, INFINITE);
    CloseHandle(listKeeper);
    jov::RemoveExceptionHandler(jov::hkException, KeepsTheListOnReturn);
}
