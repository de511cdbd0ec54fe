#include "controls/Taskbar.h"
#include "core/TaskbarLayout.h"
#include "framework/Application.h"

#include <commctrl.h>
#include <algorithm>
#include <cstring>

namespace {
const UINT_PTR hookId = 1;
// Posted to the taskbar: free the forms whose removal came from inside their own close handling.
const UINT releasePendingMessage = WM_APP + 1;
// Message 0x313: the request to show a window's system menu at a screen point.
const UINT popupSystemMenuMessage = 0x313;
const int edgeHeight = 2;

// Posted to a form behind the commands of its system menu opened from a button: once it arrives, those
// commands have been handled.
UINT SystemMenuDoneMessage() {
    static const UINT message = RegisterWindowMessageA("OstrelTaskbarSystemMenuDone");
    return message;
}

LOGFONTA DefaultFont() {
    LOGFONTA font{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    return font;
}

bool SameFont(const LOGFONTA& a, const LOGFONTA& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void Line(HDC dc, int x, int y, int width, int height, TColor color) {
    RECT r{x, y, x + width, y + height};
    fw::Brush brush(CreateSolidBrush(ColorToRGB(color)));
    FillRect(dc, &r, brush.get());
}

fw::Icon CopySmallIcon(HICON icon) {
    return fw::Icon(icon ? static_cast<HICON>(CopyImage(icon, IMAGE_ICON, 16, 16, 0)) : nullptr);
}
} // namespace

TButtonSettings::TButtonSettings() {
    Font = DefaultFont();
    FontWhenDown = Font;
    FontWhenDown.lfWeight = FW_BOLD;
    FontOnMouseOver = Font;
    FontOnMouseOver.lfUnderline = TRUE;
    FontOnClick = FontWhenDown;
}

// --- TTaskItem: the hook on a registered form's window ---

TTaskItem::TTaskItem(TTaskbar& taskbar, fw::Form& form, bool removeOnClose, bool owned)
    : Button(*this), Form(&form), Taskbar(&taskbar), RemoveOnClose(removeOnClose), Owned(owned),
      window_(form.handle()) {
    Button.Caption = Button.Hint = form.text();
    ReadIcon();
    // A subclass of its own: other subclasses of the window stay in place when this one goes.
    hooked_ = SetWindowSubclass(window_, &TTaskItem::Hook, hookId, reinterpret_cast<DWORD_PTR>(this));
}

TTaskItem::~TTaskItem() {
    if (hooked_ && IsWindow(window_)) RemoveWindowSubclass(window_, &TTaskItem::Hook, hookId);
}

void TTaskItem::ReadIcon() {
    HICON icon = reinterpret_cast<HICON>(SendMessageA(window_, WM_GETICON, ICON_SMALL, 0));
    if (!icon) icon = reinterpret_cast<HICON>(SendMessageA(window_, WM_GETICON, ICON_BIG, 0));
    if (!icon) icon = Taskbar->StdIcon();
    Button.Icon = CopySmallIcon(icon);
}

void TTaskItem::ShowForm() {
    if (IsIconic(window_)) ShowWindow(window_, SW_RESTORE);
    ShowWindow(window_, SW_SHOW);
    // Activation alone leaves the z-order as it was on some systems (Wine): raise the form first.
    BringWindowToTop(window_);
    SetForegroundWindow(window_);
}

void TTaskItem::MinimizeForm() {
    RestoreOnActivate = false;
    ShowWindow(window_, SW_MINIMIZE);
    RestoreOnActivate = true;
}

void TTaskItem::Attach() {
    if (Button.Visible) return;
    Button.Visible = true;
    Taskbar->ArrangeButtons();
}

void TTaskItem::FollowCaption() {
    if (updatingCaption_ || !Button.RefreshCaption) return;
    updatingCaption_ = true;
    std::string caption = Form->text();
    if (caption != Button.Caption) {
        Button.Caption = Button.Hint = caption;
        Taskbar->InvalidateButton(Button);
    }
    updatingCaption_ = false;
}

void TTaskItem::FollowIcon() {
    if (updatingIcon_ || !Button.RefreshIcon) return;
    updatingIcon_ = true;
    ReadIcon();
    Taskbar->InvalidateButton(Button);
    updatingIcon_ = false;
}

LRESULT TTaskItem::Previous(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(window_, message, wParam, lParam);
}

LRESULT CALLBACK TTaskItem::Hook(HWND, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* item = reinterpret_cast<TTaskItem*>(data);
    try {
        return item->HandleMessage(message, wParam, lParam);
    } catch (...) {
        fw::application().handleException(std::current_exception());
        return 0;
    }
}

void TTaskItem::OnClose() {
    fw::Form* form = Form;
    if (form->modal()) {
        form->setModalResult(fw::mrCancel);
        return;
    }
    if (!form->canClose()) return;
    TTaskbar* taskbar = Taskbar;
    switch (form->closeAction()) {
    case fw::CloseAction::None:
        return;
    case fw::CloseAction::Hide:
        ShowWindow(window_, SW_HIDE);
        Button.Visible = false;
        taskbar->ArrangeButtons();
        break;
    case fw::CloseAction::Minimize:
        MinimizeForm();
        break;
    case fw::CloseAction::Free:
        if (RemoveOnClose && Owned) break; // the removal below frees it, once
        form->release();
        break;
    }
    // Inside the form's own WM_CLOSE: the form is freed once this message has unwound. This item is gone
    // after the call.
    if (RemoveOnClose) taskbar->RemoveDeferred(this);
}

LRESULT TTaskItem::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED && IsWindowVisible(window_)) ShowWindow(window_, SW_HIDE);
        return Previous(message, wParam, lParam);
    case WM_ACTIVATE:
    case WM_CHILDACTIVATE: {
        LRESULT result = Previous(message, wParam, lParam);
        bool activating = message == WM_CHILDACTIVATE || LOWORD(wParam) != WA_INACTIVE;
        if (message == WM_ACTIVATE && activating && !IsWindowVisible(window_) && RestoreOnActivate)
            ShowWindow(window_, SW_SHOW);
        // Only an activation restores: a minimised form is deactivated on its way into the button.
        if (activating && IsIconic(window_) && RestoreOnActivate) ShowWindow(window_, SW_RESTORE);
        Attach();
        if (activating)
            Taskbar->SetDown(&Button);
        else if (Button.Down) {
            Button.Down = false;
            Taskbar->InvalidateButton(Button);
        }
        return result;
    }
    case WM_SETTEXT:
    case WM_GETTEXT: {
        LRESULT result = Previous(message, wParam, lParam);
        FollowCaption();
        return result;
    }
    case WM_CLOSE:
        if (Form == fw::application().mainForm()) return Previous(message, wParam, lParam);
        OnClose();
        return 0;
    case WM_SHOWWINDOW: {
        LRESULT result = Previous(message, wParam, lParam);
        if (wParam) {
            Attach();
            Taskbar->SetDown(&Button);
            if (IsIconic(window_)) ShowWindow(window_, SW_RESTORE);
        } else if (Button.Visible && Button.Down) {
            Button.Down = false;
            Taskbar->InvalidateButton(Button);
        }
        return result;
    }
    case WM_GETICON:
    case WM_SETICON: {
        LRESULT result = Previous(message, wParam, lParam);
        FollowIcon();
        return result;
    }
    case WM_NCPAINT:
        if (IsIconic(window_) && IsWindowVisible(window_) && RestoreOnActivate)
            ShowWindow(window_, SW_RESTORE);
        return Previous(message, wParam, lParam);
    case WM_COMMAND:
        if (Button.InSystemMenu) {
            PostMessageA(window_, WM_SYSCOMMAND, wParam, lParam);
            return 0;
        }
        return Previous(message, wParam, lParam);
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MINIMIZE) {
            RestoreOnActivate = false;
            LRESULT result = Previous(message, wParam, lParam);
            RestoreOnActivate = true;
            return result;
        }
        return Previous(message, wParam, lParam);
    case WM_NCDESTROY: {
        // The window goes without the taskbar's doing (its form was freed elsewhere): so does its entry.
        LRESULT result = Previous(message, wParam, lParam);
        Taskbar->Items().Remove(this, false, false);
        return result;
    }
    }
    if (message == SystemMenuDoneMessage()) {
        Button.InSystemMenu = false;
        return 0;
    }
    return Previous(message, wParam, lParam);
}

