#include "controls/FindWndPanel.h"
#include "ResourceIds.h"
#include "core/WindowAtPoint.h"
#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/Resources.h"

#include <utility>
#include <vector>
#include <windowsx.h>

namespace {

struct Descendants {
    std::vector<HWND> windows;
    std::vector<core::LayoutRect> boxes;
};

BOOL CALLBACK collectDescendant(HWND window, LPARAM param) {
    auto& all = *reinterpret_cast<Descendants*>(param);
    RECT r;
    if (!GetWindowRect(window, &r)) return TRUE;
    all.windows.push_back(window);
    all.boxes.push_back({r.left, r.top, r.right, r.bottom});
    return TRUE;
}

const char panelClass[] = "TFindWndPanel";

} // namespace

HWND GetWindowAtPoint(POINT point) {
    HWND window = WindowFromPoint(point);
    if (!window) return nullptr;
    if (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) {
        if (HWND parent = GetParent(window)) window = parent;
    }
    Descendants all;
    EnumChildWindows(window, collectDescendant, reinterpret_cast<LPARAM>(&all));
    int found = core::SmallestBoxAt(all.boxes, point.x, point.y);
    return found < 0 ? window : all.windows[found];
}

namespace {
// Where a window shows on the screen: its rectangle within its parents' client areas, less what the
// windows above it and above each of its parents cover. A window DC is clipped so; the frame goes on the
// screen DC clipped to this, since drawing into another process's window DC shows nothing under Wine.
fw::Region VisibleRegion(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    fw::Region visible(CreateRectRgnIndirect(&r));
    const HWND desktop = GetDesktopWindow();
    for (HWND w = window; w && w != desktop; w = GetAncestor(w, GA_PARENT)) {
        if (HWND parent = GetAncestor(w, GA_PARENT); parent && parent != desktop) {
            RECT client;
            GetClientRect(parent, &client);
            MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&client), 2);
            fw::Region inside(CreateRectRgnIndirect(&client));
            CombineRgn(visible.get(), visible.get(), inside.get(), RGN_AND);
        }
        for (HWND above = GetWindow(w, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV)) {
            if (!IsWindowVisible(above) || !GetWindowRect(above, &r)) continue;
            fw::Region covered(CreateRectRgnIndirect(&r));
            CombineRgn(visible.get(), visible.get(), covered.get(), RGN_DIFF);
        }
    }
    return visible;
}

// The frame on the screen now. Inverting is its own undo: inverting again within the same region takes
// the frame away exactly, and the windows above the framed one were never drawn on.
struct DrawnFrame {
    HWND window = nullptr;
    RECT rect{};
    int inset = 0;
    fw::Region clip;
};
DrawnFrame drawnFrame;

void InvertFrame(const DrawnFrame& frame) {
    HDC dc = GetDC(nullptr);
    if (!dc) return;
    HPEN pen = CreatePen(PS_SOLID, 3, RGB(0, 0, 0));
    if (pen) {
        SelectClipRgn(dc, frame.clip.get());
        int oldMode = SetROP2(dc, R2_NOT);
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        HGDIOBJ oldPen = SelectObject(dc, pen);
        const RECT& r = frame.rect;
        Rectangle(dc, r.left + 1, r.top + 1, r.right - frame.inset, r.bottom - frame.inset);
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        SetROP2(dc, oldMode);
        SelectClipRgn(dc, nullptr);
        DeleteObject(pen);
    }
    ReleaseDC(nullptr, dc);
}
} // namespace

void HighlightWindow(HWND window) {
    RECT r;
    if (!window || !GetWindowRect(window, &r)) return;
    if (drawnFrame.window) RemoveHighlight(drawnFrame.window);
    // A top-level window's frame lies one pixel further inside than a child's. An owned window is
    // top-level too, though GetParent names its owner.
    const bool child = (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0;
    drawnFrame = {window, r, child ? 1 : 2, VisibleRegion(window)};
    InvertFrame(drawnFrame);
}

void RemoveHighlight(HWND window) {
    if (!window) return;
    DrawnFrame frame;
    if (drawnFrame.window == window) std::swap(frame, drawnFrame);
    // A window that went took its frame with it, and a repaint of it would repaint the whole desktop.
    if (!IsWindow(window)) return;
    if (frame.window == window) InvertFrame(frame);
    UINT flags = RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN;
    // Another thread's window repaints when it gets to it: waiting for it could hang us.
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) flags |= RDW_UPDATENOW;
    RedrawWindow(window, nullptr, nullptr, flags);
}

TFindWndPanel::TFindWndPanel()
    : idleImage_(fw::loadBmpResource(IDR_FINDER_IDLE)), dragImage_(fw::loadBmpResource(IDR_FINDER_DRAG)) {}

SIZE TFindWndPanel::PictureSize() const {
    SIZE size = fw::bitmapSize(idleImage_.get());
    if (size.cx == 0) size = {31, 30};
    return size;
}

