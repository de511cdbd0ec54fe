#include "crashreport/jovToolsMsgHandlers.h"

#include "crashreport/jovStrings.h"

#include <algorithm>
#include <new>
#include <string>

namespace jov {
namespace {

struct Registry {
    HANDLE mutex = nullptr;
    std::vector<TMsgHandlerWindow> windows;
    ~Registry() {
        if (mutex) CloseHandle(mutex);
    }
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

// Holds the registry's mutex for one scope; a wait that fails leaves `held` false.
class RegistryLock {
public:
    explicit RegistryLock(HANDLE mutex) : mutex_(mutex) {
        const DWORD wait = mutex ? WaitForSingleObject(mutex, INFINITE) : WAIT_FAILED;
        held = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
    ~RegistryLock() {
        if (held) ReleaseMutex(mutex_);
    }
    RegistryLock(const RegistryLock&) = delete;
    RegistryLock& operator=(const RegistryLock&) = delete;
    bool held = false;

private:
    HANDLE mutex_;
};

// "$" thread id "$" address of the window look-up, both in hexadecimal.
std::string NameSuffix(DWORD threadId) {
    return FormatHex(threadId, 1, '0') +
           FormatHex(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&GetHandlerWindow)), 1, '0');
}

std::string ClassName(DWORD threadId) {
    return "jovToolsMsgHandlerWindow" + NameSuffix(threadId);
}

HANDLE Mutex(bool create) {
    Registry& registry = TheRegistry();
    HANDLE mutex = InterlockedCompareExchangePointer(&registry.mutex, nullptr, nullptr);
    if (mutex || !create) return mutex;
    HANDLE fresh =
        CreateMutexA(nullptr, FALSE, ("jovToolsMsgHandlerMutex" + NameSuffix(GetCurrentThreadId())).c_str());
    if (!fresh) return nullptr;
    mutex = InterlockedCompareExchangePointer(&registry.mutex, fresh, nullptr);
    if (!mutex) return fresh;
    CloseHandle(fresh); // another thread stored one meanwhile
    return mutex;
}

TMsgHandlerWindow* FindByThread(DWORD threadId) {
    auto& windows = TheRegistry().windows;
    const auto it = std::find_if(windows.begin(), windows.end(),
                                 [&](const TMsgHandlerWindow& w) { return w.ThreadId == threadId; });
    return it == windows.end() ? nullptr : &*it;
}

// The last entry takes the removed one's place.
void RemoveEntry(TMsgHandlerWindow* entry) {
    auto& windows = TheRegistry().windows;
    if (entry != &windows.back()) *entry = std::move(windows.back());
    windows.pop_back();
}

bool ReachesHandlers(UINT message) {
    switch (message) {
    case WM_QUERYENDSESSION:
    case WM_QUIT:
    case WM_SYSCOLORCHANGE:
    case WM_ENDSESSION:
    case 0x17:
    case WM_WININICHANGE:
    case WM_DEVMODECHANGE:
    case WM_ACTIVATEAPP:
    case WM_FONTCHANGE:
    case WM_TIMECHANGE:
    case WM_SPOOLERSTATUS:
    case WM_COMPACTING:
    case 0x48: // WM_POWER
    case WM_INPUTLANGCHANGEREQUEST:
    case WM_INPUTLANGCHANGE:
    case WM_USERCHANGED:
    case WM_DISPLAYCHANGE:
        return true;
    default:
        return message >= WM_POWERBROADCAST; // includes WM_USER and registered messages
    }
}

void CallHandler(const TMsgHandler& handler, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                 LRESULT& result) {
    try {
        if (handler.Proc)
            handler.Proc(window, message, wParam, lParam, result);
        else if (handler.MethodCode)
            handler.MethodCode(handler.MethodObject, window, message, wParam, lParam, result);
    } catch (...) {
        // A handler's failure stops at the window procedure, never in the system's frames.
    }
}

// Whether the window is still this thread's listed handler window. Only a removal takes it off the list
// before it closes the window; while listed, owners keep its handle and post to it.
bool IsListed(HWND window) {
    RegistryLock lock(Mutex(false));
    const TMsgHandlerWindow* entry = lock.held ? FindByThread(GetCurrentThreadId()) : nullptr;
    return entry && entry->Window == window;
}

LRESULT CALLBACK HandlerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // A WM_CLOSE from elsewhere (a request to close every window of the process) would take the handlers
    // and the handle their owners keep.
    if (message == WM_CLOSE && IsListed(window)) return 0;
    LRESULT result = DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_CLOSE && !IsWindow(window)) {
        // Destroyed by the default processing of a WM_CLOSE posted by another thread's removal.
        UnregisterClassA(ClassName(GetCurrentThreadId()).c_str(), GetModuleHandleA(nullptr));
        return result;
    }
    if (message == WM_NCDESTROY) {
        // Destroyed by someone else while still listed: forget it, so the thread can have a new one.
        RegistryLock lock(Mutex(false));
        TMsgHandlerWindow* entry = lock.held ? FindByThread(GetCurrentThreadId()) : nullptr;
        if (entry && entry->Window == window) RemoveEntry(entry);
        return result;
    }
    if (!ReachesHandlers(message)) return result;
    TMsgHandlers handlers;
    try {
        RegistryLock lock(Mutex(false));
        if (!lock.held) return result;
        const TMsgHandlerWindow* entry = FindByThread(GetCurrentThreadId());
        if (!entry || entry->Window != window) return result;
        handlers = entry->Handlers;
    } catch (const std::bad_alloc&) {
        return result;
    }
    // On the copy: a handler may add or remove handlers, itself included.
    for (const TMsgHandler& handler : handlers)
        if (handler.Message == message) CallHandler(handler, window, message, wParam, lParam, result);
    return result;
}

