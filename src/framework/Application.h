#pragma once
#include <windows.h>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include "framework/Handles.h"

namespace fw {

class Form;

// The application object: the hidden application window (it carries the program's taskbar button and
// owns every form), the message loop, and the one catch point for exceptions that escape a handler.
class Application {
public:
    using ExceptionHandler = std::function<void(std::exception_ptr)>;

    void initialize(HINSTANCE instance);
    HINSTANCE instance() const { return instance_; }
    HWND handle() const { return window_; }

    const std::string& title() const { return title_; }
    void setTitle(const std::string& title);

    Form* mainForm() const { return mainForm_; }
    void setMainForm(Form* form) { mainForm_ = form; }

    // Keys typed in the window or its controls go through the table first (null: none). Not owned.
    void setAccelerators(HWND window, HACCEL table) {
        acceleratorWindow_ = window;
        accelerators_ = table;
    }

    // Runs the message loop until terminate().
    void run();
    // Handles every message that is waiting, then returns.
    void processMessages();
    void dispatch(MSG& msg);
    void terminate();
    bool terminated() const { return terminated_; }

    // The catch point. EAbort is silent; anything else goes to the handler set here, else to the crash
    // reporter when it runs, else to a message box with the exception's text.
    void handleException(std::exception_ptr exception);
    ExceptionHandler setExceptionHandler(ExceptionHandler handler);
    static std::string exceptionText(std::exception_ptr exception);

    // The screen cursors by number (the finder's is 1); setting an empty one frees the old.
    void setCursor(int index, Cursor cursor);
    HCURSOR cursor(int index) const;

    // Minimising and restoring the whole application: its taskbar button and every form it owns (the main
    // form's minimise comes here). The window is shown by whoever shows the main form, as the settings ask.
    void minimize();
    void restore();
    std::function<void()> onMinimize;
    std::function<void()> onRestore;

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void showDefault(std::exception_ptr exception);

    HINSTANCE instance_ = nullptr;
    HWND window_ = nullptr;
    std::string title_;
    Form* mainForm_ = nullptr;
    bool terminated_ = false;
    ExceptionHandler handler_;
    std::map<int, Cursor> cursors_;
    HWND acceleratorWindow_ = nullptr;
    HACCEL accelerators_ = nullptr;
};

Application& application();

} // namespace fw
