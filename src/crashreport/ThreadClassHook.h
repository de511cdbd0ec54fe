#pragma once
// What the crash reporter needs to know of a framework's thread class: the one start routine every thread
// object starts through, and the class of the object that routine is handed. Free of dependencies on
// purpose: the framework sets the slot and includes nothing else of the crash reporter.
#include <typeinfo>

namespace jov {

struct TThreadClassHook {
    const void* StartRoutine = nullptr;
    const std::type_info* (*ClassOf)(void* parameter) = nullptr;
};

inline TThreadClassHook ThreadClassHook;

} // namespace jov
