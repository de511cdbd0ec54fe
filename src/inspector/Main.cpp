#include "Main.h"
#include "About.h"
#include "AppBar.h"
#include "HotKey.h"
#include "TrayIcon.h"
#include "ConstVars.h"
#include "FormatConsts.h"
#include "Functions.h"
#include "InfoObjects.h"
#include "List.h"
#include "FindWndCoder.h"
#include "Properties.h"
#include "SettingsTargets.h"
#include "ToolWindow.h"
#include "WndSearch.h"
#include "ToolbarImages.h"
#include "core/MainFormRules.h"
#include "framework/Application.h"
#include "framework/MessageBox.h"

#include <shellapi.h>
#include <algorithm>
#include <functional>
#include <vector>

namespace {
enum ControlId { idRebar = 1, idToolbar, idFinder, idWndHandle, idWndCaption, idWndClass };

std::string ValueText(const fw::Value& value) {
    return value.isText() ? value.text() : value.toText();
}
} // namespace

TOstrelMainForm::TOstrelMainForm() {
    CreateParams p;
    p.className = "TOstrelMainForm";
    p.caption = "Ostrel";
    p.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    p.icon = OstrelSettings ? OstrelSettings->ProgramIcon.get() : nullptr;
    p.width = 800;
    p.height = 140;
    p.parent = fw::application().handle();
    // Topmost from its creation (Wine may ignore making the fresh, hidden window topmost later). A bar is
    // never topmost: StayOnTop is for the floating window only.
    if (OstrelSettings && OstrelSettings->StayOnTop && !OstrelSettings->AppBarDocking)
        p.exStyle = WS_EX_TOPMOST;
    create(p);
    font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (OstrelSettings) SetUseStandardCaption(OstrelSettings->Style == 1);
    CreateMenus();
    CreateToolbar();
    Taskbar.Create(handle());
    Taskbar.SetButtonWidth(120);
    Taskbar.SetButtonHeight(22);
    TButtonSettings look = Taskbar.ButtonSettings();
    look.ColorWhenDown = look.ColorOnMouseOver = look.ColorOnClick = 14476520;
    Taskbar.SetButtonSettings(look);
    Taskbar.OnAddForm = [this](TTaskbar&, fw::Form& form) { TaskbarAddForm(form); };
    Taskbar.OnRemoveForm = [this](TTaskbar&, fw::Form& form) { TaskbarRemoveForm(form); };
    CreateFinderPanel();
    EditsLive = true;

    // Placement: the work area's top edge, the form's own height (the app bar takes over once docking
    // exists).
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    // At its final width first: the frame's height (caption, menu bar) is read from the window itself.
    MoveWindow(handle(), work.left, work.top, work.right - work.left, 200, FALSE);
    RECT window, inner;
    GetWindowRect(handle(), &window);
    GetClientRect(handle(), &inner);
    int height =
        core::MainFormHeight(window.bottom - window.top, inner.bottom, TTaskbar::Height, ToolbarHeight());
    MoveWindow(handle(), work.left, work.top, work.right - work.left, height, TRUE);
    ShowFinderPanel(!OstrelSettings || OstrelSettings->MainFinder);

    fw::application().onMinimize = [this] {
        StyleFormHide();
        if (Docking()) UnregisterAppBar(handle());
    };
    fw::application().onRestore = [this] {
        StyleFormShow();
        if (Docking())
            if (auto bar = RegisterAppBar(handle(), FormHeight())) ApplyPlacement(*bar);
    };
    if (Docking()) {
        SetCaptionButtons(CaptionButtons() & CaptionButtonSet(~core::ButtonBit(cbMaximize)));
        if (auto bar = RegisterAppBar(handle(), FormHeight())) ApplyPlacement(*bar);
    } else {
        ApplyPlacement({work.left, work.top, work.right, work.top + height});
    }
    if (OstrelSettings && OstrelSettings->Minimization != 0) AddTrayIcon(handle());
    UpdateHotKey(handle());
}

int TOstrelMainForm::FormHeight() const {
    RECT r;
    GetWindowRect(handle(), &r);
    return r.bottom - r.top;
}

bool TOstrelMainForm::Docking() const {
    return OstrelSettings && OstrelSettings->AppBarDocking;
}

