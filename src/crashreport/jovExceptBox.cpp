#include "crashreport/jovExceptBox.h"

#include "crashreport/core/CrashHistory.h"
#include "crashreport/core/TextHelpers.h"
#include "crashreport/jovExceptActions.h"
#include "crashreport/jovExceptGlyph.h"
#include "crashreport/jovExceptHandlers.h"
#include "crashreport/jovExceptReport.h"
#include "crashreport/jovExceptState.h"
#include "crashreport/jovExceptWatchdog.h"
#include "crashreport/jovExceptWeb.h"
#include "crashreport/jovToolsHelpers.h"

#include <algorithm>

namespace jov {
namespace {

enum { Mail, Save, Print, Show, Continue, Restart, Close, CantContinue };
constexpr const char* GlyphNames[] = {"mail",     "save",    "print", "show",
                                      "continue", "restart", "close", "cantContinue"};
constexpr int ButtonIdBase = 100;
constexpr COLORREF White = RGB(255, 255, 255), Black = RGB(0, 0, 0);

int ScreenBits() {
    HDC screen = GetDC(nullptr);
    const int bits = screen ? GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return bits;
}

// Lighter by the shift in each channel unless more than one channel would overflow; then darker.
COLORREF ShiftColour(COLORREF colour, int shift) {
    const int channels[] = {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
    const int overflowing =
        std::count_if(std::begin(channels), std::end(channels), [&](int c) { return c + shift > 255; });
    auto move = [&](int c) { return overflowing <= 1 ? std::min(c + shift, 255) : std::max(c - shift, 0); };
    return RGB(move(channels[0]), move(channels[1]), move(channels[2]));
}

COLORREF Mix(COLORREF from, COLORREF to, int part, int parts) {
    auto mix = [&](int a, int b) { return a + (b - a) * part / parts; };
    return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
               mix(GetBValue(from), GetBValue(to)));
}

void FillBox(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    RECT rect{left, top, right, bottom};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

int MeasureCaption(HDC dc, const std::string& caption) {
    if (caption.empty()) return 0;
    SIZE size{};
    GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
    return size.cx + 39;
}

HWND Child(const char* className, const char* text, DWORD style, const BoxRect& r, HWND parent, int id = 0) {
    return CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, r.X, r.Y, r.Width, r.Height,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), CrashReporterModule(),
                           nullptr);
}

} // namespace

std::string ExceptionBoxTitle() {
    std::string title = RunningSettings().DialogTitle.str();
    ReplaceAllNoCase(title, "%appname%", ExtractFileNamePart(ModuleFileName(nullptr)));
    return title;
}

std::string BuildWebErrorPage(const std::string& report) {
    const CrashSettings& settings = RunningSettings();
    return BuildWebErrorPage({ExceptionBoxTitle(), settings.ExceptionText.str(),
                              settings.ContinueCaption.str(), settings.ShowCaption.str(),
                              settings.ShowReportAtStart},
                             report);
}

TExceptionBox::TExceptionBox(bool frozen, bool canContinue, const std::string& screenShot,
                             const std::string& report, const void* address, const TExceptionRef* exception)
    : frozen_(frozen), exception_(exception), address_(address), report_(report), screenShot_(screenShot),
      canContinue_(canContinue) {
    Build(ExceptionBoxMessage(frozen, exception));
}

TExceptionBox::~TExceptionBox() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    if (memoryDc_) {
        if (oldBitmap_) SelectObject(memoryDc_, oldBitmap_);
        if (oldFont_) SelectObject(memoryDc_, oldFont_);
        DeleteDC(memoryDc_);
    }
    if (bitmap_) DeleteObject(bitmap_);
    if (dialogFont_) DeleteObject(dialogFont_);
    if (reportFont_) DeleteObject(reportFont_);
}

