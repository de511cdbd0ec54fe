#pragma once
// The freeze watchdog's counting: how long it waits for an answer and when unanswered pings make a report.
#include <cstdint>

namespace jov {

constexpr int FreezeMissesPerReport = 10;

class FreezeWatch {
public:
    explicit FreezeWatch(uint32_t freezeTimeout) : timeout_(freezeTimeout), interval_(BaseInterval()) {}

    uint32_t Interval() const { return interval_; }
    int Misses() const { return misses_; }
    // True when this unanswered ping is the tenth in a row: a freeze to report. Each report makes the next
    // one wait half as long again, until an answer resets the interval.
    bool PingEnded(bool answered) {
        if (answered) {
            misses_ = 0;
            interval_ = BaseInterval();
            return false;
        }
        if (++misses_ < FreezeMissesPerReport) return false;
        misses_ = 0;
        // Saturated: a frozen program may stay frozen for days.
        interval_ = interval_ > UINT32_MAX / 3 * 2 ? UINT32_MAX : interval_ + interval_ / 2;
        return true;
    }
    // A report was made meanwhile: the pings before it do not count.
    void Restart() { misses_ = 0; }

private:
    uint32_t BaseInterval() const { return timeout_ / FreezeMissesPerReport; }

    uint32_t timeout_;
    uint32_t interval_;
    int misses_ = 0;
};

} // namespace jov
