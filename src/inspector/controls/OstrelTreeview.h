#pragma once
// The list trees: a tree-list of our own over an owner-data report list view. The rows live in a node
// model; the list view only learns how many rows are visible and asks for the text of what it paints.
#include "TreeRows.h"
#include "core/TreeModel.h"
#include "framework/Window.h"

#include <functional>
#include <string>
#include <vector>

enum TSortDirection { sdAscending, sdDescending };

class TOstrelTreeview : public fw::Window {
public:
    using Model = core::TreeModel<TNodeData>;
    using Node = Model::Node;

    struct Column {
        std::string Caption;
        int Width = core::defaultColumnWidth;
        bool RightAligned = false;
    };

    TOstrelTreeview() = default;
    ~TOstrelTreeview() override;

    void Create(HWND parent, int id, const RECT& bounds);
    // The kinds' icons, indexed by TListTypes (not owned).
    void SetImageList(HIMAGELIST images) { images_ = images; }
    TFormatText OnFormatText;

    // Columns; each carries the setting it shows per kind of row.
    int AddColumn(const Column& column);
    int ColumnCount() const { return int(kindSettings_.size()); }
    TKindSettings& KindSettings(int column) { return kindSettings_[column]; }
    std::span<const TKindSettings> AllKindSettings() const { return kindSettings_; }
    void SetColumnCaption(int column, const std::string& caption);
    // The column that carries the tree's glyphs and icons: the one shown first.
    int MainColumn() const;

    // The rows. While the busy display is on, a list worker may add rows from its own thread; the view
    // then asks for nothing until the display ends.
    Node* AddChild(Node* parent) { return model_.addChild(parent); }
    Model& Rows() { return model_; }
    void Clear();
    // Shows the model's current shape (after rows were added, expanded, hidden or sorted).
    void Refresh();

    // Lets `change` take rows out of the model; the focus stays on the same line, or the last one.
    void ChangeRows(const std::function<void(Model&)>& change);

    void SetExpanded(Node* node, bool expanded);
    int VisibleRowCount() const { return int(rows_.size()); }
    Node* VisibleRow(int index) const;
    Node* FocusedNode() const;
    void FocusNode(Node* node);

    std::string Text(const Node& node, int column) const;
    // The hint of a cell: its text when the column is too narrow to show it, else none.
    std::string Hint(const Node& node, int column) const;
    int ImageIndex(const Node& node, int column) const;
    HWND HintWindow() const { return tooltip_; }

    int SortColumn() const { return sortColumn_; }
    TSortDirection SortDirection() const { return sortDirection_; }
    void SetSort(int column, TSortDirection direction);
    void SortTree(int column, TSortDirection direction);
    // As a click on a column's header: the same column toggles the direction, another starts descending.
    void HeaderClick(int column);

    void BeginSearchDisplay();
    void EndSearchDisplay();
    void CancelSearchDisplay();
    bool SearchDisplay() const { return searchDisplay_; }
    int SearchDots() const { return searchDots_; }

    static constexpr UINT_PTR searchTimerId = 8;
    static constexpr UINT searchInterval = 150;

protected:
    bool onReflectedNotify(NMHDR& header, LRESULT& result) override;

private:
    static LRESULT CALLBACK subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    bool handleSubclassed(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    LRESULT customDraw(NMLVCUSTOMDRAW& draw);
    void drawMainCell(HDC dc, int row, const RECT& cell);
    void paintSearchDisplay();
    bool onKey(WPARAM key);
    bool onClick(int row, POINT point);
    void updateHint(POINT point);
    void hideHint();
    void updateSortArrows();
    void updateSortArrow(int column);
    void getDispInfo(NMLVDISPINFOA& info);
    RECT cellRect(int row, int column) const;
    int textOffset(const Node& node, int column) const;
    int glyphLeft(const Node& node, int cellLeft) const;

    Model model_;
    std::vector<Node*> rows_;
    std::vector<TKindSettings> kindSettings_;
    HIMAGELIST images_ = nullptr;
    HWND tooltip_ = nullptr;
    int hintRow_ = -1, hintColumn_ = -1;
    bool hintShown_ = false;
    bool trackingMouse_ = false;
    int sortColumn_ = -1;
    TSortDirection sortDirection_ = sdAscending;
    bool searchDisplay_ = false;
    bool searchTick_ = false;
    int searchDots_ = 0;
    mutable std::string textBuffer_;
};
