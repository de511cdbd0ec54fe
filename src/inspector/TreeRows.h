#pragma once
// The rows of the list trees: every shown value read once when the row is built, and the display and
// ordering rules that work on those stored values.
#include "ColumnSettings.h"
#include "core/TreeModel.h"
#include "framework/core/Value.h"

#include <array>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Per tree column: the setting it shows for each kind of row, none where that kind shows nothing.
using TKindSettings = std::array<const TColumnSetting*, ListTypeCount>;

struct TPropNodeData {
    const TColumnSetting* Setting = nullptr; // not owned
    fw::Value Value;
};

struct TNodeData {
    TListTypes Kind = ltWindows;
    int KeyCell = -1; // index of the key column's cell, -1 when the row has none
    std::vector<TPropNodeData> Cells;

    int Count() const { return int(Cells.size()); }
    // The value that identifies the row's object (handle, ID, path or name); empty without a key cell.
    const fw::Value& KeyValue() const;
};

using TFormatText = std::function<std::string(const fw::Value&)>;

void ReadColumnValue(TBasicInfo& info, const TColumnSetting& setting, TPropNodeData& cell);
// One cell per column that has a setting for the object's kind, in column order.
void BuildNodeData(std::span<const TKindSettings> columns, TBasicInfo& info, TNodeData& row);
void CopyNodeData(const TNodeData& source, TNodeData& target);
int FindCell(const TNodeData& row, const TColumnSetting* setting);

// The displayed text of a row in a column. `formatText` stands in for values without a formatter.
std::string CellText(const TNodeData& row, const TKindSettings& column, const TFormatText& formatText);
// The list windows' number display: signed types in decimal, unsigned ones in the current format.
std::string TreeFormatText(const fw::Value& value);

// Negative when row 1 goes first in ascending order, positive when row 2 does, 0 when equal or not
// comparable (different kinds). Numbers and texts go greatest first in ascending order, other values
// smallest first, so a descending sort shows numbers and texts from the smallest.
int CompareNodes(const TNodeData& row1, const TNodeData& row2, const TKindSettings& column);
// Sorts every level of the rows by a column, each row's compare key made once per sort; rows that compare
// equal keep their order.
void SortRows(core::TreeModel<TNodeData>& rows, const TKindSettings& column, bool ascending);
// Case-insensitive in the user's locale, as the list shows texts.
int CompareTextNoCase(std::string_view a, std::string_view b);
