#include "controls/LinkLabel.h"

void TLinkLabel::Create(HWND parent, int id, const RECT& bounds, const std::string& caption) {
    CreateParams p;
    p.className = "TLinkLabel";
    p.background = nullptr;
    p.caption = caption;
    p.style = WS_CHILD | WS_VISIBLE;
    p.place(bounds);
    p.parent = parent;
    p.menu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
    create(p);
    SendMessageA(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
}

void TLinkLabel::SetLinkColor(TColor value) {
    linkColor_ = value;
    if (handle()) InvalidateRect(handle(), nullptr, TRUE);
}

void TLinkLabel::SetOnLinkClick(NotifyEvent handler) {
    onLinkClick_ = std::move(handler);
    if (handle()) InvalidateRect(handle(), nullptr, TRUE);
}

void TLinkLabel::Click() {
    if (onLinkClick_)
        onLinkClick_(*this);
    else if (OnClick)
        OnClick(*this);
}

HFONT TLinkLabel::CurrentFont() const {
    return IsLink() && linkFont_ ? linkFont_.get() : normalFont_;
}

bool TLinkLabel::onPaint() {
    fw::PaintDC painting(handle());
    HDC dc = painting.get();
    RECT r{};
    GetClientRect(handle(), &r);
    // The parent's background: a label has none of its own.
    HBRUSH background = reinterpret_cast<HBRUSH>(SendMessageA(GetParent(handle()), WM_CTLCOLORSTATIC,
                                                              reinterpret_cast<WPARAM>(dc),
                                                              reinterpret_cast<LPARAM>(handle())));
    FillRect(dc, &r, background ? background : GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsLink() ? ColorToRGB(linkColor_) : GetSysColor(COLOR_BTNTEXT));
    fw::Selection font(dc, CurrentFont());
    std::string caption = text();
    DrawTextA(dc, caption.c_str(), int(caption.size()), &r, DT_SINGLELINE | DT_NOPREFIX);
    return true;
}

LRESULT TLinkLabel::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETFONT: {
        normalFont_ = reinterpret_cast<HFONT>(wParam);
        LOGFONTA font{};
        GetObjectA(normalFont_ ? normalFont_ : GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
        font.lfUnderline = TRUE;
        linkFont_.reset(CreateFontIndirectA(&font));
        if (LOWORD(lParam)) InvalidateRect(handle(), nullptr, TRUE);
        return 0;
    }
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(normalFont_);
    case WM_SETTEXT: {
        LRESULT result = Window::handleMessage(message, wParam, lParam);
        InvalidateRect(handle(), nullptr, TRUE);
        return result;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursor(nullptr, IsLink() ? IDC_HAND : IDC_ARROW));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
        // A click is a press and a release both on the label: the capture tells where the release was.
        pressed_ = true;
        SetCapture(handle());
        return 0;
    case WM_LBUTTONUP: {
        const bool pressed = pressed_;
        pressed_ = false;
        if (GetCapture() == handle()) ReleaseCapture();
        POINT p{short(LOWORD(lParam)), short(HIWORD(lParam))};
        RECT r{};
        GetClientRect(handle(), &r);
        if (pressed && PtInRect(&r, p)) Click();
        return 0;
    }
    case WM_CAPTURECHANGED:
        pressed_ = false;
        break;
    }
    return Window::handleMessage(message, wParam, lParam);
}