void TExceptionBox::Build(const std::string& message) {
    const CrashSettings& settings = RunningSettings();
    const HMODULE module = CrashReporterModule();
    WNDCLASSA windowClass{};
    windowClass.style = CS_CLASSDC | CS_PARENTDC;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "jovExceptWndClass";
    RegisterClassA(&windowClass);
    stub_ = MakeMethodStub(this, reinterpret_cast<const void*>(&TExceptionBox::StubProc));
    if (!stub_.code()) return;
    window_ =
        CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, "jovExceptWndClass", ExceptionBoxTitle().c_str(),
                        WS_CAPTION | WS_SYSMENU, 0, 0, 0, 0, nullptr, nullptr, module, nullptr);
    if (!window_) return;
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(stub_.code()));
    HMENU menu = GetSystemMenu(window_, FALSE);
    for (UINT command : {SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE, SC_SIZE})
        DeleteMenu(menu, command, MF_BYCOMMAND);

    memoryDc_ = CreateCompatibleDC(nullptr);
    dialogFont_ = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    reportFont_ = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Courier New");
    oldFont_ = SelectObject(memoryDc_, dialogFont_);

    std::array<std::string, BoxActionCount> captions = {
        settings.MailCaption.str(), settings.SaveCaption.str(),     settings.PrintCaption.str(),
        settings.ShowCaption.str(), settings.ContinueCaption.str(), settings.RestartCaption.str(),
        settings.CloseCaption.str()};
    if (settings.ShowReportAtStart) captions[Show].clear();
    BoxLayoutInput input;
    std::array<bool, BoxActionCount> hasCaption{};
    for (int code = 0; code < BoxActionCount; ++code) {
        input.CaptionWidth[code] = MeasureCaption(memoryDc_, captions[code]);
        hasCaption[code] = !captions[code].empty();
    }
    const int widest = *std::max_element(input.CaptionWidth.begin(), input.CaptionWidth.end());
    if (HDC screen = GetDC(nullptr)) {
        bitmap_ = CreateCompatibleBitmap(screen, std::max(widest - 4, 1), 22);
        ReleaseDC(nullptr, screen);
    }
    if (bitmap_) oldBitmap_ = SelectObject(memoryDc_, bitmap_);

    const int64_t now = NowInSeconds();
    const ExceptionTimes& history = CrashState().History;
    defaults_ =
        ChooseBoxDefaults(settings.DefaultAction, AutoRuleApplies(settings.AutoClose, history, now),
                          AutoRuleApplies(settings.AutoRestart, history, now), settings.ContinueIsDefault,
                          canContinue_, settings.FlashButtons, hasCaption);

    bigIcon_ = LoadIconA(module, "jeiBigIcon");
    input.HasIcon = bigIcon_ != nullptr;
    input.ShowReportAtStart = settings.ShowReportAtStart;
    input.CanContinue = canContinue_;
    input.CaptionHeight = GetSystemMetrics(SM_CYCAPTION);
    input.ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
    input.ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
    const BoxLayout layout = LayoutExceptionBox(input, [&](int width, int& textWidth, int& textHeight) {
        RECT rect{0, 0, width, 0};
        DrawTextA(memoryDc_, message.c_str(), static_cast<int>(message.size()), &rect,
                  DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        textWidth = rect.right - rect.left;
        textHeight = rect.bottom - rect.top;
    });
    if (bigIcon_) iconButton_ = Child("Button", "", BS_OWNERDRAW | WS_DISABLED, layout.Icon, window_);

    HWND focus = nullptr;
    for (const BoxButton& placed : layout.Buttons) {
        const int action = placed.Code == CantContinue ? Continue : placed.Code;
        HWND button =
            Child("Button", captions[action].c_str(), WS_TABSTOP | (settings.FlashButtons ? BS_OWNERDRAW : 0),
                  placed.Rect, window_, ButtonIdBase + action);
        if (!button) continue;
        SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont_), FALSE);
        SetWindowLongPtrA(button, GWLP_USERDATA, placed.Code);
        buttons_[action] = button;
        // A disabled button never takes the focus, even when it is the default.
        if (placed.Code == CantContinue) EnableWindow(button, FALSE);
        if (!focus && placed.Code == defaults_.DefaultAction) {
            focus = button;
            SetWindowLongPtrA(button, GWL_STYLE, GetWindowLongPtrA(button, GWL_STYLE) | BS_DEFPUSHBUTTON);
        }
        if (placed.Code == defaults_.CountdownAction) countdownButton_ = button;
    }
    HWND text = Child("Static", message.c_str(), SS_NOPREFIX, layout.Message, window_);
    SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont_), FALSE);
    if (layout.HasReportArea) {
        if (settings.CopyReportOnShow) CopyToClipboard(report_);
        Child("Static", "", SS_GRAYFRAME, layout.GrayFrame, window_);
        HWND frame = Child("Static", "", SS_WHITEFRAME, layout.WhiteFrame, window_);
        edit_ = Child("Edit", "", ES_MULTILINE | ES_READONLY | WS_HSCROLL | WS_VSCROLL, layout.Edit, frame);
        SendMessageA(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(reportFont_), FALSE);
        SetWindowTextA(edit_, report_.c_str());
    }
    fullHeight_ = layout.FullHeight;
    SetWindowPos(window_, nullptr, layout.X, layout.Y, layout.Width,
                 settings.ShowReportAtStart ? layout.FullHeight : layout.Height,
                 SWP_NOZORDER | SWP_NOACTIVATE);

    if (countdownButton_) {
        countdownStart_ = GetTickCount() | 1;
        SetTimer(window_, CountdownTimerId, 10, nullptr);
    }
    MessageBeep(MB_ICONHAND);
    ShowWindow(window_, SW_SHOWNORMAL);
    BringWindowToTop(window_);
    SetForegroundWindow(window_);
    if (focus) SetFocus(focus);
    // A frozen main thread that runs again answers this ping to the dialog, which then goes by itself.
    if (frozen_) PingMainThreadFor(window_);
}

