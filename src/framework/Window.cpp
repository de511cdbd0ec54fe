#include "framework/Window.h"
#include "framework/Application.h"
#include "framework/Exceptions.h"

namespace fw {

namespace {
const char* const objectProperty = "fwWindowObject";

void registerClass(const char* name, UINT style, HICON icon, HCURSOR cursor, HBRUSH background,
                   WNDPROC proc) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(application().instance(), name, &existing)) return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = application().instance();
    wc.hIcon = icon;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    if (!RegisterClassExA(&wc)) throw Exception(std::string("Cannot register window class ") + name);
}
} // namespace

Window::~Window() {
    // Unbound first: the messages of the destruction must not reach a half-destroyed object.
    HWND hwnd = hwnd_;
    unbind();
    if (hwnd && !attached_) DestroyWindow(hwnd);
}

Window* Window::fromHandle(HWND hwnd) {
    return hwnd ? static_cast<Window*>(GetPropA(hwnd, objectProperty)) : nullptr;
}

void Window::bind(HWND hwnd) {
    hwnd_ = hwnd;
    SetPropA(hwnd, objectProperty, this);
}

void Window::unbind() {
    if (hwnd_) RemovePropA(hwnd_, objectProperty);
    hwnd_ = nullptr;
}

void Window::destroy() {
    if (hwnd_ && !attached_) DestroyWindow(hwnd_);
}

std::string windowText(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::string text(length + 1, '\0');
    text.resize(GetWindowTextA(window, text.data(), length + 1));
    return text;
}

std::string Window::text() const {
    return windowText(hwnd_);
}

void Window::setText(const std::string& text) {
    SetWindowTextA(hwnd_, text.c_str());
}

RECT Window::bounds() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return r;
}

void Window::setBounds(int x, int y, int width, int height) {
    SetWindowPos(hwnd_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::create(const CreateParams& p) {
    registerClass(p.className.c_str(), p.classStyle, p.icon, p.cursor, p.background, &Window::windowProc);
    HWND hwnd = CreateWindowExA(p.exStyle, p.className.c_str(), p.caption.c_str(), p.style, p.x, p.y, p.width,
                                p.height, p.parent, p.menu, application().instance(), this);
    if (!hwnd) throw Exception("Cannot create window of class " + p.className);
}

void Window::createDialog(int templateId, HWND owner) {
    dialog_ = true;
    HWND hwnd = CreateDialogParamA(application().instance(), MAKEINTRESOURCEA(templateId), owner,
                                   &Window::dialogProc, reinterpret_cast<LPARAM>(this));
    if (!hwnd) throw Exception("Cannot create dialog " + std::to_string(templateId));
}

void Window::attach(HWND hwnd) {
    attached_ = true;
    bind(hwnd);
}

LRESULT Window::defaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (dialog_) {
        defaulted_ = true;
        return 0;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT Window::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        if (onCreate()) return 0;
        break;
    case WM_INITDIALOG:
        onCreate();
        return TRUE;
    case WM_COMMAND: {
        HWND control = reinterpret_cast<HWND>(lParam);
        Window* child = fromHandle(control);
        if (child && child != this && child->onReflectedCommand(HIWORD(wParam))) return 0;
        if (onCommand(LOWORD(wParam), HIWORD(wParam), control)) return 0;
        break;
    }
    case WM_NOTIFY: {
        auto& header = *reinterpret_cast<NMHDR*>(lParam);
        LRESULT result = 0;
        Window* child = fromHandle(header.hwndFrom);
        if (child && child != this && child->onReflectedNotify(header, result)) return result;
        if (onNotify(header, result)) return result;
        break;
    }
    case WM_SIZE:
        onSize(LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_PAINT:
        if (onPaint()) return 0;
        break;
    case WM_TIMER:
        onTimer(wParam);
        return 0;
    case WM_CLOSE:
        if (onClose()) return 0;
        break;
    case WM_DESTROY:
        onDestroy();
        break;
    }
    return defaultProc(message, wParam, lParam);
}

LRESULT CALLBACK Window::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* self = fromHandle(hwnd);
    if (!self && message == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (self) self->bind(hwnd);
    }
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    try {
        result = self->handleMessage(message, wParam, lParam);
    } catch (...) {
        application().handleException(std::current_exception());
    }
    if (message == WM_NCDESTROY) self->unbind();
    return result;
}

INT_PTR CALLBACK Window::dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* self = fromHandle(hwnd);
    if (!self && message == WM_INITDIALOG) {
        self = reinterpret_cast<Window*>(lParam);
        self->bind(hwnd);
    }
    if (!self) return FALSE;
    // The flag is this message's: a handler that sends a message to its own window (reading its text,
    // say) re-enters here, and the inner message must not decide whether the outer one was handled.
    const bool outerDefaulted = self->defaulted_;
    self->defaulted_ = false;
    LRESULT result = 0;
    try {
        result = self->handleMessage(message, wParam, lParam);
    } catch (...) {
        application().handleException(std::current_exception());
    }
    // A handler may have freed its own object (a released form): nothing of it is left to touch.
    if (fromHandle(hwnd) != self) return TRUE;
    INT_PTR handled = TRUE;
    if (self->defaulted_)
        handled = FALSE;
    else if (message == WM_INITDIALOG)
        handled = result;
    else
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    self->defaulted_ = outerDefaulted;
    if (message == WM_NCDESTROY) {
        self->unbind();
        handled = FALSE;
    }
    return handled;
}

} // namespace fw
