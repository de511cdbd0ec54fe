#include "List.h"
#include "FindWndCoder.h"
#include "Filter.h"
#include "ListSearch.h"
#include "Functions.h"
#include "ColumnSettings.h"
#include "ConstVars.h"
#include "FormatConsts.h"
#include "InfoObjects.h"
#include "ResourceIds.h"
#include "ToolbarImages.h"
#include "core/MainFormRules.h"
#include "core/TreeRemoval.h"
#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/MessageBox.h"
#include <map>
#include <optional>

#include <windowsx.h>

#include <algorithm>
#include <cstring>

namespace {
// Posted to itself: the search window and the filter dialog come back above the activated list.
const UINT floatDialogsMessage = WM_APP + 2;
enum ControlId { idToolBar = 1, idStatusBar, idTree };

// The Properties button's picture for each kind of row.
const int propertiesImage[ListTypeCount] = {tiWindow, tiProcess, tiThread, tiModule, tiService};

void AppendItem(HMENU menu, const char* caption, int command = 0, bool enabled = true) {
    if (!command)
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    else
        AppendMenuA(menu, MF_STRING | (enabled ? 0 : MF_GRAYED), command, caption);
}

DWORD RowId(const TNodeData& row) {
    std::int64_t value = 0;
    row.KeyValue().toInt64(value);
    return DWORD(value);
}
} // namespace

bool CopyTextToClipboard(HWND owner, const std::string& text) {
    if (!OpenClipboard(owner)) return false;
    bool done = false;
    if (EmptyClipboard()) {
        if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
            if (void* bytes = GlobalLock(memory)) {
                std::memcpy(bytes, text.c_str(), text.size() + 1);
                GlobalUnlock(memory);
                done = SetClipboardData(CF_TEXT, memory) != nullptr;
            }
            if (!done) GlobalFree(memory); // the clipboard owns it only once it is set
        }
    }
    CloseClipboard();
    return done;
}

TListForm::TListForm(TListTypes mainKind, std::vector<TListTypes> kinds, const char* caption,
                     TListingSources& sources)
    : mainKind_(mainKind), kinds_(std::move(kinds)), sources_(sources) {
    HINSTANCE instance = fw::application().instance();
    icon_.reset(static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDI_KIND_FIRST + mainKind), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
    CreateParams p;
    p.className = "TListForm";
    p.caption = caption;
    p.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    p.parent = fw::application().handle();
    create(p);
    if (icon_) {
        SendMessageA(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
        SendMessageA(handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));
    }

    const TToolButton buttons[] = {
        {cmRefresh, tiRefresh, "Refresh list"},
        {},
        {cmHighlight, tiHighlight, "Highlight the selected window"},
        {cmFindWndCoder, tiCode, "Show FindWindow-Code-Creator"},
        {cmProperties, propertiesImage[mainKind], "Show Properties"},
        {},
        {cmSearch, tiSearch, "Search list"},
        {cmFilter, tiFilter, "Filter list"},
    };
    ToolBar.Create(handle(), idToolBar, ToolbarImages(), DisabledToolbarImages(), buttons);
    FilterCheckbox = std::make_unique<TToolbarCheckbox>(ToolBar.handle(), cmFilter);
    FilterCheckbox->SetHasCheckbox(true);
    FilterCheckbox->SetCheckboxSize(10);
    FilterCheckbox->SetCheckboxSpace(3);
    FilterCheckbox->OnCheckClick = [this] { FilterButtonCheckClick(); };
    StatusBar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                handle(), reinterpret_cast<HMENU>(idStatusBar), instance, nullptr);
    Tree.Create(handle(), idTree, RECT{0, 0, 100, 100});
    Tree.SetImageList(KindIcons());
    Tree.OnFormatText = TreeFormatText;

    for (auto& menu : menus_) menu.reset(CreatePopupMenu());
    AppendItem(menus_[ltWindows].get(), "Highlight window", cmHighlight);
    AppendItem(menus_[ltWindows].get(), "Create FindWindow code...", cmFindWndCoder);
    AppendItem(menus_[ltWindows].get(), "-");
    AppendItem(menus_[ltWindows].get(), "Show window properties...", cmProperties);
    AppendItem(menus_[ltProcesses].get(), "Terminate process", cmTerminateProcess);
    AppendItem(menus_[ltProcesses].get(), "-");
    AppendItem(menus_[ltProcesses].get(), "Show process properties...", cmProperties);

    EnableTools(false);
    ToolBar.Enable(cmRefresh, true);
    SetStatusParts();
    SetupColumns();
    Tree.SetSort(-1, sdAscending);
    RECT client;
    GetClientRect(handle(), &client);
    onSize(client.right, client.bottom);
}

