#include "core/ListSearch.h"
#include "core/Masks.h"
#include <gtest/gtest.h>

using namespace core;

TEST(Masks, WildcardTable) {
    struct Case {
        const char* text;
        const char* mask;
        bool matches;
    } const cases[] = {
        {"", "", true},
        {"a", "", false},
        {"", "*", true},
        {"anything", "*", true},
        {"Notepad", "note*", true}, // ASCII letters in any case
        {"Notepad", "*PAD", true},
        {"Notepad", "*pa*", true},
        {"Notepad", "*x*", false},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"abbbc", "a*b*c", true},
        {"abcabd", "*abd", true},
        {"mississippi", "m*iss*ppi", true},
        {"abc", "???", true},
        {"ab", "???", false},
        {"b", "[abc]", true},
        {"d", "[abc]", false},
        {"B", "[abc]", true},
        {"m", "[a-z]", true},
        {"M", "[a-z]", true},
        {"5", "[a-z]", false},
        {"5", "[0-9]", true},
        {"5", "[9-0]", true}, // a reversed range is read in order
        {"x", "[!x]", false},
        {"y", "[!x]", true},
        {"X", "[!x]", false},
        {"-", "[a-]", true},
        {"]", "[]]", true},
        {"edit1", "edit[0-9]", true},
        {"edit", "edit[0-9]", false},
        {"Edit12", "edit[0-9]", false},
        {"Edit12", "edit[0-9]*", true},
        // Malformed sets never raise: an unclosed '[' stands for itself.
        {"[ab", "[ab", true},
        {"a", "[ab", false},
        {"[", "[", true},
        {"x[", "*[", true},
        {"[]", "[]", true},
        {"[!", "[!", true},
        {"a", "[!", false},
        {"*", "*", true},
        {"?", "?", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.matches, MatchesMask(c.text, c.mask)) << c.text << " / " << c.mask;
}

