#pragma once
// The exception-time history and the automatic restart and close rules decided from it.
#include <array>
#include <cstddef>
#include <cstdint>

namespace jov {

// Seconds since 1601-01-01 UTC, newest first; 0 marks an empty slot. Survives a restart.
using ExceptionTimes = std::array<int64_t, 10>;

// Shifts the history by one slot (the oldest falls out) and stores `now` as the newest.
void RecordExceptionTime(ExceptionTimes& history, int64_t now);

// Rule 0 never, 1 always, N > 1: every slot is filled and none is more than N seconds older than now.
bool AutoRuleApplies(int rule, const ExceptionTimes& history, int64_t now);

enum class FinalAction { Continue, Restart, Close };

// What happens after a report when nobody asks the user: close when the close rule applies or the
// failure cannot be continued and the restart rule does not apply; else restart when its rule applies.
FinalAction DecideFinalAction(bool canContinue, int autoClose, int autoRestart, const ExceptionTimes& history,
                              int64_t now);

} // namespace jov
