#include "framework/Thread.h"
#include "framework/Exceptions.h"

#include "crashreport/ThreadClassHook.h"

namespace fw {
namespace {

const std::type_info* ClassOfThread(void* parameter) {
    return &typeid(*static_cast<Thread*>(parameter));
}

} // namespace

Thread::~Thread() {
    // A derived object is already gone here: its execute() must have ended, so owners call
    // terminate() and waitFor() in their own destructors; this is the last safety net.
    terminate();
    waitFor();
}

void Thread::start() {
    if (handle_) return;
    // The crash reporter names the thread after this object's class and its creator after our caller.
    jov::ThreadClassHook = {reinterpret_cast<const void*>(&Thread::startRoutine), &ClassOfThread};
    handle_.reset(CreateThread(nullptr, 0, &Thread::startRoutine, this, 0, &id_));
    if (!handle_) throw Exception("Thread creation failed");
}

void Thread::waitFor() {
    if (handle_) WaitForSingleObject(handle_.get(), INFINITE);
}

DWORD WINAPI Thread::startRoutine(void* self) {
    auto* thread = static_cast<Thread*>(self);
    try {
        thread->execute();
    } catch (...) {
        thread->fatal_ = std::current_exception();
    }
    thread->finished_ = true;
    return 0;
}

} // namespace fw