void TFindWndPanel::Create(HWND parent, int id, int x, int y) {
    CreateParams p;
    p.className = panelClass;
    p.style = WS_CHILD | WS_VISIBLE;
    p.x = x;
    p.y = y;
    p.width = PictureSize().cx;
    p.height = PictureSize().cy;
    p.parent = parent;
    p.menu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
    create(p);
}

void TFindWndPanel::Paint() {
    fw::PaintDC painting(handle());
    HDC dc = painting.get();
    if (HBITMAP picture = showIdle_ ? idleImage_.get() : dragImage_.get()) fw::drawBitmap(dc, picture, 0, 0);
}

void TFindWndPanel::Press() {
    showIdle_ = false;
    RedrawWindow(handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    if (HCURSOR finder = fw::application().cursor(1)) SetCursor(finder);
    dragging_ = true;
    // A new drag reports its first window even when it is the one the last drag ended on.
    lastWindow_ = nullptr;
    SetCapture(handle());
}

void TFindWndPanel::Move() {
    POINT point;
    if (!GetCursorPos(&point)) return;
    if (HCURSOR finder = fw::application().cursor(1)) SetCursor(finder);
    HWND window = GetWindowAtPoint(point);
    if (window == lastWindow_) return;
    RemoveHighlight(lastWindow_);
    lastWindow_ = window;
    HighlightWindow(window);
    if (OnFoundWnd && window && IsWindow(window)) OnFoundWnd(window);
}

void TFindWndPanel::Release() {
    showIdle_ = true;
    RedrawWindow(handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    dragging_ = false;
    if (GetCapture() == handle()) ReleaseCapture();
    RemoveHighlight(lastWindow_);
}

LRESULT TFindWndPanel::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
        Press();
        return 0;
    case WM_MOUSEMOVE:
        if (dragging_) Move();
        return 0;
    case WM_LBUTTONUP:
        if (dragging_) Release();
        return 0;
    case WM_CAPTURECHANGED:
        // Capture taken away (a message box, Alt+Tab): the drag is over, and its frame must go.
        if (dragging_ && reinterpret_cast<HWND>(lParam) != handle()) Release();
        return 0;
    case WM_SETCURSOR:
        if (dragging_) {
            if (HCURSOR finder = fw::application().cursor(1)) SetCursor(finder);
            return TRUE;
        }
        break;
    }
    return Window::handleMessage(message, wParam, lParam);
}

THintEdit::~THintEdit() {
    if (HWND edit = handle()) RemoveWindowSubclass(edit, &THintEdit::subclassProc, 1);
    if (hintWindow_ && IsWindow(hintWindow_)) DestroyWindow(hintWindow_);
}

void THintEdit::Attach(HWND edit) {
    attach(edit);
    SetWindowSubclass(edit, &THintEdit::subclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

void THintEdit::MouseMoved() {
    if (!tracking_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, handle(), 0};
        tracking_ = TrackMouseEvent(&track) != FALSE;
    }
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    if (ctrl && !hintShown_) {
        if (hint_.empty()) return;
        if (!hintWindow_) {
            hintWindow_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                          WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, handle(), nullptr,
                                          fw::application().instance(), nullptr);
            if (!hintWindow_) return;
            TOOLINFOA tool{};
            tool.cbSize = sizeof tool;
            tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_IDISHWND;
            tool.hwnd = handle();
            tool.uId = reinterpret_cast<UINT_PTR>(handle());
            tool.lpszText = const_cast<char*>("");
            SendMessageA(hintWindow_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
            SendMessageA(hintWindow_, TTM_SETMAXTIPWIDTH, 0, GetSystemMetrics(SM_CXSCREEN));
            SendMessageA(hintWindow_, TTM_SETTIPBKCOLOR, GetSysColor(COLOR_INFOBK), 0);
        }
        TOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = handle();
        tool.uId = reinterpret_cast<UINT_PTR>(handle());
        tool.lpszText = hint_.data();
        SendMessageA(hintWindow_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
        POINT cursor;
        GetCursorPos(&cursor);
        SendMessageA(hintWindow_, TTM_TRACKPOSITION, 0, MAKELPARAM(cursor.x, cursor.y));
        SendMessageA(hintWindow_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
        hintShown_ = true;
    } else if (!ctrl && hintShown_) {
        HideHint();
    }
}

void THintEdit::HideHint() {
    if (hintWindow_) {
        TOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = handle();
        tool.uId = reinterpret_cast<UINT_PTR>(handle());
        SendMessageA(hintWindow_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
    }
    hintShown_ = false;
}

LRESULT CALLBACK THintEdit::subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data) {
    auto* self = reinterpret_cast<THintEdit*>(data);
    if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &THintEdit::subclassProc, id);
    try {
        if (message == WM_MOUSEMOVE) {
            self->MouseMoved();
        } else if (message == WM_MOUSELEAVE) {
            self->tracking_ = false;
            if (self->hintShown_) self->HideHint();
        }
    } catch (...) {
        fw::application().handleException(std::current_exception());
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}
