#pragma once
#include "ListPatterns.h"
#include "ListTypes.h"
#include "core/ListSearch.h"
#include "controls/StyleForm.h"

class TListForm;

// The list window's filter dialog: per-kind patterns and "Must have Child-Nodes", the options, and
// whether the filter is active. It edits copies until OK; its list window is disabled while it is open.
class TFilterForm : public TStyleForm {
public:
    explicit TFilterForm(TListForm& list);
    ~TFilterForm() override;

    void ShowForList();
    void OKClick();
    TPatternList& Patterns() { return patterns_; }

protected:
    fw::CloseAction closeAction() override { return fw::CloseAction::Free; }
    bool onCommand(int id, int code, HWND control) override;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ListTypeChange();
    HWND Control(int id) const { return GetDlgItem(handle(), id); }
    bool Checked(int id) const { return IsDlgButtonChecked(handle(), id) == BST_CHECKED; }
    void Check(int id, bool on) { CheckDlgButton(handle(), id, on ? BST_CHECKED : BST_UNCHECKED); }

    TListForm& list_;
    TListTypes currentKind_ = ltWindows;
    core::TListFilters filters_;
    TPatternList patterns_;
};
