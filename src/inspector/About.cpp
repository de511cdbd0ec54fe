#include "About.h"
#include <shellapi.h>
#include <cstdio>
#include "ConstVars.h"
#include "ResourceIds.h"
#include "framework/Application.h"
#include "framework/Resources.h"

namespace {

constexpr char homepage[] = "https://ostrel.example.org/";
constexpr char credits[] = "Thank you for using Ostrel!\n\n"
                           "Ostrel stands on the work of others:\n\n"
                           "zlib\nby Jean-loup Gailly and Mark Adler\n\n"
                           "stb_image\nby Sean Barrett\n\n"
                           "the MinGW-w64 runtime\nby its many contributors\n\n"
                           "Wine,\nwhich runs our tests\n";

// The layout below the main picture: a strip of labels, the credits, and a strip with the small picture.
constexpr int labelsHeight = 70;
constexpr int bannerHeight = 80;
constexpr int bottomHeight = 70;
constexpr POINT smallPicture{13, 414};

int mainHeight(HBITMAP picture) {
    return fw::bitmapSize(picture).cy;
}

void tile(HDC dc, HBITMAP picture, const RECT& area) {
    SIZE size = fw::bitmapSize(picture);
    if (size.cx <= 0 || size.cy <= 0 || area.right <= area.left || area.bottom <= area.top) return;
    fw::MemoryDC memory(CreateCompatibleDC(dc));
    fw::Selection select(memory.get(), picture);
    for (int y = area.top; y < area.bottom; y += size.cy)
        for (int x = area.left; x < area.right; x += size.cx)
            BitBlt(dc, x, y, std::min<int>(size.cx, area.right - x), std::min<int>(size.cy, area.bottom - y),
                   memory.get(), 0, 0, SRCCOPY);
}

bool allModifiersHeld() {
    return GetKeyState(VK_SHIFT) < 0 && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) < 0;
}

bool inside(const RECT& r, POINT p) {
    return PtInRect(&r, p) != FALSE;
}

} // namespace

RECT TAboutForm::HomepageRect() const {
    const int top = mainHeight(main_.get()) + 28;
    return {230, top, 400, top + 16};
}

RECT TAboutForm::Label4Rect() const {
    const int top = mainHeight(main_.get()) + 40;
    return {400, top, 412, top + 16};
}

TAboutForm::TAboutForm()
    : main_(fw::loadJpegResource(IDR_SPLASH)), small_(fw::loadJpegResource(IDR_ABOUT_SMALL)),
      hidden_(fw::loadJpegResource(IDR_ABOUT_HIDDEN)), tile_(fw::loadBmpResource(IDR_ABOUT_TILE)),
      left_(fw::loadJpegResource(IDR_ABOUT_LEFT)), right_(fw::loadJpegResource(IDR_ABOUT_RIGHT)) {
    auto fileVersion = GetFileVersion(ExecutablePath(), &version_);
    char build[64];
    std::snprintf(build, sizeof build, "%d.%d.%d.%d", fileVersion.major, fileVersion.minor,
                  fileVersion.release, fileVersion.build);
    build_ = build;

    const int width = std::max<int>(fw::bitmapSize(main_.get()).cx, 420);
    const int height = mainHeight(main_.get()) + labelsHeight + bannerHeight + bottomHeight;
    CreateParams p;
    p.className = "TAboutForm";
    p.caption = "About Ostrel";
    p.background = nullptr; // the whole client area is painted from the pictures
    p.style = WS_POPUP;
    p.width = width;
    p.height = height;
    p.x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    p.y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    p.parent =
        fw::application().mainForm() ? fw::application().mainForm()->handle() : fw::application().handle();
    create(p);

    labelFont_.reset(
        CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif"));
    creditFont_.reset(
        CreateFontA(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, FIXED_PITCH, "Courier New"));
    const int bannerTop = mainHeight(main_.get()) + labelsHeight;
    const int edge = fw::bitmapSize(left_.get()).cx;
    thanks_.Create(handle(),
                   {edge, bannerTop, width - fw::bitmapSize(right_.get()).cx, bannerTop + bannerHeight});
    thanks_.SetLines(credits);
    thanks_.SetFont(creditFont_.get());
    thanks_.Speed = 8;
    thanks_.Gap = 1;
    thanks_.Space = 5;
    thanks_.FadeHeight = 30;
    thanks_.FadeColor = RGB(0, 0, 0);
    thanks_.Color = RGB(0, 0, 0);
    thanks_.TextColor = RGB(0xC0, 0xC0, 0xC0);
    thanks_.Alignment = DT_CENTER;
    thanks_.WordWrap = true;
    thanks_.OnMouse = [this](UINT message, POINT at) { onBannerMouse(message, at); };
    thanks_.SetRun(true);
}

LRESULT TAboutForm::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    POINT at{short(LOWORD(lParam)), short(HIWORD(lParam))};
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // painting covers everything
    case WM_PAINT: {
        fw::PaintDC painting(handle());
        HDC dc = painting.get();
        paint(dc);
        return 0;
    }
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            POINT cursor;
            GetCursorPos(&cursor);
            ScreenToClient(handle(), &cursor);
            SetCursor(LoadCursor(nullptr, inside(HomepageRect(), cursor) ? IDC_HAND : IDC_ARROW));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
        mouseDown(at, wParam);
        return 0;
    case WM_LBUTTONUP:
        mouseUp(at, wParam);
        return 0;
    case WM_KEYUP:
        if (wParam == VK_ESCAPE) setModalResult(fw::mrCancel);
        return 0;
    }
    return Form::handleMessage(message, wParam, lParam);
}

