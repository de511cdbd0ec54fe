#include "controls/ToolWindowPanel.h"
#include "framework/Handles.h"
#include <windowsx.h>
#include <utility>

namespace {
const UINT_PTR closeTimer = 1, trackTimer = 2;
const UINT releaseMessage = WM_APP + 0x3F00;
// The mouse is followed by looking where it is: the system tracks the mouse for one window per thread,
// so the pop-up's request would end the button's.
const UINT trackInterval = 40;
} // namespace

// --- pop-up form ----------------------------------------------------------------------------------------

TToolWindowForm::TToolWindowForm(TToolWindowPanel& panel, const char* className, int clientWidth,
                                 int clientHeight)
    : Panel(panel) {
    // A dialog frame without a caption.
    const DWORD style = WS_POPUP | WS_DLGFRAME | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME;
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    CreateParams p;
    p.className = className;
    p.style = style;
    p.exStyle = exStyle;
    p.width = r.right - r.left;
    p.height = r.bottom - r.top;
    p.x = p.y = 0;
    p.parent = panel.HolderForm();
    create(p);
}

RECT TToolWindowForm::NextItemBounds(int height) const {
    RECT client{};
    GetClientRect(handle(), &client);
    const int top = Items.empty() ? 0 : Items.back()->Bounds.bottom;
    return {0, top, client.right, top + height};
}

void TToolWindowForm::Activate() {
    SetActiveWindow(handle());
    SetForegroundWindow(handle());
}

void TToolWindowForm::MouseEnter() {
    entered_ = true;
    Panel.StopTimer();
    MouseInside = true;
    Activate();
}

void TToolWindowForm::MouseLeave() {
    entered_ = false;
    SetHotItem(nullptr);
    Panel.StopTimer();
    if (MouseInside) Panel.RestartTimer();
}

void TToolWindowForm::TrackMouse(bool inside) {
    if (inside && !entered_)
        MouseEnter();
    else if (!inside && entered_)
        MouseLeave();
}

TOstrelToolMenu* TToolWindowForm::ItemAt(POINT p) const {
    for (const auto& item : Items)
        if (item->Visible && PtInRect(&item->Bounds, p)) return item.get();
    return nullptr;
}

void TToolWindowForm::SetHotItem(TOstrelToolMenu* item) {
    if (item == hotItem_) return;
    if (hotItem_) hotItem_->MouseLeave();
    hotItem_ = item;
    if (hotItem_) hotItem_->MouseEnter();
}

bool TToolWindowForm::onPaint() {
    fw::PaintDC painting(handle());
    HDC dc = painting.get();
    RECT client{};
    GetClientRect(handle(), &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    for (const auto& item : Items) item->Paint(dc);
    return true;
}

LRESULT TToolWindowForm::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_MOUSEMOVE:
        if (!entered_) MouseEnter();
        Panel.TrackMouse();
        SetHotItem(ItemAt(p));
        break;
    case WM_LBUTTONDOWN:
        pressedItem_ = ItemAt(p);
        if (pressedItem_) {
            SetHotItem(pressedItem_);
            pressedItem_->MouseDown();
        }
        return 0;
    case WM_LBUTTONUP:
        if (TOstrelToolMenu* item = std::exchange(pressedItem_, nullptr)) {
            // The click may release this window: nothing of it is touched afterwards.
            item->MouseUp(ItemAt(p) == item);
        }
        return 0;
    }
    return Form::handleMessage(message, wParam, lParam);
}

// --- panel ----------------------------------------------------------------------------------------------

TToolWindowPanel::TToolWindowPanel(HWND parent, int x, int y) {
    CreateParams p;
    p.className = "TToolWindowPanel";
    p.style = WS_CHILD | WS_VISIBLE;
    p.x = x;
    p.y = y;
    p.width = p.height = defaultSize;
    p.parent = parent;
    create(p);
}

TToolWindowPanel::~TToolWindowPanel() {
    StopTimer();
    KillTimer(handle(), trackTimer);
}

