#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The one row-matching rule of list search and filter, and what each of them does with it, over rows
// given in tree order.
namespace core {

// Upper-cases a text for comparisons that ignore letter case (the program passes the system's
// locale-aware one).
using TUpperCase = std::string (*)(std::string);
std::string AsciiUpperCase(std::string text);

// Cell text of the row being tested, by column index (as displayed).
using TCellText = std::function<std::string(std::size_t column)>;

// Every non-empty pattern matches the cell text of its column (pattern i belongs to column i): as a file
// mask with wildCards, else by equality; ignoring letter case unless caseSensitive. All-empty matches.
bool NodeMatches(const TCellText& cellText, const std::vector<std::string>& patterns, bool wildCards,
                 bool caseSensitive, TUpperCase upperCase = AsciiUpperCase);

constexpr std::size_t listKindCount = 5;

struct TKindFilter {
    std::vector<std::string> Patterns; // one per column that has a setting for the kind
    bool MustHaveChildren = false;
};
using TListFilters = std::array<TKindFilter, listKindCount>;

struct TFilterOptions {
    bool CaseSensitive = false;
    bool WildCards = true;
    bool RootOnly = true;
};

// One row of a list tree as search and filter see it.
struct TListRow {
    std::optional<std::size_t> Parent; // index of the parent row; none for root rows
    std::uint8_t Kind = 0;             // TListTypes
    bool HasChildren = false;
};

// Cell text of a row by row index and column index.
using TRowCellText = std::function<std::string(std::size_t row, std::size_t column)>;

// The visibility to give every row when the filter is on. In a window list the first row is the
// desktop: never hidden, and its children are the root rows. With RootOnly only root rows are tested;
// the others stay visible (a hidden row hides its subtree in the tree itself).
std::vector<bool> FilterVisibility(const std::vector<TListRow>& rows, const TListFilters& filters,
                                   const TFilterOptions& options, bool windowList,
                                   const TRowCellText& cellText, TUpperCase upperCase = AsciiUpperCase);

// Whether the row or one of its ancestors is hidden.
bool HiddenInTree(const std::vector<TListRow>& rows, const std::vector<bool>& visible, std::size_t row);

struct TSearchRequest {
    bool FromBegin = true; // else from the focused row
    bool Forward = true;
    std::optional<std::size_t> Focused;
};

// The row a search selects: from the first (last) row when FromBegin, else from the row after (before)
// the focused one, the first accepted row in the direction, without wrapping round. None when nothing
// is found, or when searching from the current position with no row focused.
std::optional<std::size_t> FindRow(std::size_t rowCount, const TSearchRequest& request,
                                   const std::function<bool(std::size_t row)>& accept);

} // namespace core
