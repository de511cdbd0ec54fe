#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>

namespace fw {

// Owns one HWND and receives its messages as virtual calls. Notifications (WM_COMMAND, WM_NOTIFY) are
// offered first to the object of the child control that sent them. No C++ exception ever unwinds
// through a Win32 frame: every call from the window procedure stops at the application's catch point.
// The text of a window of this process, such as one of our controls (a foreign window's text is read with
// a time-out instead, see WindowText).
std::string windowText(HWND window);

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND handle() const { return hwnd_; }
    static Window* fromHandle(HWND hwnd);

    void destroy();
    std::string text() const;
    void setText(const std::string& text);
    void show(int command = SW_SHOW) { ShowWindow(hwnd_, command); }
    void hide() { ShowWindow(hwnd_, SW_HIDE); }
    bool visible() const { return IsWindowVisible(hwnd_) != FALSE; }
    RECT bounds() const;
    void setBounds(int x, int y, int width, int height);
    bool isDialog() const { return dialog_; }

protected:
    struct CreateParams {
        std::string className;
        UINT classStyle = CS_DBLCLKS;
        HICON icon = nullptr;
        HCURSOR cursor = LoadCursor(nullptr, IDC_ARROW);
        HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        std::string caption;
        DWORD style = WS_OVERLAPPEDWINDOW;
        DWORD exStyle = 0;
        int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = CW_USEDEFAULT, height = CW_USEDEFAULT;
        HWND parent = nullptr;
        HMENU menu = nullptr;

        void place(const RECT& r) {
            x = r.left;
            y = r.top;
            width = r.right - r.left;
            height = r.bottom - r.top;
        }
    };
    // A window of our own class (registered on first use).
    void create(const CreateParams& params);
    // A modeless dialog from a DIALOGEX template of the executable.
    void createDialog(int templateId, HWND owner);
    // Binds an existing window (a child control) so notifications reach this object.
    void attach(HWND hwnd);

    // All messages come here; the default dispatches to the handlers below, then to defaultProc.
    virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT defaultProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Handlers return true when they handled the message.
    virtual bool onCreate() { return false; }
    virtual bool onCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    virtual bool onNotify(NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    virtual bool onReflectedCommand(int /*code*/) { return false; }
    virtual bool onReflectedNotify(NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    virtual void onSize(int /*width*/, int /*height*/) {}
    virtual bool onPaint() { return false; }
    virtual void onTimer(UINT_PTR /*id*/) {}
    virtual bool onClose() { return false; }
    virtual void onDestroy() {}

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void bind(HWND hwnd);
    void unbind();

    HWND hwnd_ = nullptr;
    bool dialog_ = false;
    bool attached_ = false;
    bool defaulted_ = false;
};

} // namespace fw
