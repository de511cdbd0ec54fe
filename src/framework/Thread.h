#pragma once
#include <windows.h>
#include <atomic>
#include <exception>
#include "framework/Handles.h"

namespace fw {

// A worker thread: derive, implement execute(), start(). Every thread of the program starts through
// Thread::startRoutine, so it can be recognised. Exceptions escaping execute() are kept, not raised.
class Thread {
public:
    Thread() = default;
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    void start();
    // Asks execute() to stop; it polls terminated().
    void terminate() { terminated_ = true; }
    bool terminated() const { return terminated_; }
    // Waits for the end of execute(); returns at once when the thread never started.
    void waitFor();
    bool finished() const { return finished_; }
    HANDLE handle() const { return handle_.get(); }
    DWORD threadId() const { return id_; }
    std::exception_ptr fatalException() const { return fatal_; }

    static DWORD WINAPI startRoutine(void* self);

protected:
    virtual void execute() = 0;

private:
    Handle handle_;
    DWORD id_ = 0;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::exception_ptr fatal_;
};

} // namespace fw
