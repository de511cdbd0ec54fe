#include "ListSearch.h"
#include "ColumnSettings.h"
#include "List.h"
#include "ConstVars.h"
#include "ResourceIds.h"
#include "core/ListSearch.h"
#include "framework/Application.h"
#include "framework/MessageBox.h"

TListSearchForm::TListSearchForm(TListForm& list) : list_(list) {
    // Owned by the application's window, as every form: Wine keeps a window that its owner lies right
    // below in the topmost band, so it could never stop floating above its list.
    createDialog(IDD_LISTSEARCH, fw::application().handle());
    patterns_.Bind(handle(), IDC_LIST_TEXT, IDC_LIST_PATTERNS, [this] { ChangeClick(); });
    SetUseStandardCaption(OstrelSettings && OstrelSettings->Style == 1);
    CheckDlgButton(handle(), IDC_LIST_WILDCARDS, BST_CHECKED);
    CheckRadioButton(handle(), IDC_LIST_STARTBEGIN, IDC_LIST_STARTCURRENT, IDC_LIST_STARTBEGIN);
    CheckRadioButton(handle(), IDC_LIST_FORWARD, IDC_LIST_BACKWARD, IDC_LIST_FORWARD);
    SetupForList();
}

void TListSearchForm::SetupForList() {
    SendMessageA(Control(IDC_LIST_TYPE), CB_RESETCONTENT, 0, 0);
    for (TListTypes kind : list_.Kinds()) {
        const std::string name = ListKindNames(kind).PluralName;
        SendMessageA(Control(IDC_LIST_TYPE), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    SendMessageA(Control(IDC_LIST_TYPE), CB_SETCURSEL, 0, 0);
    SearchTypeChange();
    RECT listRect{}, own{};
    GetWindowRect(list_.handle(), &listRect);
    GetWindowRect(handle(), &own);
    SetWindowPos(handle(), nullptr,
                 listRect.left + (listRect.right - listRect.left - (own.right - own.left)) / 2,
                 listRect.top + (listRect.bottom - listRect.top - (own.bottom - own.top)) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TListSearchForm::SearchTypeChange() {
    const LRESULT index = SendMessageA(Control(IDC_LIST_TYPE), CB_GETCURSEL, 0, 0);
    if (index < 0 || std::size_t(index) >= list_.Kinds().size()) return;
    searchKind_ = list_.Kinds()[std::size_t(index)];
    // A new kind starts with empty patterns: nothing to search for yet.
    patterns_.Fill(list_.KindColumnNames(searchKind_), {});
    ChangeClick();
    patterns_.Select(0);
}

void TListSearchForm::ChangeClick() {
    patterns_.ChangeClick();
    EnableWindow(Control(IDOK), patterns_.AnyText());
}

void TListSearchForm::SearchClick() {
    std::vector<TOstrelTreeview::Node*> nodes;
    list_.Tree.Rows().forEach([&](TOstrelTreeview::Node& node) { nodes.push_back(&node); });
    core::TSearchRequest request;
    request.FromBegin = Checked(IDC_LIST_STARTBEGIN);
    request.Forward = Checked(IDC_LIST_FORWARD);
    if (TOstrelTreeview::Node* focused = list_.Tree.FocusedNode()) {
        for (std::size_t i = 0; i < nodes.size(); ++i)
            if (nodes[i] == focused) request.Focused = i;
    }
    // The next search goes on from the row found.
    if (request.FromBegin)
        CheckRadioButton(handle(), IDC_LIST_STARTBEGIN, IDC_LIST_STARTCURRENT, IDC_LIST_STARTCURRENT);

    const bool wildCards = Checked(IDC_LIST_WILDCARDS), caseSensitive = Checked(IDC_LIST_CASESENSITIVE);
    auto hiddenByFilter = [](const TOstrelTreeview::Node* node) {
        for (; node; node = node->parent)
            if (node->hidden) return true;
        return false;
    };
    const auto found = core::FindRow(nodes.size(), request, [&](std::size_t row) {
        const TOstrelTreeview::Node* node = nodes[row];
        return node->data.Kind == searchKind_ && !hiddenByFilter(node) &&
               core::NodeMatches([&](std::size_t column) { return list_.Tree.Text(*node, int(column)); },
                                 patterns_.Texts(), wildCards, caseSensitive, SystemUpperCase);
    });
    if (found) {
        list_.SelectRow(nodes[*found]);
        return;
    }
    fw::messageBox(list_.handle(), "No entry found that corresponds to yoursearch-options", "Searching done",
                   MB_ICONINFORMATION);
}

bool TListSearchForm::onCommand(int id, int code, HWND control) {
    switch (id) {
    case IDOK:
        if (IsWindowEnabled(Control(IDOK))) SearchClick();
        return true;
    case IDCANCEL:
        hide();
        return true;
    case IDC_LIST_TYPE:
        if (code == CBN_SELCHANGE) SearchTypeChange();
        return true;
    case IDC_LIST_PATTERNS:
        if (code == LBN_SELCHANGE) patterns_.ListClick();
        return true;
    case IDC_LIST_CHANGE:
        ChangeClick();
        return true;
    case IDC_LIST_CLEAR:
        patterns_.ClearClick();
        EnableWindow(Control(IDOK), patterns_.AnyText());
        return true;
    }
    return TStyleForm::onCommand(id, code, control);
}

void TListSearchForm::DropTopmost() {
    SetWindowPos(handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT TListSearchForm::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Floats above its list only while one of the two is active.
    if (message == WM_ACTIVATE) {
        const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
        if (LOWORD(wParam) != WA_INACTIVE) {
            SetWindowPos(list_.handle(), HWND_TOP, 0, 0, 0, 0, keep);
            SetWindowPos(handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        } else {
            DropTopmost();
        }
    }
    // Going away while active, it hands the activation to its list rather than to its owner.
    if (message == WM_SHOWWINDOW && !wParam && GetActiveWindow() == handle()) SetActiveWindow(list_.handle());
    // A hidden window never stays above the others, whatever the order of its deactivation.
    if (message == WM_WINDOWPOSCHANGED &&
        (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_HIDEWINDOW))
        DropTopmost();
    return TStyleForm::handleMessage(message, wParam, lParam);
}
