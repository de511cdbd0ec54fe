#include "framework/Sync.h"

namespace fw {

Semaphore::Semaphore(LONG initial, LONG maximum, const std::string& name)
    : h_(CreateSemaphoreA(nullptr, initial, maximum, name.empty() ? nullptr : name.c_str())) {
    existed_ = h_ && GetLastError() == ERROR_ALREADY_EXISTS;
}

Event::Event(bool manualReset, bool initialState)
    : h_(CreateEventA(nullptr, manualReset, initialState, nullptr)) {}

bool waitAnswering(HANDLE object, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD waited = GetTickCount() - start;
        const DWORD left = waited >= timeoutMs ? 0 : timeoutMs - waited;
        // Woken also by a paint already seen: a window that never validates costs time, not the wait's end.
        const DWORD result =
            MsgWaitForMultipleObjectsEx(1, &object, left, QS_SENDMESSAGE | QS_PAINT, MWMO_INPUTAVAILABLE);
        if (result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + 1) return false;
        MSG msg;
        // Looking delivers the sent messages; one paint per round keeps the deadline in reach.
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        if (PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageA(&msg);
        if (left == 0) return WaitForSingleObject(object, 0) == WAIT_OBJECT_0;
    }
}

} // namespace fw
