#pragma once
#include "framework/Window.h"
#include <vector>

namespace detail {
template <class T> BOOL CALLBACK CollectOpenForm(HWND window, LPARAM param) {
    if (auto* form = dynamic_cast<T*>(fw::Window::fromHandle(window)))
        reinterpret_cast<std::vector<T*>*>(param)->push_back(form);
    return TRUE;
}
} // namespace detail

// The open forms of a class, in z-order: the program's forms live on the GUI thread, owned by the
// application window.
template <class T> std::vector<T*> OpenForms() {
    std::vector<T*> forms;
    EnumThreadWindows(GetCurrentThreadId(), detail::CollectOpenForm<T>, reinterpret_cast<LPARAM>(&forms));
    return forms;
}
