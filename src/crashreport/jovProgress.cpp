#include "crashreport/jovProgress.h"

#include <algorithm>
#include <new>
#include <string>

namespace jov {
namespace {

constexpr int kHeight = 23;
constexpr int kInset = 4;

HBRUSH SystemBrush(int colorIndex) {
    return reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(colorIndex + 1));
}

void Line(HDC dc, HPEN pen, const POINT* points, int count) {
    const HGDIOBJ old = SelectObject(dc, pen);
    Polyline(dc, points, count);
    SelectObject(dc, old);
    DeleteObject(pen);
}

} // namespace

TProgressBar::~TProgressBar() {
    if (!window_) return;
    RECT all{0, 0, width_, height_};
    if (windowDc_) FillRect(windowDc_, &all, SystemBrush(COLOR_BTNFACE));
    if (memoryDc_) {
        if (oldBitmap_) SelectObject(memoryDc_, oldBitmap_);
        if (oldFont_) SelectObject(memoryDc_, oldFont_);
        DeleteDC(memoryDc_);
    }
    if (bitmap_) DeleteObject(bitmap_);
    if (font_) DeleteObject(font_);
    if (windowDc_) ReleaseDC(window_, windowDc_);
    DestroyWindow(window_);
}

bool TProgressBar::Create() {
    if (window_) return true;
    const int screenWidth = GetSystemMetrics(SM_CXFULLSCREEN);
    width_ = screenWidth / 2;
    height_ = kHeight;
    window_ = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP, (screenWidth - width_) / 2,
                              (GetSystemMetrics(SM_CYFULLSCREEN) - kHeight) / 2, width_, height_, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!window_) return false;
    HDC screen = GetDC(nullptr);
    memoryDc_ = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = memoryDc_ ? CreateDIBSection(memoryDc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    windowDc_ = GetWindowDC(window_);
    if (!memoryDc_ || !bitmap_ || !windowDc_) return false; // the destructor frees what was had
    oldBitmap_ = SelectObject(memoryDc_, bitmap_);

    RECT all{0, 0, width_, height_};
    FillRect(memoryDc_, &all, SystemBrush(COLOR_BTNHIGHLIGHT));
    RECT inner{1, 1, width_ - 1, height_ - 1};
    FillRect(memoryDc_, &inner, SystemBrush(COLOR_BTNFACE));
    const POINT frame[] = {{2, 2}, {width_ - 2, 2}, {width_ - 2, height_ - 2}, {2, height_ - 2}, {2, 2}};
    Line(memoryDc_, CreatePen(PS_SOLID, 1, RGB(255, 255, 0)), frame, 5);
    const POINT shadow[] = {{3, height_ - 1}, {width_ - 1, height_ - 1}, {width_ - 1, 2}};
    Line(memoryDc_, CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)), shadow, 3);

    SetBkMode(memoryDc_, TRANSPARENT);
    font_ = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Arial");
    if (font_) oldFont_ = SelectObject(memoryDc_, font_);

    strip_.Left = kInset;
    strip_.Right = width_ - kInset;
    Draw(0);
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    BitBlt(windowDc_, 0, 0, width_, height_, memoryDc_, 0, 0, SRCCOPY);
    Present();
    return true;
}

void TProgressBar::SetPosition(int position) {
    if (!windowDc_ || !memoryDc_) return;
    Draw(std::clamp(position, 0, 1000));
}

void TProgressBar::Draw(int position) {
    int oldEnd = 0;
    if (!strip_.Update(position, oldEnd)) return;
    const int left = strip_.Left, right = strip_.Right, top = kInset, bottom = height_ - kInset;
    const int end = strip_.FilledEnd;
    RECT bar{left, top, right, bottom};
    RECT filled{left, top, end, bottom};
    FillRect(memoryDc_, &bar, SystemBrush(COLOR_BTNTEXT));
    FillRect(memoryDc_, &filled, SystemBrush(COLOR_BTNFACE));

    const std::string text = std::to_string(strip_.Percent) + "%";
    SIZE extent{};
    GetTextExtentPoint32A(memoryDc_, text.c_str(), int(text.size()), &extent);
    const int x = right - extent.cx - 2;
    SetTextColor(memoryDc_, GetSysColor(COLOR_BTNHIGHLIGHT));
    ExtTextOutA(memoryDc_, x, kInset, ETO_CLIPPED, &bar, text.c_str(), UINT(text.size()), nullptr);
    SetTextColor(memoryDc_, GetSysColor(COLOR_BTNTEXT));
    ExtTextOutA(memoryDc_, x, kInset, ETO_CLIPPED, &filled, text.c_str(), UINT(text.size()), nullptr);

    // Only what changed: the filled part's growth and the percentage.
    const int from = std::min(oldEnd, end), to = std::max(oldEnd, end);
    if (to > from) BitBlt(windowDc_, from, top, to - from, bottom - top, memoryDc_, from, top, SRCCOPY);
    const int textLeft = std::max(left, int(right - 2 * extent.cx));
    BitBlt(windowDc_, textLeft, top, right - textLeft, bottom - top, memoryDc_, textLeft, top, SRCCOPY);
    Present();
}

// Some systems (Wine among them) bring what was drawn into a window to the screen only when its thread
// looks for messages and finds none. The bar is drawn whole by us, so nothing of it is left to paint, and
// looking for its messages takes none away from the thread that reports.
void TProgressBar::Present() {
    ValidateRect(window_, nullptr);
    MSG message;
    PeekMessageA(&message, window_, 0, 0, PM_NOREMOVE);
}

ProgressTracker* CreateProgressTracker() {
    // A start tick of 0 would mean "not tracking".
    return new (std::nothrow) ProgressTracker(std::max<DWORD>(GetTickCount(), 1));
}

void AddProgressPhase(ProgressTracker* tracker, std::uint64_t weight) {
    if (tracker) tracker->tracker.AddPhase(weight);
}

void SetProgressPosition(ProgressTracker* tracker, int position) {
    if (tracker) tracker->tracker.SetPosition(position, GetTickCount(), tracker->bar);
}

void NextProgressPhase(ProgressTracker* tracker) {
    if (tracker) tracker->tracker.NextPhase(GetTickCount(), tracker->bar);
}

void FreeProgressTracker(ProgressTracker*& tracker) {
    delete tracker;
    tracker = nullptr;
}

} // namespace jov