void TOstrelMainForm::MinimizeToTray() {
    // Without the system's minimise animation: there is no taskbar button for it to fly to.
    ANIMATIONINFO animation{sizeof animation, 0};
    SystemParametersInfoA(SPI_GETANIMATION, sizeof animation, &animation, 0);
    if (animation.iMinAnimate) {
        ANIMATIONINFO off{sizeof off, 0};
        SystemParametersInfoA(SPI_SETANIMATION, sizeof off, &off, 0);
    }
    fw::application().minimize();
    if (animation.iMinAnimate) SystemParametersInfoA(SPI_SETANIMATION, sizeof animation, &animation, 0);
    ShowWindow(fw::application().handle(), SW_HIDE);
    if (Docking()) UnregisterAppBar(handle());
}

void TOstrelMainForm::ApplyPlacement(const RECT& placement) {
    placement_ = placement;
    MoveWindow(handle(), placement.left, placement.top, placement.right - placement.left,
               placement.bottom - placement.top, TRUE);
}

void TOstrelMainForm::StyleFormShow() {
    const bool button = !Docking() && (!OstrelSettings || OstrelSettings->Minimization == 0);
    ShowWindow(fw::application().handle(), button ? SW_SHOWNA : SW_HIDE);
}

void TOstrelMainForm::StyleFormHide() {
    ShowWindow(fw::application().handle(),
               OstrelSettings && OstrelSettings->Minimization == 1 ? SW_HIDE : SW_SHOW);
}

void TOstrelMainForm::ShowFinderPanel(bool shown) {
    finderShown_ = shown;
    for (HWND control :
         {FindWndPanel.handle(), ToolWindowPanel->handle(), WndHandle, WndCaption.handle(), WndClass})
        ShowWindow(control, finderShown_ ? SW_SHOW : SW_HIDE);
    RECT client;
    GetClientRect(handle(), &client);
    onSize(client.right, client.bottom);
}

TOstrelMainForm::~TOstrelMainForm() {
    fw::application().setAccelerators(nullptr, nullptr);
    fw::application().onMinimize = nullptr;
    fw::application().onRestore = nullptr;
    Taskbar.OnAddForm = nullptr;
    Taskbar.OnRemoveForm = nullptr;
    MenuCloseAllClick();
    UnregisterAppBar(handle());
    if (OstrelSettings && OstrelSettings->Minimization != 0) RemoveTrayIcon(handle());
    UnregisterHotKey(handle(), 1);
    if (WndHandle) RemoveWindowSubclass(WndHandle, &TOstrelMainForm::handleEditProc, 1);
}

