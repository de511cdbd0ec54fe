#pragma once
// The list windows: one main kind of object in a tree, filled by a worker thread, with per-kind row
// counts in the status bar, copy to the clipboard, highlighting and process termination.
#include "ListWorker.h"
#include "controls/OstrelTreeview.h"
#include "controls/ToolBar.h"
#include "controls/Ostrel_Form.h"
#include "controls/ToolbarCheckbox.h"
#include "core/ListSearch.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

class TFilterForm;
class TListSearchForm;

class TListForm : public TOstrelForm, public TListHost {
public:
    // Command ids of the tool bar and the pop-up menus; a copy item's id is CopyCommandBase plus the
    // column index.
    enum Command : int {
        cmRefresh = 101,
        cmHighlight,
        cmFindWndCoder,
        cmProperties,
        cmSearch,
        cmFilter,
        cmTerminateProcess,
        CopyCommandBase = 1000
    };
    static constexpr int StatusPanelWidth = 140;

    ~TListForm() override;

    void StartRefresh();
    HMENU KindMenu(TListTypes kind) const { return menus_[kind].get(); }
    // The pop-up menu for a right-click at a screen point: that of the row there, none below the last
    // row; at (-1, -1), from the keyboard, that of the focused row.
    HMENU TreeGetPopupMenu(POINT at) const;
    // Numbers are shown anew after the number format changed.
    void UpdateIntFormat() override;

    // TListHost
    HWND ListHandle() const override { return handle(); }
    TOstrelTreeview& ListTree() override { return Tree; }
    TListTypes MainKind() const override { return mainKind_; }
    const std::vector<TListTypes>& Kinds() const override { return kinds_; }
    void StoreCounters(const TListCounters& counters) override { Counters = counters; }

    TOstrelTreeview Tree;
    TToolBar ToolBar;
    HWND StatusBar = nullptr;
    TListCounters Counters{};

    // Actions on the focused row (nothing without one).
    void HighlightClick();
    void CopyColumnClick(int column);
    void TerminateProcMenuClick();
    void FindWndCoderClick();
    void FilterButtonClick();
    // Hides the rows that do not match the filters while the Filter button's box is ticked, shows every
    // row otherwise; also run at the end of every fill.
    void FilterButtonCheckClick();
    // The property names of the columns that have a setting for the kind (they come first, in order).
    std::vector<std::string> KindColumnNames(TListTypes kind);
    // Focuses the row, opening its parents.
    void SelectRow(TOstrelTreeview::Node* node);

    // The filter: one per kind, and its options; the Filter button's box says whether it is on.
    core::TListFilters Filters;
    core::TFilterOptions FilterOptions;
    std::unique_ptr<TToolbarCheckbox> FilterCheckbox;
    TFilterForm* FilterForm = nullptr;
    std::unique_ptr<TListSearchForm> SearchForm;
    // Focuses the rows of the window (the last one keeps the focus), opening their parents; nothing while
    // the list fills or in a module list.
    void SelectWindowRows(HWND wnd);
    // Shows or hides the search window.
    void SearchButtonClick();
    // The focused row's detail window.
    void PropertiesButtonClick();
    void TreeFocusChanged(TOstrelTreeview::Node* node);

protected:
    TListForm(TListTypes mainKind, std::vector<TListTypes> kinds, const char* caption,
              TListingSources& sources = SystemSources());

    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool onCommand(int id, int code, HWND control) override;
    bool onNotify(NMHDR& header, LRESULT& result) override;
    void onSize(int width, int height) override;

private:
    void SetupColumns();
    void ListBegin();
    void ListEnd();
    void SetStatusParts();
    void UpdateStatusPanels();
    void EnableTools(bool enabled);
    void ShowPopupMenu(POINT at);
    // The search window and the filter dialog keep above the list window as it is (de)activated.
    void FloatDialogs(bool activated);

    TListTypes mainKind_;
    std::vector<TListTypes> kinds_;
    TListingSources& sources_;
    std::unique_ptr<TThreadData> worker_;
    std::array<fw::Menu, 5> menus_;
    fw::Icon icon_;
    HWND focus_ = nullptr;
    bool busy_ = false;
};

class TWindowListForm : public TListForm {
public:
    explicit TWindowListForm(TListingSources& sources = SystemSources());
};
class TProcessListForm : public TListForm {
public:
    explicit TProcessListForm(TListingSources& sources = SystemSources());
};
class TThreadListForm : public TListForm {
public:
    explicit TThreadListForm(TListingSources& sources = SystemSources());
};
class TModuleListForm : public TListForm {
public:
    explicit TModuleListForm(TListingSources& sources = SystemSources());
};
class TServiceListForm : public TListForm {
public:
    explicit TServiceListForm(TListingSources& sources = SystemSources());
};

// The text put on the clipboard; false when the clipboard could not be had.
bool CopyTextToClipboard(HWND owner, const std::string& text);

// Selects the window's rows in every open list.
void SelectWindowInLists(HWND wnd);
