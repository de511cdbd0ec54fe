#include "Info_Form.h"

#include "ConstVars.h"
#include "FormatConsts.h"
#include "Imports.h"
#include "ToolbarImages.h"
#include "ResourceIds.h"
#include "framework/Application.h"
#include "framework/MessageBox.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int TopPanelHeight = 34;
constexpr int RowHeight = 21;
constexpr int FieldHeight = 17;
constexpr int Margin = 8;           // between a page's edges and its controls
constexpr int LabelWidth = 140;     // the captions of the first column
constexpr int Gap = 4;              // between a caption and its value
constexpr int FirstValueWidth = 96; // a first-column value of a two-column row
constexpr int ColumnGap = 12;       // between the two columns
constexpr UINT_PTR EscapeSubclassId = 0x1E5C;

HFONT GuiFont() {
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

} // namespace

TDetailOpeners& DetailOpeners() {
    static TDetailOpeners openers{
        [](HWND window) { ShowWindowInfo(window); },
        [](DWORD id) { ShowProcessInfo(id); },
        [](DWORD id) { ShowThreadInfo(id); },
        [](const std::string& path) { ShowModuleInfo(path); },
    };
    return openers;
}

void OpenNumberLink(TListTypes target, std::uint32_t number) {
    TDetailOpeners& open = DetailOpeners();
    switch (target) {
    case ltWindows:
        open.Window(reinterpret_cast<HWND>(static_cast<UINT_PTR>(number)));
        break;
    case ltProcesses:
        open.Process(number);
        break;
    case ltThreads:
        open.Thread(number);
        break;
    default:
        break;
    }
}

TInfoForm::TInfoForm(std::unique_ptr<TBasicInfo> info, const char* caption, TListingSources& sources)
    : Info(std::move(info)), Sources(sources) {
    RECT frame{0, 0, ClientWidth, ClientHeight};
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    AdjustWindowRect(&frame, style, FALSE);
    CreateParams p;
    p.className = "TInfoForm";
    p.caption = caption;
    p.style = style;
    p.width = frame.right - frame.left;
    p.height = frame.bottom - frame.top;
    p.parent = fw::application().handle();
    create(p);
    SetCaptionButtons(core::ButtonBit(cbMinimize) | core::ButtonBit(cbClose));
    SetIconResource(IDI_KIND_FIRST + Info->Kind);

    HWND refresh = AddControl("BUTTON", "Refresh", WS_TABSTOP | BS_PUSHBUTTON, 0, -1, RECT{8, 6, 88, 28});
    SetWindowLongPtrA(refresh, GWLP_ID, cmRefresh);
    autoUpdate_ =
        AddControl("BUTTON", "Update every", WS_TABSTOP | BS_AUTOCHECKBOX, 0, -1, RECT{104, 8, 200, 26});
    SetWindowLongPtrA(autoUpdate_, GWLP_ID, cmAutoUpdate);
    updateTime_ = AddControl("EDIT", "5", WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL | WS_DISABLED,
                             WS_EX_CLIENTEDGE, -1, RECT{204, 7, 238, 27});
    SetWindowLongPtrA(updateTime_, GWLP_ID, cmUpdateTime);
    SendMessageA(updateTime_, EM_LIMITTEXT, 2, 0);
    upDown_ = AddControl(UPDOWN_CLASSA, "",
                         UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS | WS_DISABLED, 0,
                         -1, RECT{238, 7, 254, 27});
    SendMessageA(upDown_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(updateTime_), 0);
    SendMessageA(upDown_, UDM_SETRANGE32, core::MinUpdateSeconds, core::MaxUpdateSeconds);
    SendMessageA(upDown_, UDM_SETPOS32, 0, core::DefaultUpdateSeconds);
    AddControl("STATIC", "seconds", 0, 0, -1, RECT{262, 10, 330, 26});

    tabs_ = AddControl(WC_TABCONTROLA, "", WS_TABSTOP | WS_CLIPSIBLINGS, 0, -1,
                       RECT{4, TopPanelHeight, ClientWidth - 4, ClientHeight - 4});
    // The page controls lie over the tab control. Its pages keep the classic face that the labels on
    // them paint, where a theme would draw them white.
    SetWindowPos(tabs_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ImpSetWindowTheme(tabs_, L" ", L" ");
}

TInfoForm::~TInfoForm() {
    if (handle()) KillTimer(handle(), UpdateTimerId);
}

LRESULT CALLBACK TInfoForm::EscapeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR form) {
    // Every control of the window hands Esc to it, as a key preview does.
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
        PostMessageA(reinterpret_cast<HWND>(form), WM_CLOSE, 0, 0);
        return 0;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

HWND TInfoForm::AddControl(const char* className, const char* text, DWORD style, DWORD exStyle, int page,
                           const RECT& bounds) {
    HWND control = CreateWindowExA(exStyle, className, text, WS_CHILD | style, bounds.left, bounds.top,
                                   bounds.right - bounds.left, bounds.bottom - bounds.top, handle(),
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId_++)),
                                   fw::application().instance(), nullptr);
    if (!control) throw std::runtime_error("The detail window's controls cannot be created");
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);
    if (page < 0) {
        PassEscape(control);
        ShowWindow(control, SW_SHOWNA);
    } else {
        Place(page, control);
    }
    return control;
}

