#include "framework/Sync.h"

namespace fw {

Semaphore::Semaphore(LONG initial, LONG maximum, const std::string& name)
    : h_(CreateSemaphoreA(nullptr, initial, maximum, name.empty() ? nullptr : name.c_str())) {
    existed_ = h_ && GetLastError() == ERROR_ALREADY_EXISTS;
}

Event::Event(bool manualReset, bool initialState)
    : h_(CreateEventA(nullptr, manualReset, initialState, nullptr)) {}

} // namespace fw
