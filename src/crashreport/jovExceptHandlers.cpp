#include "crashreport/jovExceptHandlers.h"

#include <vector>

namespace jov {
namespace {

std::vector<TCrashHandler> handlerLists[3];

} // namespace

bool HasExceptionHandlers(THandlerKind kind) {
    return !handlerLists[kind].empty();
}

void CallExceptionHandlers(THandlerKind kind, uint8_t action, bool frozen, bool& handled, bool& canContinue,
                           std::string& screenShot, std::string& report, DWORD threadId, const void* address,
                           const TExceptionRef* exception) {
    if (!HasExceptionHandlers(kind)) return;
    std::string reportCopy = report, screenShotCopy = screenShot;
    bool continueCopy = canContinue, handledCopy = handled;
    THandlerCall call{kind,     action,     frozen,         exception,    address,
                      threadId, reportCopy, screenShotCopy, continueCopy, handledCopy};
    for (TCrashHandler handler : std::vector<TCrashHandler>(handlerLists[kind])) {
        if (kind != hkHandled && call.Handled) break;
        try {
            handler(call);
        } catch (...) {
        }
    }
    report = std::move(reportCopy);
    screenShot = std::move(screenShotCopy);
    canContinue = continueCopy;
    handled = handledCopy;
}

} // namespace jov