// --- TTaskItems ---

int TTaskItems::IndexOf(const fw::Form* form) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i]->Form == form) return int(i);
    return -1;
}

int TTaskItems::IndexOf(const TTaskItem* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == item) return int(i);
    return -1;
}

void TTaskItems::Remove(TTaskItem* item, bool freeIfOwned, bool forceFree) {
    int index = IndexOf(item);
    if (index >= 0) taskbar_->RemoveForm(index, freeIfOwned, forceFree);
}

// --- TTaskbar ---

TTaskbar::TTaskbar() = default;

TTaskbar::~TTaskbar() {
    destroying_ = true;
    while (items_.Count() > 0) RemoveForm(0, true, false);
    // Moved out first: a form freed here may pump the taskbar's own release message while it waits.
    ReleasePending();
}

void TTaskbar::Create(HWND parent, int id) {
    CreateParams p;
    p.className = "TTaskbar";
    p.background = nullptr;
    p.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    RECT client{};
    GetClientRect(parent, &client);
    p.x = 0;
    p.y = 0;
    p.width = client.right;
    p.height = Height;
    p.parent = parent;
    p.menu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
    create(p);
    // Shown for forms without an icon: the application's own.
    SetStdIcon(reinterpret_cast<HICON>(GetClassLongPtrA(fw::application().handle(), GCLP_HICON)));
    tooltip_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0,
                               0, handle(), nullptr, fw::application().instance(), nullptr);
}