void TAboutForm::mouseDown(POINT at, WPARAM keys) {
    if (inside(Label4Rect(), at) && (keys & MK_SHIFT) && (keys & MK_CONTROL) && GetKeyState(VK_MENU) < 0) {
        hiddenPicture_ = true;
        thanks_.SetRun(false);
        thanks_.hide();
        InvalidateRect(handle(), nullptr, FALSE);
    }
}

void TAboutForm::mouseUp(POINT at, WPARAM) {
    if (inside(HomepageRect(), at)) {
        ShellExecuteA(handle(), "open", homepage, nullptr, nullptr, SW_SHOWNORMAL);
        return;
    }
    if (inside(Label4Rect(), at) && hiddenPicture_ && allModifiersHeld()) return;
    setModalResult(fw::mrCancel);
}

void TAboutForm::onBannerMouse(UINT message, POINT at) {
    if (message == WM_LBUTTONDOWN) {
        thanks_.Gap = 5;
        return;
    }
    thanks_.Gap = 1;
    // A click, as on the form, is the left button's, released over the credits.
    RECT credits{};
    GetClientRect(thanks_.handle(), &credits);
    if (message == WM_LBUTTONUP && inside(credits, at)) setModalResult(fw::mrCancel);
}

void TAboutForm::paint(HDC dc) {
    RECT client;
    GetClientRect(handle(), &client);
    const int top = mainHeight(main_.get());
    const int bannerTop = top + labelsHeight, bannerBottom = bannerTop + bannerHeight;
    fw::drawBitmap(dc, main_.get(), 0, 0);
    tile(dc, tile_.get(), {0, top, client.right, bannerTop});
    tile(dc, tile_.get(), {0, bannerBottom, client.right, client.bottom});
    const int leftWidth = fw::bitmapSize(left_.get()).cx;
    const int rightWidth = fw::bitmapSize(right_.get()).cx;
    tile(dc, left_.get(), {0, bannerTop, leftWidth, bannerBottom});
    tile(dc, right_.get(), {client.right - rightWidth, bannerTop, client.right, bannerBottom});
    if (hiddenPicture_) {
        RECT area{leftWidth, bannerTop, client.right, bannerBottom};
        FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        SIZE size = fw::bitmapSize(hidden_.get());
        fw::drawBitmap(dc, hidden_.get(), leftWidth + (client.right - leftWidth - size.cx) / 2, bannerTop);
    }
    fw::drawBitmap(dc, small_.get(), smallPicture.x, smallPicture.y);

    fw::Selection font(dc, labelFont_.get());
    SetBkMode(dc, TRANSPARENT);
    auto text = [&](int x, int y, const std::string& s, COLORREF color) {
        SetTextColor(dc, color);
        TextOutA(dc, x, y, s.c_str(), int(s.size()));
    };
    const COLORREF light = RGB(0xF1, 0xFA, 0xEE);
    text(16, top + 12, "Version:", light);
    text(80, top + 12, version_, light);
    text(16, top + 28, "Build:", light);
    text(80, top + 28, build_, light);
    const RECT link = HomepageRect(), label4 = Label4Rect();
    text(link.left, top + 12, "Lintra Software", light);
    text(link.left, link.top, homepage, RGB(0xA8, 0xDA, 0xFF));
    text(label4.left, label4.top, ".", light);
}

void ShowAboutBox() {
    TAboutForm form;
    SetFocus(form.handle());
    form.showModal();
}