HWND CreateHandlerWindow(DWORD threadId) {
    const std::string className = ClassName(threadId);
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = HandlerWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className.c_str();
    if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    const HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, className.c_str(), "", WS_POPUP, 0, 0, 0, 0,
                                        nullptr, nullptr, instance, nullptr);
    if (!window) UnregisterClassA(className.c_str(), instance);
    return window;
}

void DestroyHandlerWindow(HWND window, DWORD threadId) {
    DestroyWindow(window);
    UnregisterClassA(ClassName(threadId).c_str(), GetModuleHandleA(nullptr));
}

} // namespace

HWND GetHandlerWindow(DWORD threadId) {
    const DWORD current = GetCurrentThreadId();
    if (threadId == 0) threadId = current;
    const HANDLE mutex = Mutex(true);
    if (!mutex) return nullptr;
    {
        RegistryLock lock(mutex);
        if (!lock.held) return nullptr;
        if (const TMsgHandlerWindow* entry = FindByThread(threadId)) return entry->Window;
    }
    if (threadId != current) return nullptr;
    const HWND window = CreateHandlerWindow(threadId);
    if (!window) return nullptr;
    try {
        RegistryLock lock(mutex);
        if (lock.held) {
            TheRegistry().windows.push_back({threadId, window, {}});
            return window;
        }
    } catch (const std::bad_alloc&) {
    }
    DestroyHandlerWindow(window, threadId);
    return nullptr;
}

UINT AddMessageHandler(TMsgHandlerProc proc, UINT message, DWORD threadId, TMsgHandlerMethod methodCode,
                       void* methodObject) {
    if (threadId == 0) threadId = GetCurrentThreadId();
    const HWND window = GetHandlerWindow(threadId);
    if (!window) return 0;
    try {
        RegistryLock lock(Mutex(false));
        TMsgHandlerWindow* entry = lock.held ? FindByThread(threadId) : nullptr;
        if (!entry || entry->Window != window) return 0;
        TMsgHandlers& handlers = entry->Handlers;
        const auto uses = [&](UINT number) {
            return std::any_of(handlers.begin(), handlers.end(),
                               [&](const TMsgHandler& h) { return h.Message == number; });
        };
        if (message != 0) {
            if (std::any_of(handlers.begin(), handlers.end(), [&](const TMsgHandler& h) {
                    return h.Message == message && h.Proc == proc && h.MethodCode == methodCode &&
                           h.MethodObject == methodObject;
                }))
                return 0;
        } else {
            for (message = WM_USER; uses(message);) ++message;
        }
        handlers.push_back({message, proc, methodCode, methodObject});
        return message;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

void RemoveMessageHandler(TMsgHandlerProc proc, UINT message, DWORD threadId, TMsgHandlerMethod methodCode,
                          void* methodObject) {
    const HANDLE mutex = Mutex(false);
    if (!mutex) return; // nothing was ever registered
    if (threadId == 0) threadId = GetCurrentThreadId();
    HWND emptied = nullptr;
    {
        RegistryLock lock(mutex);
        TMsgHandlerWindow* entry = lock.held ? FindByThread(threadId) : nullptr;
        if (!entry) return;
        TMsgHandlers& handlers = entry->Handlers;
        for (size_t i = handlers.size(); i-- > 0;) {
            const TMsgHandler& h = handlers[i];
            if ((message == 0 || h.Message == message) && h.Proc == proc && h.MethodCode == methodCode &&
                h.MethodObject == methodObject) {
                handlers[i] = handlers.back();
                handlers.pop_back();
            }
        }
        if (handlers.empty() && IsWindow(entry->Window)) {
            emptied = entry->Window;
            RemoveEntry(entry);
        }
    }
    if (!emptied) return;
    if (threadId == GetCurrentThreadId())
        DestroyHandlerWindow(emptied, threadId);
    else
        PostMessageA(emptied, WM_CLOSE, 0, 0);
}

void CloseMessageHandlerMutex() {
    HANDLE mutex = InterlockedExchangePointer(&TheRegistry().mutex, nullptr);
    if (mutex) CloseHandle(mutex);
}

} // namespace jov