LRESULT __stdcall TExceptionBox::StubProc(TExceptionBox* self, HWND, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
    return self->WndProc(message, wParam, lParam);
}

int TExceptionBox::CodeOf(HWND button) const {
    return static_cast<int>(GetWindowLongPtrA(button, GWLP_USERDATA));
}

void TExceptionBox::PaintButton(HWND button, COLORREF text, COLORREF back, int position, HDC target,
                                bool shift) {
    RECT rect;
    GetClientRect(button, &rect);
    const bool enabled = IsWindowEnabled(button);
    const int bits = ScreenBits();
    if (shift && bits > 14) back = ShiftColour(back, enabled ? 0x10 : 0x08);
    FillBox(memoryDc_, rect.left, rect.top, rect.right, rect.bottom, back);
    if (button == countdownButton_ && countdownStart_) {
        if (position < 0) position = CountdownPosition(GetTickCount() - countdownStart_, rect.right, 0);
        lastPosition_ = position;
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        const int steps = bits > 14 ? 3 : 0;
        for (int i = steps; i >= 0; --i) {
            const COLORREF colour = Mix(face, back, i, 4);
            FillBox(memoryDc_, position - i, rect.top, position - i + 1, rect.bottom, colour);
            FillBox(memoryDc_, position + i, rect.top, position + i + 1, rect.bottom, colour);
        }
    }
    DrawButtonGlyph(memoryDc_, GlyphNames[CodeOf(button)], 3, 3, back);
    char caption[31] = {};
    const int length = GetWindowTextA(button, caption, sizeof caption);
    SIZE size{};
    GetTextExtentPoint32A(memoryDc_, caption, length, &size);
    const int x = 27 + (rect.right - size.cx - 35) / 2;
    SetBkMode(memoryDc_, TRANSPARENT);
    if (!enabled) {
        SetTextColor(memoryDc_, White);
        TextOutA(memoryDc_, x + 1, 5, caption, length);
        text = GetSysColor(COLOR_3DDKSHADOW);
    }
    SetTextColor(memoryDc_, text);
    TextOutA(memoryDc_, x, 4, caption, length);
    HDC dc = target ? target : GetDC(button);
    BitBlt(dc, 0, 0, rect.right, rect.bottom, memoryDc_, 0, 0, SRCCOPY);
    if (!target) ReleaseDC(button, dc);
}

void TExceptionBox::PaintState(HWND button, bool focused) {
    if (!button || !(GetWindowLongPtrA(button, GWL_STYLE) & BS_OWNERDRAW)) return;
    if (focused)
        PaintButton(button, White, GetSysColor(COLOR_3DDKSHADOW), -1, nullptr, false);
    else
        PaintButton(button, Black, GetSysColor(COLOR_BTNFACE), -1, nullptr, true);
}