void TTaskbar::AddForm(fw::Form* form, bool removeOnClose, bool owned) {
    if (!form || !form->handle()) throw ETaskbarError("Invalid Form");
    if (items_.IndexOf(form) >= 0) return;
    items_.items_.push_back(std::make_unique<TTaskItem>(*this, *form, removeOnClose, owned));
    ArrangeButtons();
    if (OnAddForm) OnAddForm(*this, *form);
}

void TTaskbar::RemoveForm(int index, bool freeIfOwned, bool forceFree) {
    if (index < 0 || index >= items_.Count()) return;
    std::unique_ptr<TTaskItem> item = std::move(items_.items_[index]);
    items_.items_.erase(items_.items_.begin() + index);
    fw::Form* form = item->Form;
    bool owned = item->Owned;
    if (hot_ == &item->Button) hot_ = nullptr;
    if (pressed_ == &item->Button) pressed_ = nullptr;
    item.reset();
    ArrangeButtons();
    if (handle()) InvalidateRect(handle(), nullptr, FALSE);
    if (OnRemoveForm) OnRemoveForm(*this, *form);
    if (forceFree || (freeIfOwned && owned)) delete form;
}

void TTaskbar::RemoveDeferred(TTaskItem* item) {
    int index = items_.IndexOf(item);
    if (index < 0) return;
    fw::Form* form = item->Form;
    bool freeIt = item->Owned;
    if (freeIt) {
        // Taken out of the entry first, so that the removal below does not free it in place.
        form->hide();
        pendingRelease_.emplace_back(form);
    }
    RemoveForm(index, false, false);
    if (freeIt && (!handle() || !PostMessageA(handle(), releasePendingMessage, 0, 0))) ReleasePending();
}

void TTaskbar::ReleasePending() {
    auto pending = std::move(pendingRelease_);
    pending.clear();
}

void TTaskbar::EndUpdate() {
    if (updating_ > 0 && --updating_ == 0) ArrangeButtons();
}

void TTaskbar::ArrangeButtons() {
    if (!handle() || destroying_ || updating_ > 0) return;
    std::vector<TTaskButton*> buttons;
    for (int i = 0; i < items_.Count(); ++i)
        if (items_.Item(i).Button.Visible) buttons.push_back(&items_.Item(i).Button);
    if (!buttons.empty()) {
        RECT client{};
        GetClientRect(handle(), &client);
        int width = core::TaskButtonWidth(client.right, int(buttons.size()), buttonWidth_, autoSizeButtons_);
        int top = edgeHeight + core::TaskButtonTop(client.bottom, buttonHeight_);
        for (size_t i = 0; i < buttons.size(); ++i) {
            int left = core::TaskButtonLeft(int(i), width);
            buttons[i]->Bounds = {left, top, left + width, top + buttonHeight_};
        }
    }
    InvalidateRect(handle(), nullptr, FALSE);
    UpdateHints();
}

