#include "crashreport/core/CrashHistory.h"

namespace jov {

void RecordExceptionTime(ExceptionTimes& history, int64_t now) {
    for (size_t i = history.size() - 1; i > 0; --i) history[i] = history[i - 1];
    history[0] = now;
}

bool AutoRuleApplies(int rule, const ExceptionTimes& history, int64_t now) {
    if (rule <= 0) return false;
    if (rule == 1) return true;
    for (int64_t time : history)
        if (time == 0 || now - time > rule) return false;
    return true;
}

FinalAction DecideFinalAction(bool canContinue, int autoClose, int autoRestart, const ExceptionTimes& history,
                              int64_t now) {
    const bool restart = AutoRuleApplies(autoRestart, history, now);
    if (AutoRuleApplies(autoClose, history, now) || (!canContinue && !restart)) return FinalAction::Close;
    return restart ? FinalAction::Restart : FinalAction::Continue;
}

} // namespace jov
