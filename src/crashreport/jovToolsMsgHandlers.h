#pragma once
// At most one hidden window per thread that passes chosen messages to registered handlers: the crash
// reporter receives messages on a thread without owning a form. Any thread may add and remove handlers
// for any thread that has a window; a window is created only by its own thread.
#include <windows.h>

#include <vector>

namespace jov {

using TMsgHandlerProc = void (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
// A method handler: plain code that takes its object first.
using TMsgHandlerMethod = void (*)(void* object, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   LRESULT& result);

struct TMsgHandler {
    UINT Message;
    TMsgHandlerProc Proc; // nil for a method handler
    TMsgHandlerMethod MethodCode;
    void* MethodObject;
};
using TMsgHandlers = std::vector<TMsgHandler>;

struct TMsgHandlerWindow {
    DWORD ThreadId;
    HWND Window;
    TMsgHandlers Handlers;
};

// Thread 0 is the calling thread. Created on first use by its own thread; nil for another thread's
// window that does not exist yet.
HWND GetHandlerWindow(DWORD threadId = 0);

// Message 0 chooses a free private message from WM_USER up. The message used, or 0 when the same
// handler is already registered for it or no window could be had.
UINT AddMessageHandler(TMsgHandlerProc proc, UINT message = 0, DWORD threadId = 0,
                       TMsgHandlerMethod methodCode = nullptr, void* methodObject = nullptr);
// Removes every matching handler (message 0 matches any) and the window with its last handler.
void RemoveMessageHandler(TMsgHandlerProc proc, UINT message = 0, DWORD threadId = 0,
                          TMsgHandlerMethod methodCode = nullptr, void* methodObject = nullptr);

void CloseMessageHandlerMutex();

} // namespace jov
