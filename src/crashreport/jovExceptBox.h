#pragma once
// The exception dialog: message, up to seven owner-drawn buttons, the report in a read-only area, a
// countdown that presses the default button, and its own modal loop on the calling thread.
#include "crashreport/core/ExceptionBoxLayout.h"
#include "crashreport/jovTools.h"
#include "crashreport/jovTypes.h"

#include <windows.h>

#include <array>
#include <string>

namespace jov {

constexpr UINT_PTR CountdownTimerId = 777;

class TExceptionBox {
public:
    TExceptionBox(bool frozen, bool canContinue, const std::string& screenShot, const std::string& report,
                  const void* address, const TExceptionRef* exception);
    ~TExceptionBox();
    TExceptionBox(const TExceptionBox&) = delete;
    TExceptionBox& operator=(const TExceptionBox&) = delete;

    HWND Window() const { return window_; }
    HWND Report() const { return edit_; }
    HWND Button(int code) const { return code >= 0 && code < BoxActionCount ? buttons_[code] : nullptr; }
    int DefaultAction() const { return defaults_.DefaultAction; }

private:
    static LRESULT __stdcall StubProc(TExceptionBox* self, HWND window, UINT message, WPARAM wParam,
                                      LPARAM lParam);
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    void Build(const std::string& message);
    HWND MakeButton(const BoxButton& button, const std::array<std::string, BoxActionCount>& captions);
    void PaintButton(HWND button, COLORREF text, COLORREF back, int position, HDC target, bool shift);
    void PaintState(HWND button, bool focused);
    // Eight frames from the start colours to the end colours, 10 ms apart; a shifted background is lightened.
    void AnimateButton(HWND button, COLORREF text, COLORREF back, bool shiftBack, COLORREF endText,
                       COLORREF endBack, bool shiftEndBack);
    int CodeOf(HWND button) const;
    void StopCountdown();
    void OnTimer();
    void OnCommand(HWND control);
    void FlashButton(HWND control, int code);
    void RunAction(int code);
    void ShowReportAction();
    void CloseAction();
    bool Handled(int code);

    MethodStub stub_;
    HDC memoryDc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HFONT dialogFont_ = nullptr, reportFont_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr, oldFont_ = nullptr;
    HWND window_ = nullptr, edit_ = nullptr, iconButton_ = nullptr;
    std::array<HWND, BoxActionCount> buttons_{}; // by action code
    HWND countdownButton_ = nullptr;
    int fullHeight_ = 0;
    bool frozen_;
    const TExceptionRef* exception_;
    const void* address_;
    std::string report_, screenShot_;
    bool canContinue_;
    BoxDefaults defaults_;
    DWORD countdownStart_ = 0;
    DWORD lastAnimation_ = 0;
    int lastPosition_ = -1;
    HICON bigIcon_ = nullptr;
};

// The dialog's title: DialogTitle with "%appname%" (any case) as the executable's file name.
std::string ExceptionBoxTitle();

// The page a web request gets instead of the dialog; the default page composer.
std::string BuildWebErrorPage(const std::string& report);

} // namespace jov
