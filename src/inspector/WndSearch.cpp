#include "WndSearch.h"
#include "ConstVars.h"
#include "FindWndCoder.h"
#include "Functions.h"
#include "InfoObjects.h"
#include "List.h"
#include "ToolWindow.h"
#include "core/NumberFormat.h"
#include "framework/Application.h"
#include "framework/MessageBox.h"

namespace {

const int clientWidth = 246, clientHeight = 190;

std::uint32_t Id(HWND wnd) {
    return std::uint32_t(reinterpret_cast<UINT_PTR>(wnd));
}
HWND Wnd(std::uint32_t id) {
    return reinterpret_cast<HWND>(UINT_PTR(id));
}

// The program's windows on the main form's taskbar.
std::vector<fw::Form*> ProgramForms() {
    return OpenForms<fw::Form>();
}

} // namespace

TWndSearchForm::TWndSearchForm() {
    createDialog(IDD_WNDSEARCH, fw::application().handle());
}

bool TWndSearchForm::onCreate() {
    FindWndPanel.Create(handle(), IDC_SEARCH_FINDER, 0, 0);
    FindWndPanel.OnFoundWnd = [this](HWND wnd) { FoundWnd(wnd); };
    ToolWindowPanel = std::make_unique<TToolWindowPanel>(handle(), 0, 0);
    ToolWindowPanel->FormClass = &TFinderToolWnd::Create;
    ToolWindowPanel->SetShowDirection(core::sdRight);
    WndCaption.Attach(Control(IDC_SEARCH_CAPTION));
    SetIconResource(IDI_WNDSEARCH);

    RECT window{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&window, GetWindowLongA(handle(), GWL_STYLE), FALSE,
                       GetWindowLongA(handle(), GWL_EXSTYLE));
    const int width = window.right - window.left, height = window.bottom - window.top;
    SetWindowPos(handle(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
    return false;
}

void TWndSearchForm::Layout() {
    auto place = [&](HWND control, int x, int y, int w, int h) {
        SetWindowPos(control, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    const SIZE finder = FindWndPanel.PictureSize();
    const int arrow = TToolWindowPanel::defaultSize;
    place(Control(IDC_SEARCH_FINDERLABEL), 8, 8 + (finder.cy - 16) / 2, 64, 16);
    place(FindWndPanel.handle(), 72, 6, finder.cx, finder.cy);
    place(ToolWindowPanel->handle(), 72 + finder.cx + 2, 6 + (finder.cy - arrow) / 2, arrow, arrow);
    const int top = 6 + finder.cy + 6;
    const int rows[][2] = {{IDC_SEARCH_HANDLELABEL, IDC_SEARCH_HANDLE},
                           {IDC_SEARCH_CAPTIONLABEL, IDC_SEARCH_CAPTION},
                           {IDC_SEARCH_CLASSLABEL, IDC_SEARCH_CLASS}};
    // Rows close enough together that the description's four lines fit below them.
    const int row = 24;
    for (int i = 0; i < 3; ++i) {
        place(Control(rows[i][0]), 8, top + i * row + 4, 60, 16);
        place(Control(rows[i][1]), 72, top + i * row, clientWidth - 80, 21);
    }
    const int hideTop = top + 3 * row - 1, descriptionTop = hideTop + 20;
    place(Control(IDC_SEARCH_HIDEOSTREL), 8, hideTop, clientWidth - 16, 18);
    place(Control(IDC_SEARCH_DESCRIPTION), 8, descriptionTop, clientWidth - 16,
          clientHeight - descriptionTop);
}

std::string TWndSearchForm::ControlText(int id) const {
    return fw::windowText(Control(id));
}

void TWndSearchForm::FoundWnd(HWND wnd) {
    if (!IsWindow(wnd)) {
        fw::messageBox(handle(), FormatNumber(Id(wnd)) + " is not a Window", "Invalid Handle", MB_ICONERROR);
        return;
    }
    TWindowInfoObject info(wnd);
    editable_ = false;
    SetWindowTextA(WndHandle(), FormatNumber(Id(wnd)).c_str());
    const std::string caption = info.ReadWindowText().toText();
    WndCaption.SetHint(caption);
    SetWindowTextA(WndCaption.handle(), caption.c_str());
    SetWindowTextA(Control(IDC_SEARCH_CLASS), info.ReadClassName().toText().c_str());
    editable_ = true;
}

void TWndSearchForm::WndHandleKeyPress() {
    bool error = false;
    std::string message;
    const std::uint32_t value = ParseWindowHandle(ControlText(IDC_SEARCH_HANDLE), error, &message);
    if (error) {
        fw::messageBox(fw::application().handle(), message, "Error", MB_ICONERROR);
        return;
    }
    if (value) FoundWnd(Wnd(value));
}

void TWndSearchForm::WndCaptionChange() {
    if (!editable_) return;
    const std::string caption = ControlText(IDC_SEARCH_CAPTION), className = ControlText(IDC_SEARCH_CLASS);
    // Window texts are read with a time-out: a hung window never freezes the typing.
    HWND found = EmulateFindWindowEx(nullptr, nullptr, className.empty() ? nullptr : className.c_str(),
                                     caption.empty() ? nullptr : caption.c_str());
    SetWindowTextA(WndHandle(), FormatNumber(Id(found), NoWindowFoundText()).c_str());
}

void TWndSearchForm::UpdateIntFormat() {
    // "<no window found>" and other texts that are no number stay as they are.
    std::string text = ControlText(IDC_SEARCH_HANDLE);
    if (ReformatNumberText(text)) SetWindowTextA(WndHandle(), text.c_str());
}

void TWndSearchForm::HideOstrelClick() {
    fw::Form* main = fw::application().mainForm();
    if (IsDlgButtonChecked(handle(), IDC_SEARCH_HIDEOSTREL) == BST_CHECKED) {
        std::vector<std::pair<std::uint32_t, bool>> windows;
        for (fw::Form* form : ProgramForms()) windows.push_back({Id(form->handle()), form->visible()});
        for (std::uint32_t wnd : hidden_.Hide(windows, Id(handle()))) ShowWindow(Wnd(wnd), SW_HIDE);
        if (main && !(OstrelSettings && OstrelSettings->AppBarDocking)) main->hide();
    } else {
        if (main) main->show();
        std::vector<std::uint32_t> windows;
        for (fw::Form* form : ProgramForms()) windows.push_back(Id(form->handle()));
        for (std::uint32_t wnd : hidden_.Restore(windows, Id(handle()))) ShowWindow(Wnd(wnd), SW_SHOW);
    }
    BringWindowToTop(handle());
    SetForegroundWindow(handle());
}

bool TWndSearchForm::onCommand(int id, int code, HWND control) {
    switch (id) {
    case IDOK: // Enter
        if (GetFocus() == WndHandle() || GetFocus() == Control(IDC_SEARCH_CLASS)) WndHandleKeyPress();
        return true;
    case IDCANCEL:
        return true;
    case IDC_SEARCH_CAPTION:
    case IDC_SEARCH_CLASS:
        if (code == EN_CHANGE) WndCaptionChange();
        return true;
    case IDC_SEARCH_HIDEOSTREL:
        if (code == BN_CLICKED) HideOstrelClick();
        return true;
    }
    return TOstrelForm::onCommand(id, code, control);
}

fw::CloseAction TWndSearchForm::closeAction() {
    // Closing brings the program back first.
    if (IsDlgButtonChecked(handle(), IDC_SEARCH_HIDEOSTREL) == BST_CHECKED) {
        CheckDlgButton(handle(), IDC_SEARCH_HIDEOSTREL, BST_UNCHECKED);
        HideOstrelClick();
    }
    return fw::CloseAction::Free;
}