void TInfoForm::PassEscape(HWND control) {
    SetWindowSubclass(control, EscapeProc, EscapeSubclassId, reinterpret_cast<DWORD_PTR>(handle()));
}

void TInfoForm::Place(int page, HWND control) {
    PassEscape(control);
    pages_[page].push_back(control);
    SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(control, page == ActivePage() ? SW_SHOWNA : SW_HIDE);
}

RECT TInfoForm::PageRect() const {
    RECT r;
    GetClientRect(tabs_, &r);
    TabCtrl_AdjustRect(tabs_, FALSE, &r);
    MapWindowPoints(tabs_, handle(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int TInfoForm::PageWidth() const {
    RECT r = PageRect();
    return r.right - r.left;
}

int TInfoForm::PageHeight() const {
    RECT r = PageRect();
    return r.bottom - r.top;
}

RECT TInfoForm::FromPage(const RECT& bounds) const {
    RECT area = PageRect();
    return {area.left + bounds.left, area.top + bounds.top, area.left + bounds.right,
            area.top + bounds.bottom};
}

int TInfoForm::AddPage(const char* caption) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(caption);
    int index = int(pages_.size());
    SendMessageA(tabs_, TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&item));
    if (index == 0) SendMessageA(tabs_, TCM_SETCURSEL, 0, 0);
    pages_.emplace_back();
    secondColumns_.emplace_back();
    return index;
}

int TInfoForm::PageCount() const {
    return int(pages_.size());
}

int TInfoForm::ActivePage() const {
    return int(SendMessageA(tabs_, TCM_GETCURSEL, 0, 0));
}

void TInfoForm::ShowPage(int page) {
    for (int p = 0; p < PageCount(); ++p)
        if (p != page)
            for (HWND control : pages_[p]) ShowWindow(control, SW_HIDE);
    if (page >= 0 && page < PageCount())
        for (HWND control : pages_[page])
            if (control != moduleButton_ || GetWindowLongPtrA(control, GWLP_USERDATA))
                ShowWindow(control, SW_SHOWNA);
}

HWND TInfoForm::AddCaption(int page, int row, const char* caption) {
    const int top = Margin + row * RowHeight;
    return AddControl("STATIC", caption, SS_LEFT | SS_NOPREFIX, 0, page,
                      FromPage(RECT{Margin, top, Margin + LabelWidth, top + FieldHeight}));
}

HWND TInfoForm::AddField(int page, int row, const char* caption, int column) {
    const int top = Margin + row * RowHeight, left = Margin, valueLeft = left + LabelWidth + Gap;
    const int right = column == 0 ? valueLeft + FirstValueWidth : PageWidth() - Margin;
    HWND label = AddCaption(page, row, caption);
    HWND value = AddValue(page, RECT{valueLeft, top, right, top + FieldHeight});
    if (column == 1) {
        secondColumns_[page].emplace_back(label, value);
        AlignSecondColumn(page);
    }
    return value;
}

void TInfoForm::AlignSecondColumn(int page) {
    HDC dc = GetDC(handle());
    HGDIOBJ oldFont = SelectObject(dc, GuiFont());
    int width = 0;
    for (const auto& field : secondColumns_[page]) {
        std::string text = fw::windowText(field.first);
        SIZE extent{};
        GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &extent);
        width = std::max(width, int(extent.cx) + 2);
    }
    SelectObject(dc, oldFont);
    ReleaseDC(handle(), dc);
    const int left = Margin + LabelWidth + Gap + FirstValueWidth + ColumnGap, right = PageWidth() - Margin;
    for (const auto& [label, value] : secondColumns_[page]) {
        RECT r;
        GetWindowRect(label, &r);
        MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT*>(&r), 2);
        const RECT area = PageRect();
        const int top = r.top - area.top, height = r.bottom - r.top;
        RECT labelBounds = FromPage(RECT{left, top, left + width, top + height});
        RECT valueBounds = FromPage(RECT{left + width + Gap, top, right, top + height});
        MoveWindow(label, labelBounds.left, labelBounds.top, width, height, FALSE);
        MoveWindow(value, valueBounds.left, valueBounds.top, valueBounds.right - valueBounds.left, height,
                   FALSE);
    }
}

