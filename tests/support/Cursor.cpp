#include "support/Cursor.h"

#include "support/ListFakes.h"

bool MoveCursorTo(POINT at) {
    SetCursorPos(at.x, at.y);
    const DWORD start = GetTickCount();
    DWORD there = start;
    return PumpUntil(
        [&] {
            POINT now{};
            GetCursorPos(&now);
            const DWORD tick = GetTickCount();
            if (now.x != at.x || now.y != at.y) {
                // An echo of an older move; the echo of this one follows it.
                if (tick - there > 1000) SetCursorPos(at.x, at.y);
                there = tick;
            }
            return tick - there >= 300;
        },
        3000);
}

namespace {

LRESULT CALLBACK DiscardMouse(int code, WPARAM wParam, LPARAM lParam) {
    return code == HC_ACTION ? 1 : CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

RealMouseBlocked::RealMouseBlocked()
    : hook_(SetWindowsHookExA(WH_MOUSE, DiscardMouse, nullptr, GetCurrentThreadId())) {}

RealMouseBlocked::~RealMouseBlocked() {
    if (hook_) UnhookWindowsHookEx(hook_);
}
