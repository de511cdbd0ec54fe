#include "controls/OstrelToolMenu.h"
#include "controls/NonClientMetrics.h"
#include "core/CaptionLayout.h"
#include "framework/Handles.h"

namespace {

constexpr int separatorBand = 4;

fw::Font MenuFont(bool bold) {
    NONCLIENTMETRICSA metrics = ReadNonClientMetrics();
    if (bold) metrics.lfMessageFont.lfWeight = FW_BOLD;
    return fw::Font(CreateFontIndirectA(&metrics.lfMessageFont));
}

void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF color) {
    fw::Pen pen(CreatePen(PS_SOLID, 1, color));
    fw::Selection selected(dc, pen.get());
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

} // namespace

TOstrelToolMenu::TOstrelToolMenu(HWND host, RECT bounds, int tag, const std::string& caption)
    : Tag(tag), Bounds(bounds), host_(host), caption_(caption) {}

void TOstrelToolMenu::SetCaption(const std::string& caption) {
    caption_ = caption;
    Repaint();
}
void TOstrelToolMenu::SetHighlightColorStart(COLORREF color) {
    highlightColorStart_ = color;
    Repaint();
}
void TOstrelToolMenu::SetHighlightColorEnd(COLORREF color) {
    highlightColorEnd_ = color;
    Repaint();
}
void TOstrelToolMenu::SetHiglightFontColor(COLORREF color) {
    higlightFontColor_ = color;
    Repaint();
}

void TOstrelToolMenu::Repaint() const {
    InvalidateRect(host_, &Bounds, FALSE);
    UpdateWindow(host_);
}

void TOstrelToolMenu::Paint(HDC dc) const {
    if (!Visible) return;
    const int left = Bounds.left, top = Bounds.top, width = Bounds.right - Bounds.left;
    const int bottom = Bounds.bottom;

    // An etched separator in the bottom band.
    RECT band{left, bottom - 3, Bounds.right, bottom};
    FillRect(dc, &band, GetSysColorBrush(COLOR_BTNFACE));
    Line(dc, left, bottom - 3, Bounds.right, bottom - 3, GetSysColor(COLOR_BTNSHADOW));
    Line(dc, left, bottom - 2, Bounds.right, bottom - 2, GetSysColor(COLOR_BTNHIGHLIGHT));

    RECT item{left, top, Bounds.right, bottom - separatorBand};
    COLORREF textColor = GetSysColor(COLOR_BTNTEXT);
    if (Hot) {
        for (int x = 0; x < width; ++x) {
            RECT column{left + x, item.top, left + x + 1, item.bottom};
            fw::Brush brush(
                CreateSolidBrush(core::GradientColor(highlightColorStart_, highlightColorEnd_, x, width)));
            FillRect(dc, &column, brush.get());
        }
        textColor = higlightFontColor_;
    } else {
        FillRect(dc, &item, GetSysColorBrush(COLOR_BTNFACE));
    }
    if (Pressed && Hot) {
        const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT);
        Line(dc, item.left, item.bottom - 1, item.left, item.top, shadow);
        Line(dc, item.left, item.top, item.right - 1, item.top, shadow);
        Line(dc, item.right - 1, item.top, item.right - 1, item.bottom - 1, light);
        Line(dc, item.right - 1, item.bottom - 1, item.left - 1, item.bottom - 1, light);
    }

    const int inset = Pressed ? 4 : 3;
    RECT text{left + inset, top + inset, Bounds.right - 3, item.bottom};
    fw::Font font = MenuFont(Hot);
    fw::Selection selected(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    const UINT format = DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
    if (Enabled) {
        SetTextColor(dc, textColor);
        DrawTextA(dc, caption_.c_str(), int(caption_.size()), &text, format);
        return;
    }
    if (!Hot) {
        RECT embossed = text;
        OffsetRect(&embossed, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextA(dc, caption_.c_str(), int(caption_.size()), &embossed, format);
    }
    SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
    DrawTextA(dc, caption_.c_str(), int(caption_.size()), &text, format);
}

void TOstrelToolMenu::MouseDown() {
    Pressed = true;
    Hot = true;
    Repaint();
}

void TOstrelToolMenu::MouseUp(bool inside) {
    const bool click = Pressed && inside && Enabled;
    Pressed = false;
    Repaint();
    if (click && OnClick) OnClick(*this);
}

void TOstrelToolMenu::MouseEnter() {
    Hot = true;
    Pressed = Pressed && GetKeyState(VK_LBUTTON) < 0;
    if (OnMouseEnter) OnMouseEnter(*this);
    Repaint();
}

void TOstrelToolMenu::MouseLeave() {
    Hot = false;
    if (OnMouseLeave) OnMouseLeave(*this);
    Repaint();
}
