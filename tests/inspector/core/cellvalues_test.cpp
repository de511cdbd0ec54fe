#include "core/CellValues.h"
#include "core/DisplayFormat.h"
#include "core/TreeModel.h"

#include <gtest/gtest.h>

#include <cctype>

namespace {

using fw::Value;

std::string Folded(std::string_view text) {
    std::string key(text);
    for (char& c : key) c = char(std::tolower(static_cast<unsigned char>(c)));
    return key;
}
int Compare(std::string_view a, std::string_view b) {
    return a < b ? -1 : b < a ? 1 : 0;
}
const core::Collation collation{Folded, Compare};

int CompareCells(const Value& a, const Value& b, bool fileName = false) {
    return core::CompareCellSortKeys(core::MakeCellSortKey(1, &a, fileName, collation),
                                     core::MakeCellSortKey(1, &b, fileName, collation), collation);
}

TEST(CellValues, OnlyEightBitTextsSkipTheColumnFormatter) {
    auto shown = [](const Value& v) { return "shown " + v.toText(); };
    struct Case {
        Value value;
        core::ValueFormatter formatter;
        std::string text;
    } const cases[] = {
        {Value::WmiText("15000000"), FormatDuration, "00:00:01:0500"},
        {Value::WmiText("36000000000"), FormatDuration, "01:00:00:0000"},
        {Value("(Unavailable)"), FormatDuration, "(Unavailable)"},
        {Value("15000000"), FormatDuration, "15000000"},
        {Value::WmiText("1.2.3.4"), FormatVersion, "1.2.3.4"},
        {Value::Int64(15000000), FormatDuration, "00:00:01:0500"},
        {Value::WmiText("7"), VariantToDecimalText, ""}, // decimal formatting takes integers only
        {Value::WmiText("abc"), nullptr, "shown abc"},
        {Value::UInt32(5), nullptr, "shown 5"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.text, core::CellValueText(c.value, c.formatter, shown)) << c.text;
    EXPECT_EQ("abc", core::CellValueText(Value::WmiText("abc"), nullptr, nullptr));
}

TEST(CellValues, OrderRules) {
    struct Case {
        const char* what;
        Value a, b;
        int sign; // of the comparison: negative puts `a` first in ascending order
    } const cases[] = {
        {"greater integer first", Value::UInt32(9), Value::UInt32(2), -1},
        {"equal integers", Value::Int64(-3), Value::Int64(-3), 0},
        {"8-bit texts, letter case ignored", Value("b"), Value("A"), -1},
        {"equal texts", Value("Abc"), Value("aBC"), 0},
        {"WMI texts as texts", Value::WmiText("9"), Value::WmiText("10"), -1},
        {"WMI text against 8-bit text as texts", Value::WmiText("b"), Value("a"), -1},
        {"number against placeholder as texts", Value::UInt32(10), Value("(Unavailable)"), -1},
        {"other values smallest first", Value::Bool(false), Value::Bool(true), -1},
        {"reals smallest first", Value::Double(2.5), Value::Double(1.5), 1},
    };
    for (const auto& c : cases) {
        int order = CompareCells(c.a, c.b);
        EXPECT_EQ(c.sign, order < 0 ? -1 : order > 0 ? 1 : 0) << c.what;
        int reverse = CompareCells(c.b, c.a);
        EXPECT_EQ(-c.sign, reverse < 0 ? -1 : reverse > 0 ? 1 : 0) << c.what << " (reversed)";
    }
    // Module paths go by their file names; a WMI text is never cut.
    EXPECT_LT(CompareCells(Value("C:\\a\\zeta.dll"), Value("C:\\z\\alpha.dll"), true), 0);
    EXPECT_GT(CompareCells(Value::WmiText("C:\\a\\zeta.dll"), Value::WmiText("C:\\z\\alpha.dll"), true), 0);
    // Rows of other kinds, and rows without a cell, are not ordered.
    Value one = Value::UInt32(1), two = Value::UInt32(2);
    EXPECT_EQ(0, core::CompareCellSortKeys(core::MakeCellSortKey(1, &one, false, collation),
                                           core::MakeCellSortKey(2, &two, false, collation), collation));
    EXPECT_EQ(0, core::CompareCellSortKeys(core::MakeCellSortKey(1, &one, false, collation),
                                           core::MakeCellSortKey(1, nullptr, false, collation), collation));
}

TEST(CellValues, KeyedSortOrdersAsComparingTheRowsDoes) {
    const Value values[] = {Value("c"),        Value::UInt32(3), Value("(None)"),  Value("B"),
                            Value::UInt32(12), Value("a"),       Value::UInt32(3), Value::WmiText("b")};
    core::TreeModel<Value> direct, keyed;
    for (const Value& v : values) {
        direct.addChild(nullptr)->data = v;
        keyed.addChild(nullptr)->data = v;
    }
    direct.sort([](const auto& a, const auto& b) { return CompareCells(a.data, b.data) > 0; });
    int keysMade = 0;
    keyed.sortByKey(
        [&](const Value& v) {
            ++keysMade;
            return core::MakeCellSortKey(1, &v, false, collation);
        },
        [](const auto& a, const auto& b) { return core::CompareCellSortKeys(a, b, collation) > 0; });
    EXPECT_EQ(int(std::size(values)), keysMade);
    for (std::size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(direct.roots()[i]->data, keyed.roots()[i]->data) << i;
}

} // namespace
