#pragma once
#include <windows.h>
#include <string>
#include "framework/Handles.h"

namespace fw {

class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&cs_); }
    ~CriticalSection() { DeleteCriticalSection(&cs_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void enter() { EnterCriticalSection(&cs_); }
    void leave() { LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION cs_;
};

class Lock {
public:
    explicit Lock(CriticalSection& cs) : cs_(cs) { cs_.enter(); }
    ~Lock() { cs_.leave(); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CriticalSection& cs_;
};

// Named or unnamed kernel objects; `alreadyExisted` tells whether a named one was there before.
class Semaphore {
public:
    Semaphore(LONG initial, LONG maximum, const std::string& name = {});
    HANDLE handle() const { return h_.get(); }
    bool valid() const { return bool(h_); }
    bool alreadyExisted() const { return existed_; }
    void release(LONG count = 1) { ReleaseSemaphore(h_.get(), count, nullptr); }
    Handle takeHandle() { return std::move(h_); }

private:
    Handle h_;
    bool existed_ = false;
};

class Event {
public:
    explicit Event(bool manualReset, bool initialState = false);
    HANDLE handle() const { return h_.get(); }
    void set() { SetEvent(h_.get()); }
    void reset() { ResetEvent(h_.get()); }

private:
    Handle h_;
};

// Waits up to `timeoutMs` for `object` on a GUI thread without freezing its windows: messages sent
// to them are answered and they repaint, while input stays queued for after the wait (a click
// could start the very command that waits). True when the object was signalled.
bool waitAnswering(HANDLE object, DWORD timeoutMs);

} // namespace fw
