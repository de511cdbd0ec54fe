#include "controls/StyleForm.h"
#include "controls/NonClientMetrics.h"
#include "framework/Application.h"

#include <algorithm>

namespace {
// Desktop composition draws its own caption over ours unless told not to render the non-client area.
// Looked up at run time: systems before composition lack the library.
void DisableCompositionFrame(HWND window) {
    using SetAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    static const SetAttribute setAttribute = []() -> SetAttribute {
        HMODULE dwm = LoadLibraryA("dwmapi.dll");
        return dwm ? reinterpret_cast<SetAttribute>(
                         reinterpret_cast<void*>(GetProcAddress(dwm, "DwmSetWindowAttribute")))
                   : nullptr;
    }();
    if (!setAttribute) return;
    const DWORD ncRenderingPolicy = 2, ncRenderingDisabled = 1;
    setAttribute(window, ncRenderingPolicy, &ncRenderingDisabled, sizeof ncRenderingDisabled);
}

RECT ToRect(const core::LayoutRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

void FillColor(HDC dc, int x, int y, int width, int height, int sysColor) {
    RECT r{x, y, x + width, y + height};
    FillRect(dc, &r, GetSysColorBrush(sysColor));
}

// Where a mouse message of the captured caption button happened, on the screen. The message's own point,
// not the cursor's position now: the cursor may have moved on since (and under Wine the position read
// back can lag behind the message).
POINT ScreenPoint(HWND window, LPARAM lParam) {
    POINT p{short(LOWORD(lParam)), short(HIWORD(lParam))};
    ClientToScreen(window, &p);
    return p;
}

// The order in which buttons are hit-tested and painted.
constexpr CaptionButtonKind rightToLeft[] = {cbClose, cbMaximize, cbMinimize, cbHelp};
} // namespace

void TTitlebarButton::Click() const {
    POINT p{};
    GetCursorPos(&p);
    WPARAM command = SC_CLOSE;
    switch (Kind) {
    case cbHelp:
        command = SC_CONTEXTHELP;
        break;
    case cbMinimize:
        command = SC_MINIMIZE;
        break;
    case cbMaximize:
        command = IsZoomed(Window) || IsIconic(Window) ? SC_RESTORE : SC_MAXIMIZE;
        break;
    case cbClose:
        break;
    }
    PostMessageA(Window, WM_SYSCOMMAND, command, MAKELPARAM(p.x, p.y));
}

void TTitlebarButton::Paint(HDC dc, const RECT& r) const {
    UINT state = DFCS_CAPTIONCLOSE;
    switch (Kind) {
    case cbHelp:
        state = DFCS_CAPTIONHELP;
        break;
    case cbMinimize:
        state = DFCS_CAPTIONMIN;
        break;
    case cbMaximize:
        state = IsZoomed(Window) || IsIconic(Window) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX;
        break;
    case cbClose:
        break;
    }
    if (!Enabled)
        state |= DFCS_INACTIVE;
    else if (Pressed && Down)
        state |= DFCS_PUSHED;
    RECT copy = r;
    DrawFrameControl(dc, &copy, DFC_CAPTION, state);
}

TStyleForm::TStyleForm() {
    ReadMetrics();
    captionFont_.reset(CreateFontIndirectA(&metrics_.lfCaptionFont));
}

TStyleForm::~TStyleForm() = default;

void TStyleForm::ReadMetrics() {
    frameWidth_ = GetSystemMetrics(SM_CXFRAME);
    frameHeight_ = GetSystemMetrics(SM_CYFRAME);
    smallIconWidth_ = GetSystemMetrics(SM_CXSMICON);
    smallIconHeight_ = GetSystemMetrics(SM_CYSMICON);
    metrics_ = ReadNonClientMetrics();
    captionHeight_ = GetSystemMetrics(SM_CYCAPTION) - 1;
}

void TStyleForm::ReadSmallIcon() {
    HWND h = handle();
    smallIcon_ = reinterpret_cast<HICON>(SendMessageA(h, WM_GETICON, ICON_SMALL, 0));
    if (!smallIcon_) smallIcon_ = reinterpret_cast<HICON>(SendMessageA(h, WM_GETICON, ICON_BIG, 0));
    // A form made in code carries its icon in its class.
    if (!smallIcon_) smallIcon_ = reinterpret_cast<HICON>(GetClassLongPtrA(h, GCLP_HICONSM));
    if (!smallIcon_) smallIcon_ = reinterpret_cast<HICON>(GetClassLongPtrA(h, GCLP_HICON));
}

void TStyleForm::SetIconResource(int id) {
    const struct {
        WPARAM which;
        int width, height;
    } sizes[] = {{ICON_BIG, SM_CXICON, SM_CYICON}, {ICON_SMALL, SM_CXSMICON, SM_CYSMICON}};
    for (std::size_t i = 0; i < ownIcons_.size(); ++i) {
        ownIcons_[i].reset(static_cast<HICON>(LoadImageA(fw::application().instance(), MAKEINTRESOURCEA(id),
                                                         IMAGE_ICON, GetSystemMetrics(sizes[i].width),
                                                         GetSystemMetrics(sizes[i].height), 0)));
        if (ownIcons_[i])
            SendMessageA(handle(), WM_SETICON, sizes[i].which, reinterpret_cast<LPARAM>(ownIcons_[i].get()));
    }
}

void TStyleForm::FinishCreation() {
    LONG style = GetWindowLongA(handle(), GWL_STYLE), exStyle = GetWindowLongA(handle(), GWL_EXSTYLE);
    if (!(style & WS_MAXIMIZEBOX)) captionButtons_ &= ~core::ButtonBit(cbMaximize);
    if (!(style & WS_MINIMIZEBOX)) captionButtons_ &= ~core::ButtonBit(cbMinimize);
    if (exStyle & WS_EX_DLGMODALFRAME)
        captionButtons_ &= ~(core::ButtonBit(cbMaximize) | core::ButtonBit(cbMinimize));
    for (auto& button : buttons_) button.Enabled = (captionButtons_ & core::ButtonBit(button.Kind)) != 0;
    RefreshButtonWindows();
    ReadSmallIcon();
    DisableCompositionFrame(handle());
    creating_ = false;
}

void TStyleForm::RefreshButtonWindows() {
    for (auto& button : buttons_) button.Window = handle();
}

void TStyleForm::Repaint() {
    if (!creating_ && handle()) SendMessageA(handle(), WM_NCPAINT, 1, 0);
}

void TStyleForm::SetCaptionButtons(CaptionButtonSet value) {
    if (value == captionButtons_) return;
    captionButtons_ = value;
    if (HWND h = handle()) {
        LONG style = GetWindowLongA(h, GWL_STYLE);
        style = (value & core::ButtonBit(cbMaximize)) ? style | WS_MAXIMIZEBOX : style & ~WS_MAXIMIZEBOX;
        style = (value & core::ButtonBit(cbMinimize)) ? style | WS_MINIMIZEBOX : style & ~WS_MINIMIZEBOX;
        SetWindowLongA(h, GWL_STYLE, style);
        if (!(value & core::ButtonBit(cbClose)))
            EnableMenuItem(GetSystemMenu(h, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    }
    RefreshButtonWindows();
    Repaint();
}

void TStyleForm::SetSystemMenu(bool value) {
    systemMenu_ = value;
    if (HWND h = handle()) {
        LONG style = GetWindowLongA(h, GWL_STYLE);
        SetWindowLongA(h, GWL_STYLE, value ? style | WS_SYSMENU : style & ~WS_SYSMENU);
    }
    RefreshButtonWindows();
}

void TStyleForm::SetUseStandardCaption(bool value) {
    useStandardCaption_ = value;
    Repaint();
}

void TStyleForm::SetColor(ColorIndex index, TColor value) {
    colors_[index] = value;
    Repaint();
}

core::CaptionMetrics TStyleForm::LayoutMetrics() const {
    return {frameWidth_, metrics_.iCaptionWidth, metrics_.iCaptionHeight};
}

CaptionButtonSet TStyleForm::EnabledButtons() const {
    CaptionButtonSet enabled = 0;
    for (const auto& button : buttons_)
        if (button.Enabled) enabled |= core::ButtonBit(button.Kind);
    return enabled;
}

CaptionButtonSet TStyleForm::ShownButtons() const {
    return core::ShownCaptionButtons(captionButtons_, EnabledButtons(), hideDisabledButtons_);
}

RECT TStyleForm::GetButtonRect(CaptionButtonKind kind) const {
    RECT w = bounds();
    return ToRect(core::CaptionButtonRect(kind, ShownButtons(), w.right - w.left, LayoutMetrics()));
}

uint8_t TStyleForm::ButtonAtPoint(POINT screen) const {
    RECT w = bounds();
    return core::CaptionButtonAt(screen.x - w.left, screen.y - w.top, ShownButtons(), w.right - w.left,
                                 LayoutMetrics());
}

void TStyleForm::InvalidateButton(CaptionButtonKind kind) {
    RECT r = GetButtonRect(kind), w = bounds();
    if (IsRectEmpty(&r) || creating_) return;
    OffsetRect(&r, w.left, w.top);
    fw::Region region(CreateRectRgnIndirect(&r));
    SendMessageA(handle(), WM_NCPAINT, reinterpret_cast<WPARAM>(region.get()), 0);
}

void TStyleForm::PaintCaption(HDC windowDC, int windowWidth) {
    int width = windowWidth - 2 * frameWidth_, height = captionHeight_;
    if (width <= 0 || height <= 0) return;
    fw::MemoryDC memory(CreateCompatibleDC(windowDC));
    fw::Bitmap bitmap(CreateCompatibleBitmap(windowDC, width, height));
    if (!memory || !bitmap) return;
    fw::Selection bitmapSelection(memory.get(), bitmap.get());
    HDC dc = memory.get();

    COLORREF start, end, textColor;
    if (!active_) {
        start = GetSysColor(COLOR_INACTIVECAPTION);
        end = GetSysColor(COLOR_GRADIENTINACTIVECAPTION);
        textColor = GetSysColor(COLOR_INACTIVECAPTIONTEXT);
    } else if (useStandardCaption_) {
        start = GetSysColor(COLOR_ACTIVECAPTION);
        end = GetSysColor(COLOR_GRADIENTACTIVECAPTION);
        textColor = GetSysColor(COLOR_CAPTIONTEXT);
    } else {
        start = ColorToRGB(StartColor());
        end = ColorToRGB(EndColor());
        textColor = ColorToRGB(TextColor());
    }
    for (int x = 0; x <= width; ++x) {
        fw::Brush brush(CreateSolidBrush(core::GradientColor(start, end, x, width)));
        fw::Selection brushSelection(dc, brush.get());
        PatBlt(dc, x, 0, 1, height, PATCOPY);
    }

    int textRight = width - 2;
    for (CaptionButtonKind kind : rightToLeft) {
        RECT r = GetButtonRect(kind);
        if (IsRectEmpty(&r)) continue;
        OffsetRect(&r, -frameWidth_, -frameHeight_);
        buttons_[kind].Paint(dc, r);
        textRight = std::min(textRight, int(r.left) - 2);
    }
    if (smallIcon_)
        DrawIconEx(dc, 2, (height - smallIconHeight_) / 2, smallIcon_, smallIconWidth_, smallIconHeight_, 0,
                   nullptr, DI_NORMAL);
    if (captionFont_) {
        SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, textColor);
        fw::Selection fontSelection(dc, captionFont_.get());
        RECT r{smallIcon_ ? smallIconWidth_ + 4 : 2, frameHeight_ - 2, textRight, height - 2};
        std::string caption = Caption();
        DrawTextA(dc, caption.c_str(), int(caption.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    }
    BitBlt(windowDC, frameWidth_, frameHeight_, width, height, dc, 0, 0, SRCCOPY);
}

LRESULT TStyleForm::PaintFrame(HRGN updateRegion) {
    HWND h = handle();
    RECT w = bounds();
    int width = w.right - w.left, height = w.bottom - w.top;
    bool wholeFrame = updateRegion == reinterpret_cast<HRGN>(1) || !updateRegion;
    {
        fw::WindowDC windowDC(h, true);
        HDC dc = windowDC.get();
        if (!dc) return 0;
        // The region belongs to the system and is passed on below: clip with a copy in window coordinates.
        fw::Region clip;
        if (!wholeFrame) {
            clip.reset(CreateRectRgn(0, 0, 0, 0));
            CombineRgn(clip.get(), updateRegion, nullptr, RGN_COPY);
            OffsetRgn(clip.get(), -w.left, -w.top);
            SelectClipRgn(dc, clip.get());
        }
        FillColor(dc, 0, 0, frameWidth_, height, COLOR_BTNFACE);
        FillColor(dc, 0, 0, width, frameHeight_, COLOR_BTNFACE);
        FillColor(dc, 0, height - frameHeight_, width, frameHeight_, COLOR_BTNFACE);
        FillColor(dc, width - frameWidth_, 0, frameWidth_, height, COLOR_BTNFACE);
        FillColor(dc, 0, 0, 1, height - 1, COLOR_3DLIGHT);
        FillColor(dc, 0, 0, width - 1, 1, COLOR_3DLIGHT);
        FillColor(dc, 1, 1, 1, height - 2, COLOR_BTNHIGHLIGHT);
        FillColor(dc, 1, 1, width - 2, 1, COLOR_BTNHIGHLIGHT);
        FillColor(dc, width - 1, 0, 1, height, COLOR_3DDKSHADOW);
        FillColor(dc, 0, height - 1, width, 1, COLOR_3DDKSHADOW);
        FillColor(dc, width - 2, 1, 1, height - 2, COLOR_BTNSHADOW);
        FillColor(dc, 1, height - 2, width - 2, 1, COLOR_BTNSHADOW);
        PaintCaption(dc, width);
    }
    // What lies inside the frame below the caption (menu bar, scroll bars) is the system's to paint.
    fw::Region interior(CreateRectRgn(w.left + frameWidth_, w.top + frameHeight_ + captionHeight_,
                                      w.right - frameWidth_, w.bottom - frameHeight_));
    if (!wholeFrame) CombineRgn(interior.get(), interior.get(), updateRegion, RGN_AND);
    return DefWindowProcA(h, WM_NCPAINT, reinterpret_cast<WPARAM>(interior.get()), 0);
}

void TStyleForm::OnLeftButtonDown(WPARAM hit) {
    // The system leaves activating on a caption press to the press's own handling, which this replaces:
    // without this, an inactive form stayed inactive and the keys went on to the window that was active.
    if (GetForegroundWindow() != handle()) SetForegroundWindow(handle());
    if (hitButton_ == core::noCaptionButton) {
        if (hit == HTCAPTION) {
            BringWindowToTop(handle());
            ReleaseCapture();
            if (!IsZoomed(handle())) SendMessageA(handle(), WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
        }
        return;
    }
    TTitlebarButton& button = buttons_[hitButton_];
    if (!button.Enabled) return;
    pressedButton_ = hitButton_;
    button.Pressed = button.Down = true;
    tracking_ = true;
    SetCapture(handle());
    InvalidateButton(button.Kind);
}

void TStyleForm::EndTracking() {
    tracking_ = false;
    for (auto& button : buttons_) button.Pressed = button.Down = false;
    pressedButton_ = core::noCaptionButton;
    Repaint();
}

LRESULT TStyleForm::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Dialog-template forms leave unhandled messages to the dialog manager after we return; the
    // messages whose result we change or paint over must see the system's handling first.
    auto inherited = [&] {
        return isDialog() ? DefWindowProcA(handle(), message, wParam, lParam)
                          : Form::handleMessage(message, wParam, lParam);
    };
    switch (message) {
    case WM_CREATE:
    case WM_INITDIALOG:
        FinishCreation();
        return Form::handleMessage(message, wParam, lParam);
    case WM_SETTEXT:
    case WM_INITMENU:
    case WM_INITMENUPOPUP:
    case WM_GETMINMAXINFO:
    case WM_ENTERSIZEMOVE: {
        LRESULT result = inherited();
        Repaint();
        return result;
    }
    case WM_SETTINGCHANGE: {
        LRESULT result = inherited();
        ReadMetrics();
        Repaint();
        return result;
    }
    case WM_SETICON: {
        LRESULT result = inherited();
        ReadSmallIcon();
        Repaint();
        return result;
    }
    case WM_NCHITTEST: {
        LRESULT hit = DefWindowProcA(handle(), message, wParam, lParam);
        if (hit == HTMINBUTTON || hit == HTMAXBUTTON || hit == HTCLOSE || hit == HTHELP) hit = HTCAPTION;
        hitButton_ = hit == HTCAPTION ? ButtonAtPoint({short(LOWORD(lParam)), short(HIWORD(lParam))})
                                      : core::noCaptionButton;
        if (hit == HTSIZE || (hit >= HTLEFT && hit <= HTBOTTOMRIGHT)) Repaint();
        return hit;
    }
    case WM_NCPAINT:
        if (creating_) return inherited();
        return PaintFrame(reinterpret_cast<HRGN>(wParam));
    case WM_NCACTIVATE: {
        LRESULT result = DefWindowProcA(handle(), message, wParam, lParam);
        active_ = wParam != 0;
        Repaint();
        return result;
    }
    case WM_NCMOUSEMOVE: {
        LRESULT result = inherited();
        if (wParam == HTBOTTOMRIGHT) Repaint();
        return result;
    }
    case WM_NCLBUTTONDOWN:
        if (hitButton_ == core::noCaptionButton && wParam != HTCAPTION) return inherited();
        OnLeftButtonDown(wParam);
        return 0;
    case WM_NCLBUTTONDBLCLK:
        if (wParam == HTCAPTION && (captionButtons_ & core::ButtonBit(cbMaximize)))
            buttons_[cbMaximize].Click();
        return 0;
    case WM_SYSCOMMAND: {
        LRESULT result = inherited();
        if ((wParam & 0xFFF0) == SC_CONTEXTHELP) Repaint();
        return result;
    }
    case WM_MOUSEMOVE:
        if (tracking_) {
            const POINT p = ScreenPoint(handle(), lParam);
            TTitlebarButton& button = buttons_[pressedButton_];
            bool down = ButtonAtPoint(p) == pressedButton_;
            if (down != button.Down) {
                button.Down = down;
                InvalidateButton(button.Kind);
            }
            return 0;
        }
        break;
    case WM_LBUTTONUP:
        if (tracking_) {
            const POINT p = ScreenPoint(handle(), lParam);
            uint8_t pressed = pressedButton_;
            tracking_ = false;
            ReleaseCapture();
            if (ButtonAtPoint(p) == pressed) buttons_[pressed].Click();
            EndTracking();
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        // Capture taken away mid-press (another window, a menu): the press ends without a command.
        if (tracking_) EndTracking();
        break;
    }
    return Form::handleMessage(message, wParam, lParam);
}