void TExceptionBox::AnimateButton(HWND button, COLORREF text, COLORREF back, bool shiftBack, COLORREF endText,
                                  COLORREF endBack, bool shiftEndBack) {
    if (!button || !(GetWindowLongPtrA(button, GWL_STYLE) & BS_OWNERDRAW)) return;
    if (ScreenBits() > 14) {
        const int shift = IsWindowEnabled(button) ? 0x10 : 0x08;
        if (shiftBack) back = ShiftColour(back, shift);
        if (shiftEndBack) endBack = ShiftColour(endBack, shift);
    }
    for (int frame = 1; frame <= 8; ++frame) {
        if (frame > 1) Sleep(10);
        PaintButton(button, Mix(text, endText, frame, 8), Mix(back, endBack, frame, 8), -1, nullptr, false);
    }
    lastAnimation_ = GetTickCount();
}

void TExceptionBox::StopCountdown() {
    if (!countdownStart_) return;
    KillTimer(window_, CountdownTimerId);
    countdownStart_ = 0;
    PaintState(countdownButton_, GetFocus() == countdownButton_);
}

void TExceptionBox::OnTimer() {
    const int seconds = RunningSettings().AutoClickSeconds;
    if (seconds <= 0 || !countdownStart_) return;
    RECT rect;
    GetClientRect(countdownButton_, &rect);
    const int position = CountdownPosition(GetTickCount() - countdownStart_, rect.right, seconds);
    if (position != lastPosition_)
        PaintButton(countdownButton_, White, GetSysColor(COLOR_3DDKSHADOW), position, nullptr, false);
    if (position > rect.right) {
        KillTimer(window_, CountdownTimerId);
        PostMessageA(window_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(countdownButton_), BN_CLICKED),
                     reinterpret_cast<LPARAM>(countdownButton_));
    }
}

bool TExceptionBox::Handled(int code) {
    bool handled = false;
    CallExceptionHandlers(hkAction, static_cast<uint8_t>(code), frozen_, handled, canContinue_, screenShot_,
                          report_, 0, address_, exception_);
    return handled;
}

void TExceptionBox::ShowReportAction() {
    Handled(Show);
    if (RunningSettings().CopyReportOnShow) CopyToClipboard(report_);
    RECT rect;
    GetWindowRect(window_, &rect);
    const int width = rect.right - rect.left;
    const int grown = std::max(width, ReportAreaWidth) - width;
    // Never an activation exchange, which would wait on the held thread of the window that was active.
    SetWindowPos(window_, nullptr, 0, 0, width + grown, fullHeight_,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (grown > 0)
        for (int code : {Continue, Restart, Close})
            if (HWND button = buttons_[code]) {
                RECT place;
                GetWindowRect(button, &place);
                MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&place), 2);
                SetWindowPos(button, nullptr, place.left + grown, place.top, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
    if (HWND show = buttons_[Show]) {
        buttons_[Show] = nullptr;
        if (GetFocus() == show) SetFocus(edit_);
        DestroyWindow(show);
    }
}

void TExceptionBox::CloseAction() {
    if (!Handled(Close)) CloseApplication();
    DestroyWindow(window_);
}

void TExceptionBox::RunAction(int code) {
    switch (code) {
    case Mail:
        if (!Handled(Mail)) SendBugReport(report_, screenShot_, window_);
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        break;
    case Save:
    case Print:
        if (!Handled(code)) {
            const bool done =
                code == Save ? SaveBugReportAs(report_, window_) : PrintReport(report_, window_);
            if (done && code == Save && buttons_[Save]) {
                DestroyWindow(buttons_[Save]);
                buttons_[Save] = nullptr;
            }
            MessageBeep(done ? MB_ICONASTERISK : 0);
        }
        // Also after a handler did the work: the blinking left the wait cursor.
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        break;
    case Show:
        ShowReportAction();
        break;
    case Continue:
        if (!canContinue_) return CloseAction();
        Handled(Continue);
        DestroyWindow(window_);
        break;
    case Restart:
        if (!Handled(Restart)) RestartProcess();
        DestroyWindow(window_);
        break;
    case Close:
    case CantContinue:
        CloseAction();
        break;
    }
}

// The pressed button's answer: mail, save and print blink while they work, show fades away, the others dip.
void TExceptionBox::FlashButton(HWND control, int code) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE), shadow = GetSysColor(COLOR_3DDKSHADOW);
    if (code == Mail || code == Save || code == Print) {
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        for (int blink = 0; blink < 4; ++blink) {
            PaintButton(control, Black, face, -1, nullptr, true);
            Sleep(50);
            PaintButton(control, White, shadow, -1, nullptr, false);
            Sleep(50);
        }
    } else if (code == Show) {
        AnimateButton(control, White, shadow, false, face, face, false);
    } else if (GetTickCount() - lastAnimation_ > 200) {
        AnimateButton(control, White, shadow, false, Black, face, true);
        Sleep(10);
        AnimateButton(control, Black, face, true, White, shadow, false);
    }
}