void TOstrelMainForm::CreateMenus() {
    HMENU bar = CreateMenu();
    HMENU ostrel = CreatePopupMenu();
    AppendMenuA(ostrel, MF_STRING, cmCreateWindow + 0, "&Windows...");
    AppendMenuA(ostrel, MF_STRING, cmCreateWindow + 1, "&Processes...");
    AppendMenuA(ostrel, MF_STRING, cmCreateWindow + 2, "&Threads...");
    AppendMenuA(ostrel, MF_STRING, cmCreateWindow + 3, "&Modules...");
    AppendMenuA(ostrel, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(ostrel, MF_STRING, cmCreateWindow + 4, "&Services...");
    AppendMenuA(ostrel, MF_SEPARATOR, 0, nullptr);
    // The window search arrives with its own window.
    AppendMenuA(ostrel, MF_STRING, cmCreateWindow + 101, "&Find Window...");
    AppendMenuA(ostrel, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(ostrel, MF_STRING, cmProperties, "Properties...\tAlt+Enter");
    AppendMenuA(ostrel, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(ostrel, MF_STRING, cmExit, "&Exit");
    HMENU window = CreatePopupMenu();
    AppendMenuA(window, MF_STRING, cmCascade, "&Cascade");
    AppendMenuA(window, MF_STRING, cmTileHorizontally, "Tile &Horizontally");
    AppendMenuA(window, MF_STRING, cmTileVertically, "Tile &Vertically");
    AppendMenuA(window, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(window, MF_STRING, cmCloseAll, "Close &All");
    HMENU help = CreatePopupMenu();
    AppendMenuA(help, MF_STRING, cmAbout, "&About...");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(ostrel), "&Ostrel");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(window), "&Window");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
    SetMenu(handle(), bar); // the window destroys its menu
    ACCEL properties{FALT | FVIRTKEY, VK_RETURN, cmProperties};
    accelerators_.reset(CreateAcceleratorTableA(&properties, 1));
    fw::application().setAccelerators(handle(), accelerators_.get());

    trayMenu_.reset(CreatePopupMenu());
    HMENU tray = trayMenu_.get();
    AppendMenuA(tray, MF_STRING, cmCreateWindow + 0, "Windows...");
    AppendMenuA(tray, MF_STRING, cmCreateWindow + 1, "Processes...");
    AppendMenuA(tray, MF_STRING, cmCreateWindow + 2, "Threads...");
    AppendMenuA(tray, MF_STRING, cmCreateWindow + 3, "Modules...");
    AppendMenuA(tray, MF_STRING, cmCreateWindow + 101, "Find Window...");
    AppendMenuA(tray, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(tray, MF_STRING, cmProperties, "Properties...");
    AppendMenuA(tray, MF_STRING, cmShow, "&Show Ostrel");
    AppendMenuA(tray, MF_STRING, cmClose, "&Close Ostrel");
    SetMenuDefaultItem(tray, cmShow, FALSE);
}

void TOstrelMainForm::CreateToolbar() {
    TBDock = CreateWindowExA(0, REBARCLASSNAMEA, "",
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                                 RBS_BANDBORDERS | CCS_NODIVIDER | CCS_NOPARENTALIGN | CCS_NORESIZE,
                             0, 0, 100, 50, handle(), reinterpret_cast<HMENU>(idRebar),
                             fw::application().instance(), nullptr);
    const TToolButton buttons[] = {
        {cmCreateWindow + 0, tiWindow, "Window List"},
        {cmCreateWindow + 1, tiProcess, "Process List"},
        {cmCreateWindow + 2, tiThread, "Thread List"},
        {cmCreateWindow + 3, tiModule, "Module List"},
        {},
        {cmCreateWindow + 4, tiService, "Service List"},
        {},
        {cmCreateWindow + 101, tiFinder, "Window-Finder Tool"},
        {},
        {cmProperties, tiProperties, "Properties"},
    };
    TBToolbar.Create(handle(), idToolbar, ToolbarImages(), DisabledToolbarImages(), buttons, TBDock);
}

int TOstrelMainForm::ToolbarHeight() const {
    return int(SendMessageA(TBDock, RB_GETBARHEIGHT, 0, 0));
}

void TOstrelMainForm::CreateFinderPanel() {
    HINSTANCE instance = fw::application().instance();
    auto edit = [&](int id) {
        HWND control = CreateWindowExA(
            WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 10, 10,
            handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        return control;
    };
    FindWndPanel.Create(handle(), idFinder, 0, 0);
    FindWndPanel.OnFoundWnd = [this](HWND window) { FoundWnd(window); };
    WndHandle = edit(idWndHandle);
    SetWindowSubclass(WndHandle, &TOstrelMainForm::handleEditProc, 1, reinterpret_cast<DWORD_PTR>(this));
    WndCaption.Attach(edit(idWndCaption));
    WndClass = edit(idWndClass);
    ToolWindowPanel = std::make_unique<TToolWindowPanel>(handle(), 0, 0);
    ToolWindowPanel->FormClass = &TFinderToolWnd::Create;
}

void TOstrelMainForm::onSize(int width, int height) {
    if (!TBDock || !WndClass || !Taskbar.handle()) return;
    const int mainWidth = finderShown_ ? std::max(0, width - FinderPanelWidth - 1) : width;
    MoveWindow(TBDock, 0, 0, mainWidth, ToolbarHeight(), TRUE);
    MoveWindow(Taskbar.handle(), 0, ToolbarHeight(), mainWidth, TTaskbar::Height, TRUE);
    const int x = mainWidth + 1;
    const int editHeight = 21;
    MoveWindow(FindWndPanel.handle(), x + 4, 4, FindWndPanel.PictureSize().cx, FindWndPanel.PictureSize().cy,
               TRUE);
    // The pop-up's arrow button sits at the end of the handle field.
    const int arrow = TToolWindowPanel::defaultSize;
    MoveWindow(WndHandle, x + 40, 8, FinderPanelWidth - 44 - arrow - 2, editHeight, TRUE);
    MoveWindow(ToolWindowPanel->handle(), x + FinderPanelWidth - 4 - arrow, 8 + (editHeight - arrow) / 2,
               arrow, arrow, TRUE);
    const int row = std::max(38, (height - 2 * editHeight) / 2 + 8);
    MoveWindow(WndCaption.handle(), x + 4, std::min(row, height - 2 * editHeight - 4), FinderPanelWidth - 8,
               editHeight, TRUE);
    MoveWindow(WndClass, x + 4, height - editHeight - 2, FinderPanelWidth - 8, editHeight, TRUE);
}

void TOstrelMainForm::FoundWnd(HWND window) {
    if (!IsWindow(window)) {
        fw::messageBox(handle(),
                       FormatNumber(static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(window))) +
                           " is not a Window",
                       "Invalid Handle", MB_OK | MB_ICONERROR);
        return;
    }
    TWindowInfoObject info(window);
    EditsLive = false;
    SetWindowTextA(WndHandle,
                   FormatNumber(static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(window))).c_str());
    std::string caption = ValueText(info.ReadWindowText());
    WndCaption.SetHint(caption);
    SetWindowTextA(WndCaption.handle(), caption.c_str());
    SetWindowTextA(WndClass, ValueText(info.ReadClassName()).c_str());
    EditsLive = true;
}

void TOstrelMainForm::WndHandleKeyPress(char key) {
    if (key != '\r') return;
    bool error = false;
    std::string message;
    std::uint32_t value = ParseWindowHandle(fw::windowText(WndHandle), error, &message);
    if (error) {
        fw::messageBox(fw::application().handle(), message, "Error", MB_OK | MB_ICONERROR);
        return;
    }
    if (value) FoundWnd(reinterpret_cast<HWND>(static_cast<UINT_PTR>(value)));
}

void TOstrelMainForm::WndCaptionChange() {
    if (!EditsLive) return;
    std::string caption = fw::windowText(WndCaption.handle()), className = fw::windowText(WndClass);
    // The texts of windows are read with a time-out: a hung window does not freeze us.
    HWND found = EmulateFindWindowEx(nullptr, nullptr, className.empty() ? nullptr : className.c_str(),
                                     caption.empty() ? nullptr : caption.c_str());
    SetWindowTextA(WndHandle, FormatNumber(static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(found)),
                                           NoWindowFoundText())
                                  .c_str());
}

void TOstrelMainForm::UpdateHandleFormat() {
    std::string text = fw::windowText(WndHandle);
    if (ReformatNumberText(text)) SetWindowTextA(WndHandle, text.c_str());
}

void TOstrelMainForm::ButtonCreateWindowClick(int tag) {
    switch (core::ChildFormForTag(tag)) {
    case core::ChildFormKind::WindowList:
        CreateChildForm<TWindowListForm>();
        break;
    case core::ChildFormKind::ProcessList:
        CreateChildForm<TProcessListForm>();
        break;
    case core::ChildFormKind::ThreadList:
        CreateChildForm<TThreadListForm>();
        break;
    case core::ChildFormKind::ModuleList:
        CreateChildForm<TModuleListForm>();
        break;
    case core::ChildFormKind::ServiceList:
        CreateChildForm<TServiceListForm>();
        break;
    case core::ChildFormKind::WindowSearch:
        CreateChildForm<TWndSearchForm>();
        break;
    case core::ChildFormKind::None:
        break;
    }
}

void TOstrelMainForm::ButtonPropertiesClick() {
    TProgramSettingsTargets targets(*this);
    TPropertyForm form(handle(), *OstrelSettings, targets);
    form.showModal();
}

void TOstrelMainForm::CascadeExecute() {
    ArrangeChildForms(TArrangeMode::Cascade);
}

void TOstrelMainForm::TileHorizontallyExecute() {
    ArrangeChildForms(TArrangeMode::TileHorizontally);
}

void TOstrelMainForm::TileVerticallyExecute() {
    ArrangeChildForms(TArrangeMode::TileVertically);
}

void TOstrelMainForm::MenuCloseAllClick() {
    Taskbar.BeginUpdate();
    while (Taskbar.Items().Count() > 0) Taskbar.RemoveForm(0, true, false);
    Taskbar.EndUpdate();
}

void TOstrelMainForm::MenuShowClick() {
    HWND app = fw::application().handle();
    if (IsIconic(app)) {
        fw::application().restore();
        // No taskbar button while the tray icon stands for the program.
        if (OstrelSettings && OstrelSettings->Minimization != 0) ShowWindow(app, SW_HIDE);
        // Registers only when the bar is not there already, so the icons are saved once.
        if (Docking())
            if (auto bar = RegisterAppBar(handle(), FormHeight())) ApplyPlacement(*bar);
    }
    SetForegroundWindow(handle());
}

void TOstrelMainForm::TaskbarAddForm(fw::Form& form) {
    HMENU tray = trayMenu_.get();
    trayForms_.insert(trayForms_.begin(), &form);
    InsertMenuA(tray, 0, MF_BYPOSITION | MF_STRING, cmTrayFormFirst, form.text().c_str());
}

void TOstrelMainForm::TaskbarRemoveForm(fw::Form& form) {
    auto it = std::find(trayForms_.begin(), trayForms_.end(), &form);
    if (it == trayForms_.end()) return;
    std::size_t index = std::size_t(it - trayForms_.begin());
    trayForms_.erase(it);
    DeleteMenu(trayMenu_.get(), UINT(index), MF_BYPOSITION);
}

void TOstrelMainForm::TrayFormClick(int index) {
    if (index < 0 || index >= int(trayForms_.size())) return;
    fw::Form* form = trayForms_[index];
    form->show(IsIconic(form->handle()) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(form->handle());
}

void TOstrelMainForm::ShowTrayMenu() {
    // The forms' entries carry their place and current caption; the separator below them stands only
    // while there are any.
    HMENU tray = trayMenu_.get();
    for (std::size_t i = 0; i < trayForms_.size(); ++i)
        ModifyMenuA(tray, UINT(i), MF_BYPOSITION | MF_STRING, cmTrayFormFirst + i,
                    trayForms_[i]->text().c_str());
    const UINT separator = UINT(trayForms_.size());
    if (!trayForms_.empty() && !traySeparator_)
        InsertMenuA(tray, separator, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    else if (trayForms_.empty() && traySeparator_)
        DeleteMenu(tray, separator, MF_BYPOSITION);
    traySeparator_ = !trayForms_.empty();
    SetForegroundWindow(handle());
    POINT at;
    GetCursorPos(&at);
    TrackPopupMenu(trayMenu_.get(), TPM_RIGHTBUTTON, at.x, at.y, 0, handle(), nullptr);
    // Without a message after it, the menu of a notification icon does not close when the user clicks
    // elsewhere.
    PostMessageA(handle(), WM_NULL, 0, 0);
}

HWND TOstrelMainForm::FinderCommandField(HWND source) const {
    // The sender may be gone by now: only a window that is still ours names a field.
    if (source == handle()) return WndHandle;
    if (auto* search = dynamic_cast<TWndSearchForm*>(fw::Window::fromHandle(source)))
        return search->WndHandle();
    return nullptr;
}

void TOstrelMainForm::FinderCommand(int command, HWND source) {
    HWND field = FinderCommandField(source);
    if (!field) return;
    bool error = false;
    std::string message;
    // Selecting and generating take any number: a window destroyed since a list showed it keeps its row,
    // and the generator says itself what it finds.
    const std::uint32_t value =
        ParseWindowHandle(fw::windowText(field), error, command == fcProperties ? &message : nullptr);
    const HWND wnd = error ? nullptr : reinterpret_cast<HWND>(UINT_PTR(value));
    switch (command) {
    case fcSelectWindow:
        if (wnd) SelectWindowInLists(wnd);
        break;
    case fcCreateFindWndCode: {
        // A field that holds no handle opens an empty generator.
        CreateChildForm<TFindWndCodeGenerator>(wnd);
        break;
    }
    case fcProperties:
        if (error)
            fw::messageBox(handle(), message, "Error", MB_OK | MB_ICONERROR);
        else
            ShowWindowInfo(wnd);
        break;
    }
}

LRESULT TOstrelMainForm::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETMINMAXINFO: {
        LRESULT result = TStyleForm::handleMessage(message, wParam, lParam);
        if (TBDock && WndClass) {
            auto& info = *reinterpret_cast<MINMAXINFO*>(lParam);
            RECT window, client;
            GetWindowRect(handle(), &window);
            GetClientRect(handle(), &client);
            int height = core::MainFormHeight(window.bottom - window.top, client.bottom, TTaskbar::Height,
                                              ToolbarHeight());
            info.ptMinTrackSize.x = core::mainFormMinWidth;
            info.ptMinTrackSize.y = info.ptMaxTrackSize.y = height;
        }
        return result;
    }
    case WM_NCHITTEST:
        return core::MainFormHitTest(int(TStyleForm::handleMessage(message, wParam, lParam)), Docking());
    case WM_WINDOWPOSCHANGING:
        if (Docking() && AppBarRegistered()) {
            auto& position = *reinterpret_cast<WINDOWPOS*>(lParam);
            position.x = placement_.left;
            position.y = placement_.top;
        }
        break;
    case WM_SYSCOMMAND:
        // Other minimising is the application's, through the base.
        if ((wParam & 0xFFF0) == SC_MINIMIZE && OstrelSettings && OstrelSettings->Minimization == 1) {
            MinimizeToTray();
            return 0;
        }
        break;
    case WM_SHOWWINDOW:
        if (lParam == SW_PARENTOPENING) {
            // Wine's default handling shows the form again through ShowWindow, a plain show inside this
            // one; it still only follows the restored application, whose own StyleFormShow comes once the
            // form is active. Hiding the application window here, while it is the active one, would hand
            // the activation to another program's window.
            struct Opening {
                bool& flag;
                ~Opening() { flag = false; }
            } opening{parentOpening_ = true};
            return TStyleForm::handleMessage(message, wParam, lParam);
        }
        // The form's show event.
        if (wParam && !lParam && !parentOpening_) {
            LRESULT result = TStyleForm::handleMessage(message, wParam, lParam);
            StyleFormShow();
            return result;
        }
        break;
    case WM_HOTKEY: {
        POINT at;
        GetCursorPos(&at);
        FoundWnd(GetWindowAtPoint(at));
        return 0;
    }
    case WM_APPBARNOTIFY:
        if (wParam == ABN_POSCHANGED)
            if (auto bar = PositionAppBar(handle(), FormHeight())) ApplyPlacement(*bar);
        return 0;
    case WM_TRAYNOTIFY:
        switch (lParam) {
        case WM_LBUTTONDBLCLK:
            MenuShowClick();
            break;
        case WM_RBUTTONDOWN:
            TrayRightDown = true;
            break;
        case WM_RBUTTONUP:
            if (TrayRightDown) ShowTrayMenu();
            break;
        }
        return 0;
    case WM_FINDERCOMMAND:
        FinderCommand(int(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    }
    if (message != 0 && message == TaskbarCreatedMessage) {
        // The shell restarted: its notification area forgot our icon.
        LRESULT result = TStyleForm::handleMessage(message, wParam, lParam);
        if (OstrelSettings && OstrelSettings->Minimization != 0) AddTrayIcon(handle());
        return result;
    }
    return TStyleForm::handleMessage(message, wParam, lParam);
}

bool TOstrelMainForm::onCommand(int id, int code, HWND control) {
    if (control == WndCaption.handle() || control == WndClass) {
        if (code == EN_CHANGE) WndCaptionChange();
        return true;
    }
    if (control == WndHandle) return true;
    if (id >= cmTrayFormFirst && id < cmTrayFormFirst + 0x1000) {
        TrayFormClick(id - cmTrayFormFirst);
        return true;
    }
    if (id >= cmCreateWindow && id <= cmCreateWindow + 0xFF) {
        ButtonCreateWindowClick(id - cmCreateWindow);
        return true;
    }
    switch (id) {
    case cmProperties:
        ButtonPropertiesClick();
        return true;
    case cmExit:
    case cmClose:
        close();
        return true;
    case cmCascade:
        CascadeExecute();
        return true;
    case cmTileHorizontally:
        TileHorizontallyExecute();
        return true;
    case cmTileVertically:
        TileVerticallyExecute();
        return true;
    case cmCloseAll:
        MenuCloseAllClick();
        return true;
    case cmAbout:
        ShowAboutBox();
        return true;
    case cmShow:
        MenuShowClick();
        return true;
    }
    return TStyleForm::onCommand(id, code, control);
}

bool TOstrelMainForm::onClose() {
    // The child forms go before the program ends, while the taskbar and its hooks still exist.
    MenuCloseAllClick();
    return TStyleForm::onClose();
}

bool TOstrelMainForm::onNotify(NMHDR& header, LRESULT& result) {
    if (TBToolbar.AnswerHint(header)) return true;
    if (header.hwndFrom == TBDock && header.code == RBN_HEIGHTCHANGE) {
        RECT client;
        GetClientRect(handle(), &client);
        onSize(client.right, client.bottom);
        return true;
    }
    return TStyleForm::onNotify(header, result);
}

LRESULT CALLBACK TOstrelMainForm::handleEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                                 UINT_PTR id, DWORD_PTR data) {
    if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &TOstrelMainForm::handleEditProc, id);
    if (message == WM_CHAR && wParam == '\r') {
        // Enter parses the handle; the edit itself would only beep.
        try {
            reinterpret_cast<TOstrelMainForm*>(data)->WndHandleKeyPress('\r');
        } catch (...) {
            fw::application().handleException(std::current_exception());
        }
        return 0;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}
