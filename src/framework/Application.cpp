#include "framework/Application.h"
#include "crashreport/CrashHook.h"
#include "framework/Exceptions.h"
#include "framework/Form.h"
#include "framework/MessageBox.h"
#include <commctrl.h>
#include <objbase.h>

namespace fw {

Application& application() {
    static Application app;
    return app;
}

void abort() {
    throw EAbort();
}

void Application::initialize(HINSTANCE instance) {
    if (window_) return;
    instance_ = instance;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES |
                                             ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_USEREX_CLASSES};
    InitCommonControlsEx(&icc);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Application::windowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    wc.lpszClassName = "fwApplicationWindow";
    RegisterClassExA(&wc);
    // A zero-sized window with a caption: it alone has a taskbar button; forms are owned by it.
    window_ = CreateWindowExA(0, wc.lpszClassName, title_.c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                              nullptr, nullptr, instance, nullptr);
}

void Application::setTitle(const std::string& title) {
    title_ = title;
    if (window_) SetWindowTextA(window_, title.c_str());
}

void Application::dispatch(MSG& msg) {
    // Dialog-template forms get their keyboard navigation.
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    Window* form = Window::fromHandle(root);
    if (form && form->isDialog() && IsDialogMessageA(root, &msg)) return;
    if (accelerators_ && root == acceleratorWindow_ && TranslateAcceleratorA(root, accelerators_, &msg))
        return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

void Application::run() {
    MSG msg;
    while (!terminated_ && GetMessageA(&msg, nullptr, 0, 0) > 0) dispatch(msg);
    terminated_ = true;
}

void Application::processMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            break;
        }
        dispatch(msg);
    }
}

void Application::terminate() {
    PostQuitMessage(0);
}

std::string Application::exceptionText(std::exception_ptr exception) {
    try {
        std::rethrow_exception(exception);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown exception";
    }
}

void Application::handleException(std::exception_ptr exception) {
    try {
        std::rethrow_exception(exception);
    } catch (const EAbort&) {
        return;
    } catch (...) {
    }
    try {
        if (handler_)
            handler_(exception);
        else if (!jov::CatchPointHook || !jov::CatchPointHook(exception))
            showDefault(exception);
    } catch (...) {
        // The catch point itself must never throw into a window procedure.
    }
}

void Application::showDefault(std::exception_ptr exception) {
    HWND owner = GetActiveWindow();
    messageBox(owner ? owner : window_, exceptionText(exception), title_, MB_OK | MB_ICONERROR);
}

Application::ExceptionHandler Application::setExceptionHandler(ExceptionHandler handler) {
    std::swap(handler_, handler);
    return handler;
}

void Application::setCursor(int index, Cursor cursor) {
    if (cursor)
        cursors_[index] = std::move(cursor);
    else
        cursors_.erase(index);
}

HCURSOR Application::cursor(int index) const {
    auto found = cursors_.find(index);
    return found == cursors_.end() ? nullptr : found->second.get();
}

void Application::minimize() {
    if (IsIconic(window_)) return;
    ShowWindow(window_, SW_MINIMIZE);
    // Windows hides the forms we own with their minimised owner; Wine leaves them on the screen.
    ShowOwnedPopups(window_, FALSE);
    if (onMinimize) onMinimize();
}

void Application::restore() {
    ShowWindow(window_, SW_RESTORE);
    ShowOwnedPopups(window_, TRUE);
    // Restoring activated the application window, which takes no keys: they go to the form last active.
    HWND last = GetLastActivePopup(window_);
    if (last == window_ && mainForm_) last = mainForm_->handle();
    const bool passed = last != window_ && IsWindowVisible(last) && IsWindowEnabled(last);
    if (passed) SetActiveWindow(last);
    if (onRestore) onRestore();
    // Showing the forms as the settings ask may hide the application window; hidden while still active
    // (Wine has been seen to give it the activation back late), it hands the activation to whatever
    // window lies below it, another program's.
    if (passed && GetForegroundWindow() != last) SetForegroundWindow(last);
}

LRESULT CALLBACK Application::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Application& app = application();
    try {
        if (message == WM_SYSCOMMAND) {
            switch (wParam & 0xFFF0) {
            case SC_MINIMIZE:
                app.minimize();
                return 0;
            case SC_RESTORE:
                app.restore();
                return 0;
            }
        } else if (message == WM_CLOSE && app.mainForm()) {
            app.mainForm()->close();
            return 0;
        }
    } catch (...) {
        app.handleException(std::current_exception());
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace fw
