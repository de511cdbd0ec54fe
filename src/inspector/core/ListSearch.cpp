#include "core/ListSearch.h"
#include "core/Masks.h"
#include <algorithm>
#include <cctype>

namespace core {

std::string AsciiUpperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

bool NodeMatches(const TCellText& cellText, const std::vector<std::string>& patterns, bool wildCards,
                 bool caseSensitive, TUpperCase upperCase) {
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        if (patterns[i].empty()) continue;
        std::string text = cellText(i), pattern = patterns[i];
        if (!caseSensitive) {
            text = upperCase(std::move(text));
            pattern = upperCase(std::move(pattern));
        }
        if (!(wildCards ? MatchesMask(text, pattern) : text == pattern)) return false;
    }
    return true;
}

std::vector<bool> FilterVisibility(const std::vector<TListRow>& rows, const TListFilters& filters,
                                   const TFilterOptions& options, bool windowList,
                                   const TRowCellText& cellText, TUpperCase upperCase) {
    std::vector<bool> visible(rows.size(), true);
    const std::size_t first = windowList ? 1 : 0;
    for (std::size_t row = first; row < rows.size(); ++row) {
        const bool root = windowList ? rows[row].Parent == std::optional<std::size_t>(0) : !rows[row].Parent;
        if (options.RootOnly && !root) continue;
        if (rows[row].Kind >= filters.size()) continue;
        const TKindFilter& filter = filters[rows[row].Kind];
        visible[row] = (!filter.MustHaveChildren || rows[row].HasChildren) &&
                       NodeMatches([&](std::size_t column) { return cellText(row, column); }, filter.Patterns,
                                   options.WildCards, options.CaseSensitive, upperCase);
    }
    return visible;
}

bool HiddenInTree(const std::vector<TListRow>& rows, const std::vector<bool>& visible, std::size_t row) {
    // Parents come before their children, so the walk up always ends.
    for (std::optional<std::size_t> r = row; r && *r < rows.size(); r = rows[*r].Parent) {
        if (*r < visible.size() && !visible[*r]) return true;
        if (rows[*r].Parent && *rows[*r].Parent >= *r) break;
    }
    return false;
}

std::optional<std::size_t> FindRow(std::size_t rowCount, const TSearchRequest& request,
                                   const std::function<bool(std::size_t row)>& accept) {
    if (rowCount == 0) return std::nullopt;
    std::ptrdiff_t row;
    if (request.FromBegin) {
        row = request.Forward ? 0 : std::ptrdiff_t(rowCount) - 1;
    } else {
        if (!request.Focused || *request.Focused >= rowCount) return std::nullopt;
        row = std::ptrdiff_t(*request.Focused) + (request.Forward ? 1 : -1);
    }
    const std::ptrdiff_t step = request.Forward ? 1 : -1;
    for (; row >= 0 && row < std::ptrdiff_t(rowCount); row += step)
        if (accept(std::size_t(row))) return std::size_t(row);
    return std::nullopt;
}

} // namespace core