TEST(ListSearch, NodeMatches) {
    const std::vector<std::string> row = {"0x00010010", "Notepad", "Untitled - Notepad", "[x"};
    auto cell = [&](std::size_t column) { return column < row.size() ? row[column] : std::string(); };
    struct Case {
        std::vector<std::string> patterns;
        bool wildCards, caseSensitive, matches;
    } const cases[] = {
        {{}, true, false, true},
        {{"", "", ""}, false, true, true},
        {{"", "note*"}, true, false, true},
        {{"", "note*"}, true, true, true}, // the mask itself ignores ASCII case
        {{"", "notepad"}, false, false, true},
        {{"", "notepad"}, false, true, false},
        {{"", "Note*"}, false, false, false}, // no wildcards: equality only
        {{"", "Notepad", "*Notepad"}, true, false, true},
        {{"", "Notepad", "*Paint"}, true, false, false},
        {{"", "", "", "[x"}, true, true, true},
        {{"", "", "", "[ab"}, true, false, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.matches, NodeMatches(cell, c.patterns, c.wildCards, c.caseSensitive))
            << testing::PrintToString(c.patterns) << c.wildCards << c.caseSensitive;
}

namespace {

// A window list: the desktop, its top-level windows, their children.
struct Tree {
    std::vector<TListRow> rows;
    std::vector<std::string> names;
    std::size_t Add(std::optional<std::size_t> parent, std::uint8_t kind, std::string name) {
        if (parent) rows[*parent].HasChildren = true;
        rows.push_back({parent, kind, false});
        names.push_back(std::move(name));
        return rows.size() - 1;
    }
    std::vector<bool> Filter(const TListFilters& filters, const TFilterOptions& options,
                             bool windowList) const {
        return FilterVisibility(rows, filters, options, windowList,
                                [&](std::size_t row, std::size_t) { return names[row]; });
    }
};

std::string Shown(const std::vector<bool>& visible) {
    std::string s;
    for (bool v : visible) s += v ? '+' : '-';
    return s;
}

} // namespace

TEST(ListSearch, WindowListFilter) {
    Tree t;
    auto desktop = t.Add({}, 0, "Desktop");
    auto edit = t.Add(desktop, 0, "Edit");
    t.Add(edit, 0, "Edit child");
    t.Add(desktop, 0, "Button");
    auto editor = t.Add(desktop, 0, "Editor");
    t.Add(editor, 0, "Button");

    TListFilters filters;
    filters[0].Patterns = {"edit*"};
    EXPECT_EQ("+++-++", Shown(t.Filter(filters, {}, true))) << "root only: the children stay";
    EXPECT_EQ("+++-+-", Shown(t.Filter(filters, {false, true, false}, true)));
    filters[0].Patterns = {"edit"};
    EXPECT_EQ("++----", Shown(t.Filter(filters, {false, false, false}, true))) << "no wildcards: equality";
    EXPECT_EQ("+-----", Shown(t.Filter(filters, {true, false, false}, true))) << "case-sensitive";
    filters[0].Patterns = {"*"};
    filters[0].MustHaveChildren = true;
    EXPECT_EQ("+++-++", Shown(t.Filter(filters, {}, true)));
    filters[0].Patterns = {"nothing"};
    EXPECT_EQ("+-----", Shown(t.Filter(filters, {false, true, false}, true))) << "the desktop stays";

    auto visible = t.Filter(filters, {}, true);
    EXPECT_TRUE(HiddenInTree(t.rows, visible, 2)) << "a hidden row hides its subtree";
    EXPECT_FALSE(HiddenInTree(t.rows, visible, 0));
}

TEST(ListSearch, ProcessListFilterTestsOnlyItsKind) {
    Tree t;
    auto p1 = t.Add({}, 1, "explorer.exe");
    t.Add(p1, 2, "thread");
    auto p2 = t.Add({}, 1, "notepad.exe");
    t.Add(p2, 2, "thread");
    t.Add(p2, 0, "Notepad");
    TListFilters filters;
    filters[1].Patterns = {"note*"};
    filters[2].Patterns = {"nothing"};
    EXPECT_EQ("-++++", Shown(t.Filter(filters, {}, false)));
    EXPECT_EQ("--+-+", Shown(t.Filter(filters, {false, true, false}, false))) << "a window has no patterns";
    TListFilters none;
    EXPECT_EQ("+++++", Shown(t.Filter(none, {false, true, false}, false)));
}

TEST(ListSearch, SearchStartDirectionAndNotFound) {
    // Rows 1, 4 and 6 match.
    auto accept = [](std::size_t row) { return row == 1 || row == 4 || row == 6; };
    struct Case {
        bool fromBegin, forward;
        std::optional<std::size_t> focused, found;
    } const cases[] = {
        {true, true, {}, 1},   {true, true, 5, 1}, // "Begin" ignores the focus
        {true, false, {}, 6},  {false, true, 1, 4},
        {false, true, 4, 6},   {false, true, 6, {}}, // no wrapping round
        {false, false, 6, 4},  {false, false, 4, 1},
        {false, false, 1, {}}, {false, true, {}, {}}, // current position without a focused row
        {false, true, 7, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.found, FindRow(8, {c.fromBegin, c.forward, c.focused}, accept))
            << c.fromBegin << c.forward << testing::PrintToString(c.focused);
    EXPECT_EQ(std::nullopt, FindRow(0, {}, accept));
}

TEST(ListSearch, SearchSkipsFilteredRows) {
    Tree t;
    auto desktop = t.Add({}, 0, "Desktop");
    auto a = t.Add(desktop, 0, "Hidden");
    t.Add(a, 0, "Edit"); // below a hidden row
    auto b = t.Add(desktop, 0, "Shown");
    t.Add(b, 0, "Edit");
    TListFilters filters;
    filters[0].Patterns = {"Shown"};
    auto visible = t.Filter(filters, {}, true);
    auto accept = [&](std::size_t row) {
        return !HiddenInTree(t.rows, visible, row) &&
               NodeMatches([&](std::size_t) { return t.names[row]; }, {"edit"}, true, false);
    };
    EXPECT_EQ(std::optional<std::size_t>(4), FindRow(t.rows.size(), {}, accept));
}
