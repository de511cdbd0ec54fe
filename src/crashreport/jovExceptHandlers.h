#pragma once
// The handlers the crash reporter calls when a report is ready (kind 0) and before an action (kind 1).
// Handlers of exceptions the program caught itself (kind 2) have no way in. A handler may need the main
// thread: the report runs on the crash worker, so such handlers run through the main thread's handler
// window.
#include "crashreport/jovTypes.h"

#include <windows.h>

#include <string>

namespace jov {

enum THandlerKind : uint8_t { hkException = 0, hkAction = 1 };

struct THandlerCall {
    THandlerKind Kind;
    uint8_t Action;
    bool Frozen;
    const TExceptionRef* Exception;
    const void* Address;
    DWORD ThreadId;
    std::string& Report;
    std::string& ScreenShot;
    bool& CanContinue;
    bool& Handled;
    bool MainThreadPass; // the handlers that need the main thread run
    bool FallbackPass;   // the main thread did not answer: those that may run elsewhere run here
};

using TCrashHandler = void (*)(THandlerCall& call);

// Handlers are added while the program starts, before any report can run.
void AddExceptionHandler(THandlerKind kind, TCrashHandler handler, bool needsMainThread = false,
                         bool mayRunElsewhere = false);
void RemoveExceptionHandler(THandlerKind kind, TCrashHandler handler);

void CallExceptionHandlers(THandlerKind kind, uint8_t action, bool frozen, bool& handled, bool& canContinue,
                           std::string& screenShot, std::string& report, DWORD threadId, const void* address,
                           const TExceptionRef* exception);

// Whether any handler of the kind is registered.
bool HasExceptionHandlers(THandlerKind kind);
// True on the main thread while it runs the handlers that need it: a failure there is not queued again.
bool MainThreadRunsHandlers();

// On the main thread, by the crash reporter's start and stop.
void InitHandlerWindow();
void DoneHandlerWindow();

} // namespace jov