void TTaskbar::UpdateHints() {
    if (!tooltip_) return;
    while (int count = int(SendMessageA(tooltip_, TTM_GETTOOLCOUNT, 0, 0))) {
        TTTOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE; // what every version of the control accepts
        if (!SendMessageA(tooltip_, TTM_ENUMTOOLSA, count - 1, reinterpret_cast<LPARAM>(&tool))) break;
        SendMessageA(tooltip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    for (int i = 0; i < items_.Count(); ++i) {
        const TTaskButton& button = items_.Item(i).Button;
        if (!button.Visible) continue;
        TTTOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE; // what every version of the control accepts
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = handle();
        tool.uId = UINT_PTR(i);
        tool.rect = button.Bounds;
        tool.lpszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void TTaskbar::SetAutoSizeButtons(bool value) {
    autoSizeButtons_ = value;
    ArrangeButtons();
}

void TTaskbar::SetButtonWidth(int value) {
    buttonWidth_ = value;
    ArrangeButtons();
}

void TTaskbar::SetButtonHeight(int value) {
    buttonHeight_ = value;
    ArrangeButtons();
}

void TTaskbar::SetButtonSettings(const TButtonSettings& value) {
    buttonSettings_ = value;
    if (handle()) InvalidateRect(handle(), nullptr, FALSE);
}

void TTaskbar::SetColor(TColor value) {
    color_ = value;
    if (handle()) InvalidateRect(handle(), nullptr, FALSE);
}

void TTaskbar::SetStdIcon(HICON icon) {
    stdIcon_ = CopySmallIcon(icon);
}

void TTaskbar::SetDown(TTaskButton* button) {
    for (int i = 0; i < items_.Count(); ++i) {
        TTaskButton& other = items_.Item(i).Button;
        if (&other != button && other.Down) {
            other.Down = false;
            InvalidateButton(other);
        }
    }
    if (button && !button->Down) {
        button->Down = true;
        InvalidateButton(*button);
    }
}

void TTaskbar::InvalidateButton(const TTaskButton& button) {
    if (handle() && button.Visible) InvalidateRect(handle(), &button.Bounds, FALSE);
}

TTaskButton* TTaskbar::ButtonAt(POINT client) {
    for (int i = 0; i < items_.Count(); ++i) {
        TTaskButton& button = items_.Item(i).Button;
        if (button.Visible && PtInRect(&button.Bounds, client)) return &button;
    }
    return nullptr;
}

HFONT TTaskbar::StateFont(const LOGFONTA& font) {
    for (auto& [logFont, object] : fonts_)
        if (SameFont(logFont, font)) return object.get();
    fonts_.emplace_back(font, fw::Font(CreateFontIndirectA(&font)));
    return fonts_.back().second.get();
}

void TTaskbar::PaintButton(HDC dc, const TTaskButton& button) {
    const TButtonSettings& look = buttonSettings_;
    const RECT& r = button.Bounds;
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return;
    TColor color = look.Color;
    const LOGFONTA* font = &look.Font;
    if (button.Down) {
        color = look.ColorWhenDown;
        font = &look.FontWhenDown;
    } else if (button.Pressed) {
        color = look.ColorOnClick;
        font = &look.FontOnClick;
    } else if (button.MouseOver) {
        color = look.ColorOnMouseOver;
        font = &look.FontOnMouseOver;
    }
    Line(dc, r.left, r.top, width, height, color);
    bool sunken = button.Down || (button.Pressed && button.MouseOver);
    TColor topLeft = sunken ? look.ShadowColor : look.LightColor;
    TColor bottomRight = sunken ? look.LightColor : look.ShadowColor;
    Line(dc, r.left, r.top, width, 1, topLeft);
    Line(dc, r.left, r.top, 1, height, topLeft);
    Line(dc, r.left, r.bottom - 1, width, 1, bottomRight);
    Line(dc, r.right - 1, r.top, 1, height, bottomRight);

    int shift = button.Down ? 1 : 0;
    int offset = width < 8 ? 4 : width < 24 ? 8 : 24 + shift;
    if (offset >= 24 && button.Icon)
        DrawIconEx(dc, r.left + 5 + shift, r.top + (height - 16) / 2 + shift, button.Icon.get(), 16, 16, 0,
                   nullptr, DI_NORMAL);
    fw::Selection fontSelection(dc, StateFont(*font));
    SetBkMode(dc, TRANSPARENT);
    RECT text{r.left + offset, r.top + shift, r.right - 2, r.bottom + shift};
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    bool enabled = IsWindowEnabled(button.Item->Form->handle());
    if (enabled) {
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        DrawTextA(dc, button.Caption.c_str(), int(button.Caption.size()), &text, format | DT_END_ELLIPSIS);
    } else {
        RECT engraved = text;
        OffsetRect(&engraved, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextA(dc, button.Caption.c_str(), int(button.Caption.size()), &engraved, format);
        SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
        DrawTextA(dc, button.Caption.c_str(), int(button.Caption.size()), &text, format);
    }
}

bool TTaskbar::onPaint() {
    fw::PaintDC painting(handle());
    HDC target = painting.get();
    RECT client{};
    GetClientRect(handle(), &client);
    // Drawn off-screen: the buttons repaint often (activation, mouse-over) and must not flicker.
    fw::MemoryDC memory(CreateCompatibleDC(target));
    fw::Bitmap bitmap(
        CreateCompatibleBitmap(target, std::max<int>(client.right, 1), std::max<int>(client.bottom, 1)));
    {
        fw::Selection selection(memory.get(), bitmap.get());
        HDC dc = memory.get();
        Line(dc, 0, 0, client.right, client.bottom, color_);
        RECT edges = client;
        DrawEdge(dc, &edges, EDGE_ETCHED, BF_TOP | BF_BOTTOM);
        for (int i = 0; i < items_.Count(); ++i) {
            TTaskButton& button = items_.Item(i).Button;
            if (!button.Visible) continue;
            if (button.RefreshCaption) button.Caption = button.Item->Form->text();
            PaintButton(dc, button);
        }
        BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    }
    return true;
}

void TTaskbar::onSize(int, int) {
    ArrangeButtons();
}

void TTaskbar::OnMouseMove(POINT p) {
    if (!trackingLeave_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, handle(), 0};
        trackingLeave_ = TrackMouseEvent(&track) != FALSE;
    }
    TTaskButton* button = ButtonAt(p);
    if (button == hot_) return;
    if (hot_) {
        hot_->MouseOver = false;
        if (hot_ == pressed_) hot_->Pressed = false;
        if (!hot_->Down) InvalidateButton(*hot_);
    }
    hot_ = button;
    if (hot_) {
        hot_->MouseOver = true;
        // Back over the button a mouse button went down on, and still held.
        if (hot_ == pressed_ && !hot_->Down) hot_->Pressed = true;
        if (!hot_->Down) InvalidateButton(*hot_);
    }
}

void TTaskbar::OnMouseLeave() {
    trackingLeave_ = false;
    if (hot_) {
        hot_->MouseOver = false;
        if (!hot_->Down) InvalidateButton(*hot_);
        hot_ = nullptr;
    }
}

void TTaskbar::OnButtonDown(POINT p) {
    TTaskButton* button = ButtonAt(p);
    if (!button) return;
    pressed_ = button;
    if (!button->Down) {
        button->Pressed = true;
        InvalidateButton(*button);
    }
    SetCapture(handle());
}

void TTaskbar::OnButtonUp(POINT p, bool right) {
    TTaskButton* button = pressed_;
    pressed_ = nullptr;
    if (GetCapture() == handle()) ReleaseCapture();
    if (!button) return;
    bool over = ButtonAt(p) == button;
    button->Pressed = false;
    InvalidateButton(*button);
    if (!over) return;
    TTaskItem* item = button->Item;
    HWND window = item->Form->handle();
    if (button->Down && !IsIconic(window)) {
        // The active form's button: minimise it into the button.
        item->MinimizeForm();
        if (!right) return;
    } else {
        SetDown(button);
        if (!right) {
            try {
                item->ShowForm();
            } catch (...) {
                items_.Remove(item, false, false);
            }
            return;
        }
    }
    // The right button also opens the form's system menu.
    if (!IsIconic(window)) ShowWindow(window, SW_SHOW);
    POINT cursor{};
    GetCursorPos(&cursor);
    button->InSystemMenu = true;
    SendMessageA(window, popupSystemMenuMessage, 0, MAKELPARAM(cursor.x, cursor.y));
    // A command chosen there may still be on its way to the form; the marker behind it ends the state.
    if (IsWindow(window)) PostMessageA(window, SystemMenuDoneMessage(), 0, 0);
}

LRESULT TTaskbar::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    POINT p{short(LOWORD(lParam)), short(HIWORD(lParam))};
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_MOUSEMOVE:
        OnMouseMove(p);
        return 0;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
        OnButtonDown(p);
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        OnButtonUp(p, message == WM_RBUTTONUP);
        return 0;
    case WM_CAPTURECHANGED:
        if (pressed_ && reinterpret_cast<HWND>(lParam) != handle()) {
            pressed_->Pressed = false;
            InvalidateButton(*pressed_);
            pressed_ = nullptr;
        }
        return 0;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom == tooltip_ && header->code == TTN_GETDISPINFOA) {
            auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
            int index = int(header->idFrom);
            if (index >= 0 && index < items_.Count()) info->lpszText = items_.Item(index).Button.Hint.data();
            return 0;
        }
        break;
    }
    case releasePendingMessage:
        ReleasePending();
        return 0;
    }
    return Window::handleMessage(message, wParam, lParam);
}
