#include "Filter.h"
#include "ColumnSettings.h"
#include "List.h"
#include "ConstVars.h"
#include "ResourceIds.h"
#include "framework/Application.h"

TFilterForm::TFilterForm(TListForm& list) : list_(list) {
    createDialog(IDD_FILTER, list.handle());
    patterns_.Bind(handle(), IDC_LIST_TEXT, IDC_LIST_PATTERNS, [this] { patterns_.ChangeClick(); });
    SetUseStandardCaption(OstrelSettings && OstrelSettings->Style == 1);
}

TFilterForm::~TFilterForm() {
    EnableWindow(list_.handle(), TRUE);
    SetForegroundWindow(list_.handle());
    list_.FilterForm = nullptr;
}

void TFilterForm::ShowForList() {
    EnableWindow(list_.handle(), FALSE);
    RECT listRect{}, own{};
    GetWindowRect(list_.handle(), &listRect);
    GetWindowRect(handle(), &own);
    const int width = own.right - own.left, height = own.bottom - own.top;
    SetWindowPos(handle(), nullptr, listRect.left + (listRect.right - listRect.left - width) / 2,
                 listRect.top + (listRect.bottom - listRect.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (TListTypes kind : list_.Kinds()) {
        const std::string name = ListKindNames(kind).PluralName;
        SendMessageA(Control(IDC_LIST_TYPE), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    Check(IDC_LIST_CASESENSITIVE, list_.FilterOptions.CaseSensitive);
    Check(IDC_LIST_WILDCARDS, list_.FilterOptions.WildCards);
    Check(IDC_LIST_ROOTNODE, list_.FilterOptions.RootOnly);
    Check(IDC_LIST_ACTIVATE, true);
    filters_ = list_.Filters;
    currentKind_ = list_.Kinds().front();
    SendMessageA(Control(IDC_LIST_TYPE), CB_SETCURSEL, 0, 0);
    Check(IDC_LIST_CHILDNODES, filters_[currentKind_].MustHaveChildren);
    patterns_.Fill(list_.KindColumnNames(currentKind_), filters_[currentKind_].Patterns);
    show();
    ListTypeChange();
}

void TFilterForm::ListTypeChange() {
    // The edits of the kind shown so far are kept first.
    filters_[currentKind_].Patterns = patterns_.Texts();
    filters_[currentKind_].MustHaveChildren = Checked(IDC_LIST_CHILDNODES);
    const LRESULT index = SendMessageA(Control(IDC_LIST_TYPE), CB_GETCURSEL, 0, 0);
    if (index < 0 || std::size_t(index) >= list_.Kinds().size()) return;
    currentKind_ = list_.Kinds()[std::size_t(index)];
    Check(IDC_LIST_CHILDNODES, filters_[currentKind_].MustHaveChildren);
    patterns_.Fill(list_.KindColumnNames(currentKind_), filters_[currentKind_].Patterns);
    patterns_.Select(0);
}

void TFilterForm::OKClick() {
    ListTypeChange();
    list_.FilterOptions = {Checked(IDC_LIST_CASESENSITIVE), Checked(IDC_LIST_WILDCARDS),
                           Checked(IDC_LIST_ROOTNODE)};
    list_.Filters = filters_;
    // Off shows every row again: rows left hidden under a cleared box would look unfiltered.
    list_.FilterCheckbox->SetCheckboxChecked(Checked(IDC_LIST_ACTIVATE));
    list_.FilterButtonCheckClick();
    close();
}

bool TFilterForm::onCommand(int id, int code, HWND control) {
    switch (id) {
    case IDOK:
        OKClick();
        return true;
    case IDCANCEL:
        close();
        return true;
    case IDC_LIST_TYPE:
        if (code == CBN_SELCHANGE) ListTypeChange();
        return true;
    case IDC_LIST_PATTERNS:
        if (code == LBN_SELCHANGE) patterns_.ListClick();
        return true;
    case IDC_LIST_CHANGE:
        patterns_.ChangeClick();
        return true;
    case IDC_LIST_CLEAR:
        patterns_.ClearClick();
        return true;
    }
    return TStyleForm::onCommand(id, code, control);
}

LRESULT TFilterForm::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // The list window comes to the front with its dialog, the dialog above it.
    if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE)
        SetWindowPos(list_.handle(), handle(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return TStyleForm::handleMessage(message, wParam, lParam);
}