void TExceptionBox::OnCommand(HWND control) {
    const auto own = std::find(buttons_.begin(), buttons_.end(), control);
    if (!control || own == buttons_.end()) return;
    StopCountdown();
    const int code = CodeOf(control);
    if (RunningSettings().FlashButtons) FlashButton(control, code);
    RunAction(code);
}

LRESULT TExceptionBox::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->hwndItem == iconButton_) {
            DrawIconEx(item->hDC, 0, 0, bigIcon_, 32, 32, 0, nullptr, DI_NORMAL);
            return 1;
        }
        const bool focused = (item->itemState & ODS_FOCUS) != 0;
        // The countdown stops when the focus moves to another control of the dialog (a button, the report
        // being read), not when its own button first gets it, nor when another program takes the foreground.
        if ((item->itemAction & ODA_FOCUS) &&
            (focused ? item->hwndItem != countdownButton_ : IsChild(window_, GetFocus())))
            StopCountdown();
        const COLORREF face = GetSysColor(COLOR_BTNFACE), shadow = GetSysColor(COLOR_3DDKSHADOW);
        if ((item->itemAction & ODA_FOCUS) && focused)
            AnimateButton(item->hwndItem, Black, face, true, White, shadow, false);
        else if (item->itemAction & ODA_FOCUS)
            AnimateButton(item->hwndItem, White, shadow, false, Black, face, true);
        else if (focused)
            PaintButton(item->hwndItem, White, shadow, -1, item->hDC, false);
        else
            PaintButton(item->hwndItem, Black, face, -1, item->hDC, true);
        return 1;
    }
    case WM_TIMER:
        if (wParam == CountdownTimerId) OnTimer();
        return 0;
    case WM_COMMAND: {
        HWND control = reinterpret_cast<HWND>(lParam);
        if (!control && LOWORD(wParam) == IDOK) control = GetFocus();
        OnCommand(control);
        return 0;
    }
    case WM_CLOSE: {
        const int code = defaults_.DefaultAction;
        if (code == Continue || code == Restart || code == Close)
            RunAction(code);
        else if (buttons_[Continue] && canContinue_)
            RunAction(Continue);
        else if (buttons_[Close])
            RunAction(Close);
        else if (buttons_[Restart])
            RunAction(Restart);
        else
            // Without a button that ends the dialog the close box must still end it.
            RunAction(canContinue_ ? Continue : Close);
        return 0;
    }
    case WM_NULL:
        if (wParam == 777 && lParam == 777) DestroyWindow(window_);
        return 0;
    case WM_DESTROY:
        // Closed by a message sent from elsewhere (a click through automation, another program), the modal
        // loop would go on waiting in GetMessage for a posted message that may never come, threads held.
        PostMessageA(nullptr, WM_NULL, 0, 0);
        break;
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}

void RunExceptionBox(bool frozen, const TExceptionRef* exception, const void* address, bool canContinue,
                     const std::string& screenShot, const std::string& report) {
    const CrashSettings& settings = RunningSettings();
    if (settings.ConsoleNoBox && IsConsoleProgram()) {
        std::string text;
        if (WebRequestProcedure()) {
            const THtmlReportProc html = settings.HtmlReportProc;
            text = "Content-Type: text/html\r\n\r\n" + (html ? html(report) : report);
        } else {
            text = ConsoleFailureText(ExceptionBoxMessage(frozen, exception), report,
                                      settings.ShowReportAtStart || !settings.ShowCaption.empty());
        }
        DWORD written;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
                  nullptr);
        return;
    }
    TExceptionBox box(frozen, canContinue, screenShot, report, address, exception);
    MSG message;
    while (box.Window() && IsWindow(box.Window()) && GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
            SendMessageA(box.Window(), WM_CLOSE, 0, 0);
            continue;
        }
        if (message.hwnd != box.Report() && IsDialogMessageA(box.Window(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

} // namespace jov