void TToolWindowPanel::SetShowDirection(core::TShowDirection direction) {
    direction_ = direction;
    InvalidateRect(handle(), nullptr, TRUE);
}

void TToolWindowPanel::StopTimer() {
    KillTimer(handle(), closeTimer);
}

void TToolWindowPanel::RestartTimer() {
    StopTimer();
    SetTimer(handle(), closeTimer, DelayTime, nullptr);
}

void TToolWindowPanel::PopupToolForm() {
    if (form_ || !FormClass) {
        StopTimer();
        return;
    }
    form_ = FormClass(*this);
    RECT button{}, form{};
    GetWindowRect(handle(), &button);
    GetWindowRect(form_->handle(), &form);
    const core::TPointI at =
        core::PopupPosition(direction_, {button.left, button.top}, button.right - button.left,
                            button.bottom - button.top, form.right - form.left, form.bottom - form.top);
    // Shown without taking the focus: the pop-up activates itself when the mouse reaches it.
    SetWindowPos(form_->handle(), HWND_TOPMOST, at.x, at.y, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void TToolWindowPanel::ReleaseForm() {
    if (!form_) return;
    form_->hide();
    released_.push_back(std::move(form_));
    PostMessageA(handle(), releaseMessage, 0, 0);
}

void TToolWindowPanel::TrackMouse() {
    if (!tracking_) tracking_ = SetTimer(handle(), trackTimer, trackInterval, nullptr) != 0;
}

void TToolWindowPanel::MouseEnter() {
    lowered_ = true;
    InvalidateRect(handle(), nullptr, TRUE);
    TrackMouse();
    PopupToolForm();
}

void TToolWindowPanel::MouseLeave() {
    lowered_ = false;
    InvalidateRect(handle(), nullptr, TRUE);
    RestartTimer();
}

void TToolWindowPanel::FollowMouse() {
    POINT cursor{};
    GetCursorPos(&cursor);
    HWND at = WindowFromPoint(cursor);
    const bool onButton = at == handle();
    if (onButton && !lowered_)
        MouseEnter();
    else if (!onButton && lowered_)
        MouseLeave();
    if (form_) form_->TrackMouse(at == form_->handle() || IsChild(form_->handle(), at));
    if (!lowered_ && !form_ && tracking_) {
        KillTimer(handle(), trackTimer);
        tracking_ = false;
    }
}

void TToolWindowPanel::onTimer(UINT_PTR id) {
    if (id == trackTimer) return FollowMouse();
    if (id != closeTimer) return;
    if (form_) {
        POINT cursor{};
        GetCursorPos(&cursor);
        RECT r{};
        GetWindowRect(form_->handle(), &r);
        if (!(PtInRect(&r, cursor) && GetActiveWindow() == form_->handle())) ReleaseForm();
    }
    StopTimer();
}

bool TToolWindowPanel::onPaint() {
    fw::PaintDC painting(handle());
    HDC dc = painting.get();
    RECT r{};
    GetClientRect(handle(), &r);
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &r, lowered_ ? BDR_SUNKENOUTER : BDR_RAISEDOUTER, BF_RECT);
    fw::Pen pen(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
    fw::Selection selected(dc, pen.get());
    for (const auto& s : core::ChevronStrokes(direction_, r.right, r.bottom, lowered_)) {
        MoveToEx(dc, s.start.x, s.start.y, nullptr);
        LineTo(dc, s.middle.x, s.middle.y);
        LineTo(dc, s.end.x, s.end.y);
    }
    return true;
}

LRESULT TToolWindowPanel::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE:
        if (!lowered_) MouseEnter();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        if (form_) {
            SetActiveWindow(form_->handle());
            SetForegroundWindow(form_->handle());
        } else {
            MouseEnter();
        }
        return 0;
    case releaseMessage:
        released_.clear();
        return 0;
    }
    return Window::handleMessage(message, wParam, lParam);
}
