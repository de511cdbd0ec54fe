#pragma once
#include "ListPatterns.h"
#include "ListTypes.h"
#include "controls/StyleForm.h"

class TListForm;

// The list window's search: patterns for the rows of one kind, options, where to start and which way to
// go. It lives as long as its list window, hidden between searches.
class TListSearchForm : public TStyleForm {
public:
    explicit TListSearchForm(TListForm& list);

    void SetupForList();
    // Out of the topmost band, as it should be whenever neither it nor its list is active.
    void DropTopmost();
    void SearchClick();
    void SearchTypeChange();
    TPatternList& Patterns() { return patterns_; }

protected:
    bool onCommand(int id, int code, HWND control) override;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ChangeClick();
    HWND Control(int id) const { return GetDlgItem(handle(), id); }
    bool Checked(int id) const { return IsDlgButtonChecked(handle(), id) == BST_CHECKED; }

    TListForm& list_;
    TListTypes searchKind_ = ltWindows;
    TPatternList patterns_;
};
