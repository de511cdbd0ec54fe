#pragma once
// The handlers the crash reporter calls when a report is ready (kind 0), before an action (kind 1) and
// when the program caught an exception itself (kind 2). The program registers none, so every dispatch
// finds its lists empty and leaves the caller's variables as they are.
#include "crashreport/jovTypes.h"

#include <windows.h>

#include <string>

namespace jov {

enum THandlerKind : uint8_t { hkException = 0, hkAction = 1, hkHandled = 2 };

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
};

using TCrashHandler = void (*)(THandlerCall& call);

void CallExceptionHandlers(THandlerKind kind, uint8_t action, bool frozen, bool& handled, bool& canContinue,
                           std::string& screenShot, std::string& report, DWORD threadId, const void* address,
                           const TExceptionRef* exception);

// Whether any handler of the kind is registered (kind 2 is asked before a report is composed for it).
bool HasExceptionHandlers(THandlerKind kind);

} // namespace jov