HWND TInfoForm::AddValue(int page, const RECT& bounds) {
    return AddControl("STATIC", TextUnavailable, SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 0, page,
                      FromPage(bounds));
}

HWND TInfoForm::AddEdit(int page, int row, const char* caption, int lines, int reserve) {
    const int top = Margin + row * RowHeight, editLeft = Margin + LabelWidth + Gap;
    AddCaption(page, row, caption);
    DWORD style = ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP;
    if (lines > 1) style = ES_READONLY | ES_MULTILINE | WS_VSCROLL | WS_TABSTOP;
    int height = lines > 1 ? lines * RowHeight - 4 : 20;
    return AddControl("EDIT", TextUnavailable, style, WS_EX_CLIENTEDGE, page,
                      FromPage(RECT{editLeft, top - 2, PageWidth() - Margin - reserve, top - 2 + height}));
}

TInfoForm::TNumberLink& TInfoForm::AddLink(int page, int row, const char* caption, int column) {
    HWND value = AddField(page, row, caption, column);
    RECT r;
    GetWindowRect(value, &r);
    MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT*>(&r), 2);
    auto it = std::find(pages_[page].begin(), pages_[page].end(), value);
    pages_[page].erase(it);
    DestroyWindow(value);
    TNumberLink& link = links_.emplace_back();
    link.Create(handle(), nextId_++, r, TextUnavailable);
    for (auto& field : secondColumns_[page])
        if (field.second == value) field.second = link.handle();
    SendMessageA(link.handle(), WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);
    Place(page, link.handle());
    return link;
}

HWND TInfoForm::AddGroup(int page, const RECT& bounds, const char* caption) {
    return AddControl("BUTTON", caption, BS_GROUPBOX, 0, page, FromPage(bounds));
}

HWND TInfoForm::AddListBox(int page, const RECT& bounds) {
    return AddControl("LISTBOX", "", WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOSEL | WS_TABSTOP,
                      WS_EX_CLIENTEDGE, page, FromPage(bounds));
}

void TInfoForm::AddKindTree(TOstrelTreeview& tree, TListTypes kind, int page, const RECT& pageBounds) {
    tree.Create(handle(), nextId_++, FromPage(pageBounds));
    tree.SetImageList(KindIcons());
    tree.OnFormatText = TreeFormatText;
    std::vector<TColumnSetting*> shown = ShownColumns(OstrelSettings->ColumnSettings[kind]);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        TOstrelTreeview::Column column;
        column.Caption = shown[i]->name;
        if (shown[i]->width != 0) column.Width = shown[i]->width;
        column.RightAligned = shown[i]->Formatter != nullptr;
        int index = tree.AddColumn(column);
        tree.KindSettings(index) = TKindSettings{};
        tree.KindSettings(index)[kind] = shown[i];
    }
    Place(page, tree.handle());
}

void TInfoForm::SetupModuleButton(int page, HWND edit) {
    RECT r;
    GetWindowRect(edit, &r);
    MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT*>(&r), 2);
    DWORD attributes = GetFileAttributesA(fw::windowText(edit).c_str());
    bool exists = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    const int height = r.bottom - r.top, right = PageRect().right - Margin;
    const int shownWidth = right - r.left - height - 2, hiddenWidth = right - r.left;
    MoveWindow(edit, r.left, r.top, exists ? shownWidth : hiddenWidth, height, TRUE);
    if (!moduleButton_) {
        moduleButton_ = AddControl("BUTTON", "...", WS_TABSTOP | BS_PUSHBUTTON, 0, page,
                                   RECT{right - height, r.top, right, r.bottom});
        SetWindowLongPtrA(moduleButton_, GWLP_ID, cmModuleButton);
    }
    moduleEdit_ = edit;
    // The page switch shows the button only while it is in use.
    SetWindowLongPtrA(moduleButton_, GWLP_USERDATA, exists);
    ShowWindow(moduleButton_, exists && page == ActivePage() ? SW_SHOWNA : SW_HIDE);
}

