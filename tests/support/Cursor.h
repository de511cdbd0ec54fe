#pragma once
// Moving the mouse cursor from a test, under Wine as on Windows.
#include <windows.h>

// Puts the cursor at `at` (screen coordinates) and handles the queue until the desktop has reported it
// there for 300 ms, or 3 s passed. Under Wine the X server echoes every pointer move as a motion event,
// later: an echo handled after the next move puts the cursor back where the previous one went.
bool MoveCursorTo(POINT at);

// Keeps the mouse's own messages (the echoes above) from this thread's windows while it lives, so that
// only the mouse messages a test posts arrive.
class RealMouseBlocked {
public:
    RealMouseBlocked();
    ~RealMouseBlocked();
    RealMouseBlocked(const RealMouseBlocked&) = delete;
    RealMouseBlocked& operator=(const RealMouseBlocked&) = delete;

private:
    HHOOK hook_;
};
