#pragma once
// The rules by which a list shows and orders the values stored in its rows, apart from the system's
// text collation, which the caller supplies.
#include "framework/core/Value.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace core {

using ValueFormatter = std::string (*)(const fw::Value&);
using ValueText = std::function<std::string(const fw::Value&)>;

// The shown text of a cell: an 8-bit string as it is (placeholders included, whatever the column's
// formatter), anything else (WMI text too) through the column's formatter, else `formatText`, else its
// own text.
std::string CellValueText(const fw::Value& value, ValueFormatter formatter, const ValueText& formatText);

// How texts are ordered: `key` turns a text into what `compare` orders (negative, 0, positive). The
// list's case-insensitive order either compares the texts themselves or, for a sort, compares keys made
// once per row.
struct Collation {
    std::function<std::string(std::string_view)> key;
    std::function<int(std::string_view, std::string_view)> compare;
};

// One row's cell in the sorted column, prepared once per sort.
struct CellSortKey {
    int rowKind = -1;                 // rows of different kinds are not ordered against each other
    const fw::Value* value = nullptr; // none: the row shows nothing in the column
    std::string text;                 // collation key of the text compared against a value of its kind
    mutable std::optional<std::string> mixedText; // of its whole text, made when another kind is met
};

// `fileNameOnly`: 8-bit texts are paths ordered by their file-name part (the module name column).
CellSortKey MakeCellSortKey(int rowKind, const fw::Value* value, bool fileNameOnly,
                            const Collation& collation);

// Negative when row 1 goes first in ascending order, positive when row 2 does, 0 when equal or not
// comparable. Integers of one kind and texts go greatest first in ascending order; values of different
// kinds compare as texts; other values (booleans, reals, dates) go smallest first.
int CompareCellSortKeys(const CellSortKey& a, const CellSortKey& b, const Collation& collation);

// The part after the last path delimiter.
std::string_view FileNamePart(std::string_view path);

} // namespace core