void TInfoForm::ModuleButtonClick() {
    if (!moduleEdit_) return;
    DetailOpeners().Module(fw::windowText(moduleEdit_));
}

void TInfoForm::SetText(HWND control, const std::string& text) {
    SetWindowTextA(control, text.c_str());
}

std::string TInfoForm::NumberText(const fw::Value& value) {
    return VariantToDisplayText(value);
}

void TInfoForm::SetNumberLink(TNumberLink& label, const fw::Value& value, TListTypes target) {
    label.Number = value;
    std::string text = NumberText(value);
    label.setText(text);
    std::int64_t number = 0;
    if (IsPlaceholderText(text) || !value.toInt64(number)) {
        label.SetOnLinkClick(nullptr);
        return;
    }
    label.SetOnLinkClick([number, target](TLinkLabel&) { OpenNumberLink(target, std::uint32_t(number)); });
}

void TInfoForm::ReformatLink(TNumberLink& label) {
    if (label.Number.isEmpty()) return;
    label.setText(NumberText(label.Number));
}

void TInfoForm::BindWmi(TBasicWMIInfo& info, const fw::Value& id, const std::string& message) {
    goneText_ = message;
    if (!info.Services) info.Services = Sources.ConnectWmi();
    try {
        info.SetID(id);
    } catch (...) {
        fw::messageBox(fw::application().handle(), message, "Error", MB_OK | MB_ICONERROR);
        throw EInfoBindFailed();
    }
}

void TInfoForm::RefreshClick() {
    try {
        Info->Refresh();
        UpdateInfo();
        refreshFailure_.Succeeded();
    } catch (const std::exception& e) {
        // A gone object fails on every tick: the timer stops, and the user hears of it once.
        SetAutoUpdate(false);
        if (refreshFailure_.Failed())
            fw::messageBox(handle(), goneText_.empty() ? e.what() : goneText_, "Error", MB_OK | MB_ICONERROR);
    } catch (...) {
        SetAutoUpdate(false);
        if (refreshFailure_.Failed())
            fw::messageBox(handle(), "The information cannot be refreshed.", "Error", MB_OK | MB_ICONERROR);
    }
}

bool TInfoForm::AutoUpdate() const {
    return SendMessageA(autoUpdate_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TInfoForm::SetAutoUpdate(bool on) {
    SendMessageA(autoUpdate_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    UpdateTimer();
}

void TInfoForm::SetUpdateTime(int seconds) {
    updateSeconds_ = core::ClampUpdateSeconds(seconds);
    settingTime_ = true;
    SendMessageA(upDown_, UDM_SETPOS32, 0, updateSeconds_);
    settingTime_ = false;
    UpdateTimer();
}

void TInfoForm::UpdateTimer() {
    bool on = AutoUpdate();
    EnableWindow(updateTime_, on);
    EnableWindow(upDown_, on);
    KillTimer(handle(), UpdateTimerId);
    timerRunning_ = on && SetTimer(handle(), UpdateTimerId, core::UpdateIntervalMs(updateSeconds_), nullptr);
}

void TInfoForm::onTimer(UINT_PTR id) {
    if (id == UpdateTimerId) RefreshClick();
}

bool TInfoForm::onCommand(int id, int code, HWND control) {
    switch (id) {
    case cmRefresh:
        if (code == BN_CLICKED) RefreshClick();
        return true;
    case cmAutoUpdate:
        if (code == BN_CLICKED) UpdateTimer();
        return true;
    case cmUpdateTime:
        if (code == EN_CHANGE && !settingTime_) {
            char text[8] = {};
            GetWindowTextA(updateTime_, text, sizeof text);
            if (text[0]) {
                updateSeconds_ = core::ClampUpdateSeconds(atoi(text));
                UpdateTimer();
            }
        } else if (code == EN_KILLFOCUS) {
            SetUpdateTime(updateSeconds_); // shows the value in use
        }
        return true;
    case cmModuleButton:
        if (code == BN_CLICKED) ModuleButtonClick();
        return true;
    }
    return TOstrelForm::onCommand(id, code, control);
}

bool TInfoForm::onNotify(NMHDR& header, LRESULT& result) {
    if (header.hwndFrom == tabs_ && header.code == TCN_SELCHANGE) {
        ShowPage(ActivePage());
        return true;
    }
    return TOstrelForm::onNotify(header, result);
}

LRESULT TInfoForm::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
        PostMessageA(handle(), WM_CLOSE, 0, 0);
        return 0;
    }
    return TOstrelForm::handleMessage(message, wParam, lParam);
}