TListForm::~TListForm() {
    // The worker fills this window's tree until its thread has ended.
    worker_.reset();
    delete FilterForm; // an open filter dialog goes with its list
}

void TListForm::SetupColumns() {
    const TColumnSettingLists& lists = OstrelSettings->ColumnSettings;
    std::size_t count = 0;
    for (TListTypes kind : kinds_) count = std::max(count, ShownColumns(lists[kind]).size());

    std::vector<TOstrelTreeview::Column> columns(count);
    std::vector<TKindSettings> settings(count, TKindSettings{});
    for (auto kind = kinds_.rbegin(); kind != kinds_.rend(); ++kind) {
        HMENU menu = menus_[*kind].get();
        if (GetMenuItemCount(menu) > 0) InsertMenuA(menu, 0, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        int inserted = 0;
        for (const auto& s : lists[*kind]) {
            if (!s->Shown() || s->position >= count) continue;
            auto& column = columns[s->position];
            settings[s->position][*kind] = s.get();
            if (s->width != 0) column.Width = s->width;
            if (*kind == mainKind_) column.Caption = s->name;
            if (s->Formatter) column.RightAligned = true;
            std::string item = "Copy " + s->name + " to clipboard";
            InsertMenuA(menu, std::min<UINT>(inserted, s->position), MF_BYPOSITION | MF_STRING,
                        CopyCommandBase + s->position, item.c_str());
            ++inserted;
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        int index = Tree.AddColumn(columns[i]);
        Tree.KindSettings(index) = settings[i];
    }
}

void TListForm::StartRefresh() {
    ::StartRefresh(worker_, *this, sources_);
}

void TListForm::UpdateIntFormat() {
    Tree.Refresh();
}

void TListForm::EnableTools(bool enabled) {
    // Highlight and FindWindow code follow the focused row.
    for (int command : {cmRefresh, cmHighlight, cmFindWndCoder, cmProperties, cmSearch, cmFilter})
        ToolBar.Enable(command, enabled && (command == cmRefresh || command == cmFilter ||
                                            command == cmSearch || command == cmProperties));
}

void TListForm::ListBegin() {
    busy_ = true;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    EnableWindow(ToolBar.handle(), FALSE);
    EnableWindow(Tree.handle(), FALSE);
    EnableTools(false);
    Tree.Clear();
    UpdateWindow(Tree.handle());
    Tree.BeginSearchDisplay();
}

void TListForm::ListEnd() {
    Tree.SetSort(0, sdAscending);
    Tree.HeaderClick(0);
    Tree.EndSearchDisplay();
    if (TOstrelTreeview::Node* first = Tree.VisibleRow(0)) {
        if (mainKind_ == ltWindows) Tree.SetExpanded(first, true);
        Tree.FocusNode(first);
    }
    FilterButtonCheckClick();
    UpdateStatusPanels();
    EnableWindow(ToolBar.handle(), TRUE);
    EnableWindow(Tree.handle(), TRUE);
    // Disabling the tree for the fill took the keyboard from it.
    if (GetActiveWindow() == handle()) SetFocus(Tree.handle());
    EnableTools(true);
    TreeFocusChanged(Tree.FocusedNode());
    busy_ = false;
}

void TListForm::SetStatusParts() {
    std::vector<int> rights;
    for (std::size_t i = 0; i < kinds_.size(); ++i) rights.push_back(int(i + 1) * StatusPanelWidth);
    SendMessageA(StatusBar, SB_SETPARTS, rights.size(), reinterpret_cast<LPARAM>(rights.data()));
}

void TListForm::UpdateStatusPanels() {
    SetStatusParts();
    for (std::size_t i = 0; i < kinds_.size(); ++i) {
        std::string text = core::StatusPanelText(ListKindNames(kinds_[i]).PluralName, Counters[kinds_[i]]);
        SendMessageA(StatusBar, SB_SETTEXTA, i, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

void TListForm::TreeFocusChanged(TOstrelTreeview::Node* node) {
    if (!node) {
        ToolBar.Enable(cmHighlight, false);
        ToolBar.Enable(cmFindWndCoder, false);
        ToolBar.Enable(cmProperties, false);
        return;
    }
    TListTypes kind = node->data.Kind;
    ToolBar.Enable(cmHighlight, kind == ltWindows);
    ToolBar.Enable(cmFindWndCoder, kind == ltWindows);
    ToolBar.Enable(cmProperties, true);
    ToolBar.SetImage(cmProperties, propertiesImage[kind]);
    // The header always describes the focused row.
    for (int c = 0; c < Tree.ColumnCount(); ++c) {
        const TColumnSetting* s = Tree.KindSettings(c)[kind];
        Tree.SetColumnCaption(c, s ? s->name : std::string());
    }
}

void TListForm::FindWndCoderClick() {
    TOstrelTreeview::Node* node = Tree.FocusedNode();
    if (!node || node->data.Kind != ltWindows) return;
    CreateChildForm<TFindWndCodeGenerator>(reinterpret_cast<HWND>(static_cast<UINT_PTR>(RowId(node->data))));
}

void TListForm::SearchButtonClick() {
    if (!SearchForm) SearchForm = std::make_unique<TListSearchForm>(*this);
    if (SearchForm->visible()) {
        SearchForm->hide();
        return;
    }
    SearchForm->show();
}

void TListForm::FilterButtonClick() {
    if (FilterForm) return;
    FilterForm = new TFilterForm(*this); // frees itself when closed
    FilterForm->ShowForList();
}

std::vector<std::string> TListForm::KindColumnNames(TListTypes kind) {
    std::vector<std::string> names;
    for (int c = 0; c < Tree.ColumnCount(); ++c) {
        const TColumnSetting* setting = Tree.KindSettings(c)[kind];
        if (!setting) break;
        names.push_back(setting->name);
    }
    return names;
}

void TListForm::FilterButtonCheckClick() {
    std::vector<TOstrelTreeview::Node*> nodes;
    Tree.Rows().forEach([&](TOstrelTreeview::Node& node) { nodes.push_back(&node); });
    std::vector<bool> visible(nodes.size(), true);
    if (FilterCheckbox->CheckboxChecked()) {
        std::map<const TOstrelTreeview::Node*, std::size_t> index;
        std::vector<core::TListRow> rows;
        for (auto* node : nodes) {
            index[node] = rows.size();
            std::optional<std::size_t> parent;
            if (node->parent) parent = index[node->parent];
            rows.push_back({parent, std::uint8_t(node->data.Kind), !node->children.empty()});
        }
        visible = core::FilterVisibility(
            rows, Filters, FilterOptions, mainKind_ == ltWindows,
            [&](std::size_t row, std::size_t column) { return Tree.Text(*nodes[row], int(column)); },
            SystemUpperCase);
    }
    for (std::size_t i = 0; i < nodes.size(); ++i) nodes[i]->hidden = !visible[i];
    Tree.Refresh();
}

void TListForm::SelectRow(TOstrelTreeview::Node* node) {
    // A row inside a closed parent would be focused out of sight.
    for (TOstrelTreeview::Node* parent = node->parent; parent; parent = parent->parent)
        Tree.SetExpanded(parent, true);
    Tree.FocusNode(node);
}

void TListForm::SelectWindowRows(HWND wnd) {
    if (busy_ || mainKind_ == ltModules) return;
    const auto id = DWORD(reinterpret_cast<UINT_PTR>(wnd));
    TOstrelTreeview::Node* last = nullptr;
    Tree.Rows().forEach([&](TOstrelTreeview::Node& node) {
        if (node.data.Kind == ltWindows && RowId(node.data) == id) last = &node;
    });
    if (last) SelectRow(last);
}

void SelectWindowInLists(HWND wnd) {
    for (TListForm* list : OpenForms<TListForm>()) list->SelectWindowRows(wnd);
}

void TListForm::PropertiesButtonClick() {
    TOstrelTreeview::Node* node = Tree.FocusedNode();
    if (!node || busy_) return;
    const TNodeData& row = node->data;
    switch (row.Kind) {
    case ltWindows:
        ShowWindowInfo(reinterpret_cast<HWND>(static_cast<UINT_PTR>(RowId(row))));
        break;
    case ltProcesses:
        ShowProcessInfo(RowId(row));
        break;
    case ltThreads:
        ShowThreadInfo(RowId(row));
        break;
    case ltModules:
        ShowModuleInfo(row.KeyValue().toText());
        break;
    case ltServices:
        ShowServiceInfo(row.KeyValue().toText());
        break;
    }
}

void TListForm::HighlightClick() {
    TOstrelTreeview::Node* node = Tree.FocusedNode();
    if (!node || node->data.Kind != ltWindows) return;
    BlinkWindow(reinterpret_cast<HWND>(static_cast<UINT_PTR>(RowId(node->data))));
}

void TListForm::CopyColumnClick(int column) {
    TOstrelTreeview::Node* node = Tree.FocusedNode();
    if (!node) return;
    if (!CopyTextToClipboard(handle(), Tree.Text(*node, column)))
        fw::messageBox(handle(), "The clipboard cannot be opened", "Error", MB_OK | MB_ICONERROR);
}

void TListForm::TerminateProcMenuClick() {
    TOstrelTreeview::Node* node = Tree.FocusedNode();
    if (!node || node->data.Kind != ltProcesses) return;
    const DWORD id = RowId(node->data);
    std::shared_ptr<fw::wmi::Services> services = sources_.ConnectWmi();
    bool terminated = false;
    try {
        TProcessInfoObject info(id, services);
        terminated = info.TerminateProcessInfo();
    } catch (...) {
        fw::messageBox(handle(), "The process with ID " + FormatNumber(id) + " doesn't exist anymore.",
                       "Error", MB_OK | MB_ICONERROR);
        return;
    }
    // The question's modal loop may have let a refresh start: its rows belong to the worker now, and
    // the new fill no longer has the process anyway.
    if (!terminated || Tree.SearchDisplay()) return;
    auto isProcess = [&](const TNodeData& row) { return row.Kind == ltProcesses && RowId(row) == id; };
    Tree.ChangeRows([&](TOstrelTreeview::Model& rows) {
        if (mainKind_ == ltModules) {
            --Counters[ltProcesses];
            core::RemoveRowsAndLoneParents(rows, isProcess);
            int modules = 0;
            rows.forEach([&](const TOstrelTreeview::Node& n) { modules += n.data.Kind == ltModules; });
            Counters[ltModules] = modules;
        } else {
            // Found again: the row focused before the question may have gone with a refresh.
            for (const auto& root : rows.roots())
                if (isProcess(root->data)) {
                    core::RemoveCountedSubtree(rows, root.get(), Counters,
                                               [](const TNodeData& row) { return row.Kind; });
                    break;
                }
        }
    });
    UpdateStatusPanels();
    TreeFocusChanged(Tree.FocusedNode());
}

HMENU TListForm::TreeGetPopupMenu(POINT at) const {
    TOstrelTreeview::Node* node = Tree.FocusedNode();
    if (at.x != -1 || at.y != -1) {
        // The row under the mouse, which the click has focused; none below the last row.
        LVHITTESTINFO hit{};
        hit.pt = at;
        ScreenToClient(Tree.handle(), &hit.pt);
        node = Tree.VisibleRow(ListView_HitTest(Tree.handle(), &hit));
    }
    if (!node) return nullptr;
    HMENU menu = KindMenu(node->data.Kind);
    return GetMenuItemCount(menu) > 0 ? menu : nullptr;
}

void TListForm::ShowPopupMenu(POINT at) {
    HMENU menu = TreeGetPopupMenu(at);
    if (!menu) return;
    if (at.x == -1 && at.y == -1) { // from the keyboard: at the focused row
        RECT r{};
        int row = ListView_GetNextItem(Tree.handle(), -1, LVNI_FOCUSED);
        ListView_GetItemRect(Tree.handle(), row, &r, LVIR_LABEL);
        at = {r.left, r.bottom};
        ClientToScreen(Tree.handle(), &at);
    }
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, handle(), nullptr);
}

void TListForm::FloatDialogs(bool activated) {
    const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    // The search window floats above its list only while one of the two is active (it does the same).
    if (SearchForm && activated && SearchForm->visible() && GetActiveWindow() == handle()) {
        SetWindowPos(SearchForm->handle(), HWND_TOPMOST, 0, 0, 0, 0, keep);
        SetWindowPos(handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    } else if (SearchForm && !activated) {
        SearchForm->DropTopmost();
    }
    if (FilterForm) SetWindowPos(FilterForm->handle(), HWND_TOP, 0, 0, 0, 0, keep);
}

LRESULT TListForm::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LISTBEGIN:
        ListBegin();
        return 0;
    case WM_LISTEND:
        if (wParam == 0) {
            ListEnd();
        } else {
            Tree.CancelSearchDisplay();
            busy_ = false;
        }
        return 0;
    case WM_SETCURSOR:
        if (busy_ && LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursor(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == Tree.handle() && !busy_) {
            ShowPopupMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        }
        break;
    case floatDialogsMessage:
        FloatDialogs(true);
        return 0;
    case WM_SHOWWINDOW:
        // Its search window is not owned by it (see there): it goes when the list is hidden or minimised.
        if (!wParam && SearchForm) SearchForm->hide();
        break;
    case WM_ACTIVATE: {
        // Passed on, and the keyboard goes back to the control that had it.
        if (LOWORD(wParam) == WA_INACTIVE) {
            FloatDialogs(false);
            HWND focus = GetFocus();
            if (focus && IsChild(handle(), focus)) focus_ = focus;
            break;
        }
        // The dialogs float only once the activation is complete: the focus it moves raises the list on
        // some displays (Wine's), over the search window that should float above it.
        PostMessageA(handle(), floatDialogsMessage, 0, 0);
        LRESULT result = TOstrelForm::handleMessage(message, wParam, lParam);
        if (!HIWORD(wParam)) SetFocus(focus_ && IsWindow(focus_) ? focus_ : Tree.handle());
        return result;
    }
    }
    return TOstrelForm::handleMessage(message, wParam, lParam);
}

bool TListForm::onCommand(int id, int code, HWND control) {
    if (id >= CopyCommandBase && id < CopyCommandBase + Tree.ColumnCount()) {
        CopyColumnClick(id - CopyCommandBase);
        return true;
    }
    switch (id) {
    case cmRefresh:
        if (SearchForm) SearchForm->hide();
        StartRefresh();
        return true;
    case cmHighlight:
        HighlightClick();
        return true;
    case cmFindWndCoder:
        FindWndCoderClick();
        return true;
    case cmProperties:
        PropertiesButtonClick();
        return true;
    case cmSearch:
        SearchButtonClick();
        return true;
    case cmFilter:
        FilterButtonClick();
        return true;
    case cmTerminateProcess:
        TerminateProcMenuClick();
        return true;
    }
    return TOstrelForm::onCommand(id, code, control);
}

bool TListForm::onNotify(NMHDR& header, LRESULT& result) {
    if (ToolBar.AnswerHint(header)) return true;
    if (header.hwndFrom == Tree.handle()) {
        switch (header.code) {
        case LVN_ITEMCHANGED: {
            auto& change = reinterpret_cast<NMLISTVIEW&>(header);
            if ((change.uNewState ^ change.uOldState) & LVIS_FOCUSED) TreeFocusChanged(Tree.FocusedNode());
            return true;
        }
        case NM_DBLCLK:
            PropertiesButtonClick();
            return true;
        }
    }
    return TOstrelForm::onNotify(header, result);
}

void TListForm::onSize(int width, int height) {
    if (!StatusBar || !Tree.handle()) return;
    SendMessageA(ToolBar.handle(), TB_AUTOSIZE, 0, 0);
    SendMessageA(StatusBar, WM_SIZE, 0, 0);
    RECT bar, status;
    GetWindowRect(ToolBar.handle(), &bar);
    GetWindowRect(StatusBar, &status);
    int top = bar.bottom - bar.top;
    int bottom = height - (status.bottom - status.top);
    MoveWindow(Tree.handle(), 0, top, width, std::max(0, bottom - top), TRUE);
}

TWindowListForm::TWindowListForm(TListingSources& sources)
    : TListForm(ltWindows, {ltWindows}, "Window List", sources) {}
TProcessListForm::TProcessListForm(TListingSources& sources)
    : TListForm(ltProcesses, {ltProcesses, ltThreads, ltWindows}, "Process List", sources) {}
TThreadListForm::TThreadListForm(TListingSources& sources)
    : TListForm(ltThreads, {ltThreads, ltWindows}, "Thread List", sources) {}
TModuleListForm::TModuleListForm(TListingSources& sources)
    : TListForm(ltModules, {ltModules, ltProcesses}, "Module List", sources) {}
TServiceListForm::TServiceListForm(TListingSources& sources)
    : TListForm(ltServices, {ltServices}, "Service List", sources) {}
