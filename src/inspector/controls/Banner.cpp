#include "controls/Banner.h"
#include <cstring>

namespace {

constexpr UINT_PTR scrollTimer = 1;

uint32_t rgbOf(COLORREF color) {
    return (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
}

} // namespace

TBanner::~TBanner() {
    if (handle()) KillTimer(handle(), scrollTimer);
}

void TBanner::Create(HWND parent, const RECT& bounds) {
    CreateParams p;
    p.className = "TBanner";
    p.background = nullptr; // every pixel is painted from the off-screen picture
    p.style = WS_CHILD | WS_VISIBLE;
    p.place(bounds);
    p.parent = parent;
    create(p);
}

void TBanner::SetRun(bool run) {
    if (run == run_) return;
    run_ = run;
    if (!handle()) return;
    if (run) {
        RECT r;
        GetClientRect(handle(), &r);
        scroll_.restart(r.bottom, Space);
        SetTimer(handle(), scrollTimer, UINT(Speed > 0 ? Speed * 10 : 10), nullptr);
    } else {
        KillTimer(handle(), scrollTimer);
    }
}

void TBanner::onSize(int, int height) {
    if (!run_) scroll_.restart(height, Space);
}

void TBanner::onTimer(UINT_PTR id) {
    if (id != scrollTimer) return;
    scroll_.step(Gap);
    InvalidateRect(handle(), nullptr, FALSE);
}

LRESULT TBanner::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
        // Held, so that the release comes here wherever it happens and the press cannot outlast it.
        SetCapture(handle());
        if (OnMouse) OnMouse(message, {short(LOWORD(lParam)), short(HIWORD(lParam))});
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() == handle()) ReleaseCapture();
        [[fallthrough]];
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        if (OnMouse) OnMouse(message, {short(LOWORD(lParam)), short(HIWORD(lParam))});
        return 0;
    case WM_CAPTURECHANGED:
        if (OnMouse) OnMouse(message, {});
        return 0;
    case WM_PAINT: {
        fw::PaintDC painting(handle());
        HDC dc = painting.get();
        paint(dc);
        return 0;
    }
    }
    return Window::handleMessage(message, wParam, lParam);
}

void TBanner::paint(HDC target) {
    RECT client;
    GetClientRect(handle(), &client);
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return; // nothing to draw into, nothing to divide by

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down: row 0 is the top edge
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    fw::Bitmap picture(CreateDIBSection(target, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    fw::MemoryDC dc(CreateCompatibleDC(target));
    if (!picture || !dc) return;
    HDC memory = dc.get();
    fw::Selection selectPicture(memory, picture.get());
    fw::Selection selectFont(memory, font_);

    fw::Brush brush(CreateSolidBrush(Color));
    FillRect(memory, &client, brush.get());
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, TextColor);
    const UINT format = Alignment | (WordWrap ? DT_WORDBREAK : 0) | DT_NOPREFIX;
    RECT measure{0, 0, width, 0};
    DrawTextA(memory, lines_.c_str(), int(lines_.size()), &measure, format | DT_CALCRECT);
    const int textHeight = measure.bottom - measure.top;
    RECT text{0, scroll_.top(), width, scroll_.top() + textHeight};
    DrawTextA(memory, lines_.c_str(), int(lines_.size()), &text, format);
    scroll_.wrap(textHeight, height, Space);

    GdiFlush();
    core::FadeEdges(static_cast<uint8_t*>(bits), width, height, (width * 3 + 3) & ~3, FadeHeight,
                    rgbOf(FadeColor));
    BitBlt(target, 0, 0, width, height, memory, 0, 0, SRCCOPY);
}
