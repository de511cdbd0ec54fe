#include "controls/ToolWindowPanel.h"
#include "framework/Handles.h"
#include <windowsx.h>
#include <utility>

namespace {
const UINT_PTR closeTimer = 1;
const UINT releaseMessage = WM_APP + 0x3F00;
// Wine never fires a hover time of 0; 1 ms is as good as immediate.
const DWORD hoverTime = 1;
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
    Track(TME_HOVER);
}

RECT TToolWindowForm::NextItemBounds(int height) const {
    RECT client{};
    GetClientRect(handle(), &client);
    const int top = Items.empty() ? 0 : Items.back()->Bounds.bottom;
    return {0, top, client.right, top + height};
}

void TToolWindowForm::Track(DWORD flags) {
    TRACKMOUSEEVENT track{sizeof track, flags, handle(), hoverTime};
    TrackMouseEvent(&track);
}

void TToolWindowForm::Activate() {
    SetActiveWindow(handle());
    SetForegroundWindow(handle());
}

void TToolWindowForm::MouseEnter() {
    entered_ = true;
    Panel.StopTimer();
    MouseInside = true;
    Track(TME_HOVER | TME_LEAVE);
    Activate();
}

void TToolWindowForm::MouseLeave() {
    Panel.StopTimer();
    if (MouseInside) Panel.RestartTimer();
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
        Track(TME_LEAVE);
        SetHotItem(ItemAt(p));
        break;
    case WM_MOUSEHOVER:
        Panel.StopTimer();
        Track(TME_LEAVE);
        MouseInside = true;
        Activate();
        break;
    case WM_MOUSELEAVE:
        entered_ = false;
        Track(TME_HOVER);
        SetHotItem(nullptr);
        MouseLeave();
        return 0;
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

void TToolWindowPanel::MouseEnter() {
    lowered_ = true;
    InvalidateRect(handle(), nullptr, TRUE);
    PopupToolForm();
}

void TToolWindowPanel::onTimer(UINT_PTR id) {
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
        if (!tracking_) {
            tracking_ = true;
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, handle(), 0};
            TrackMouseEvent(&track);
            MouseEnter();
        }
        return 0;
    case WM_MOUSELEAVE:
        tracking_ = false;
        lowered_ = false;
        InvalidateRect(handle(), nullptr, TRUE);
        RestartTimer();
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
