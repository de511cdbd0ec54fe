#pragma once
// The freeze watchdog: a thread of its own pings the main thread's handler window, and ten unanswered
// pings in a row make a continuable report marked frozen.
#include <windows.h>

namespace jov {

// Only with FreezeTimeout of at least 1, on the main thread (its handler window answers the pings).
void StartFreezeWatchdog();
// Asks the watchdog to end; it is terminated only when it does not within a second (or cannot be waited
// for under the loader lock).
void StopFreezeWatchdog();
// Held while a request is handled; when it goes on, the pings before count no more.
void PauseFreezeWatchdog(bool pause);
DWORD FreezeWatchdogThreadId(); // 0 when there is none
// Pings the main thread on behalf of `answerTo`, which receives the answer (WM_NULL with 777, 777) once
// the main thread runs again; nothing without a watchdog.
void PingMainThreadFor(HWND answerTo);

// Pauses the watchdog for its lifetime.
class WatchdogPause {
public:
    WatchdogPause() { PauseFreezeWatchdog(true); }
    ~WatchdogPause() { PauseFreezeWatchdog(false); }
    WatchdogPause(const WatchdogPause&) = delete;
    WatchdogPause& operator=(const WatchdogPause&) = delete;
};

} // namespace jov
