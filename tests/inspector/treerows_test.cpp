#include "TreeRows.h"
#include "fakes/FakeWmi.h"
#include "core/NumberFormat.h"
#include "core/TreeModel.h"
#include "support/ListFakes.h"
#include <gtest/gtest.h>

namespace {
TNodeData Row(TestColumns& columns, TListTypes kind, fw::Value key, fw::Value name = {}) {
    TestInfo info(kind);
    info.Key = std::move(key);
    info.Name = std::move(name);
    TNodeData row;
    row.Kind = kind;
    BuildNodeData(columns.columns, info, row);
    return row;
}
} // namespace

TEST(TreeRows, BuildReadsEveryColumnOfTheKindOnceAndFindsTheKeyCell) {
    TestColumns columns;
    columns.columns.push_back({});           // a column with nothing for any kind
    columns.columns[1][ltThreads] = nullptr; // thread rows show nothing in the name column

    TNodeData process = Row(columns, ltProcesses, fw::Value::UInt32(42), "C:\\x\\a.exe");
    ASSERT_EQ(2, process.Count());
    EXPECT_EQ(0, process.KeyCell);
    EXPECT_EQ(fw::Value::UInt32(42), process.KeyValue());
    EXPECT_EQ(&columns.name[ltProcesses], process.Cells[1].Setting);

    TNodeData thread = Row(columns, ltThreads, fw::Value::UInt32(7), "ignored");
    ASSERT_EQ(1, thread.Count());
    EXPECT_EQ(-1, FindCell(thread, &columns.name[ltThreads]));
    EXPECT_EQ("", CellText(thread, columns.columns[1], TreeFormatText));
    EXPECT_EQ("", CellText(thread, columns.columns[2], TreeFormatText));

    TNodeData copy;
    CopyNodeData(process, copy);
    process.Cells[1].Value = "changed";
    EXPECT_EQ(ltProcesses, copy.Kind);
    EXPECT_EQ(fw::Value("C:\\x\\a.exe"), copy.Cells[1].Value);
    EXPECT_EQ(fw::Value::UInt32(42), copy.KeyValue());

    // A record without its property is never read through.
    TColumnSetting orphan;
    orphan.name = "Vanished";
    TPropNodeData cell;
    cell.Value = "stale";
    TestInfo info(ltWindows);
    ReadColumnValue(info, orphan, cell);
    EXPECT_TRUE(cell.Value.isEmpty());
}

TEST(TreeRows, CellTextShowsTextsAsTheyAreAndNumbersThroughTheirFormat) {
    TestColumns columns;
    auto decimal = ColumnFormatter("ThreadCount");
    columns.key[ltProcesses].Formatter = decimal;
    struct Case {
        TListTypes kind;
        fw::Value key, name;
        const char* keyText;
        const char* nameText;
    } const cases[] = {
        {ltWindows, fw::Value::UInt32(0x1234), "C:\\dir\\file.dll", "$00001234", "file.dll"},
        {ltWindows, fw::Value::Int32(-5), "no delimiter", "-5", "no delimiter"},
        {ltWindows, "(Unavailable)", "(None)", "(Unavailable)", "(None)"},
        {ltProcesses, fw::Value::UInt32(0x1234), {}, "4660", ""},
        {ltProcesses, "(Unavailable)", {}, "(Unavailable)", ""}, // a text ignores the formatter
    };
    for (const auto& c : cases) {
        TNodeData row = Row(columns, c.kind, c.key, c.name);
        EXPECT_EQ(c.keyText, CellText(row, columns.columns[0], TreeFormatText)) << c.keyText;
        EXPECT_EQ(c.nameText, CellText(row, columns.columns[1], TreeFormatText)) << c.nameText;
    }
    EXPECT_EQ("4660", TreeFormatText(fw::Value::Int64(4660)));
    EXPECT_EQ("True", CellText(Row(columns, ltWindows, fw::Value::Bool(true)), columns.columns[0], nullptr));
}

TEST(TreeRows, ComparisonOverMixedValues) {
    TestColumns columns;
    auto u = fw::Value::UInt32;
    auto i = fw::Value::Int32;
    struct Case {
        fw::Value a, b;
        int expected; // sign: < 0 row a first in ascending order
    } const cases[] = {
        {u(1), u(2), 1},
        {u(2), u(1), -1},
        {u(5), u(5), 0}, // equal numbers are equal
        {i(-3), i(2), 1},
        {fw::Value::Int64(9), fw::Value::Int64(9), 0},
        {"apple", "Banana", 1},
        {"banana", "APPLE", -1},
        {"same", "SAME", 0},
        {fw::Value::Bool(false), fw::Value::Bool(true), -1}, // other values: smallest first
        {fw::Value::Double(2.5), fw::Value::Double(2.5), 0},
        {fw::Value(), fw::Value(), 0},
    };
    for (const auto& c : cases) {
        TNodeData a = Row(columns, ltWindows, c.a), b = Row(columns, ltWindows, c.b);
        int result = CompareNodes(a, b, columns.columns[0]);
        EXPECT_EQ(c.expected, (result > 0) - (result < 0)) << c.a.toText() << " vs " << c.b.toText();
        int reverse = CompareNodes(b, a, columns.columns[0]);
        EXPECT_EQ(-c.expected, (reverse > 0) - (reverse < 0)) << "antisymmetric: " << c.a.toText();
    }
    // A number beside a placeholder: both compare as texts.
    int mixed = CompareTextNoCase("10", "(Unavailable)");
    TNodeData n = Row(columns, ltWindows, u(10)), p = Row(columns, ltWindows, "(Unavailable)");
    EXPECT_EQ(mixed > 0, CompareNodes(n, p, columns.columns[0]) < 0);
    // Rows of different kinds are not compared.
    EXPECT_EQ(0,
              CompareNodes(Row(columns, ltWindows, u(1)), Row(columns, ltThreads, u(2)), columns.columns[0]));
    // Module paths compare by their file names.
    TNodeData x = Row(columns, ltWindows, {}, "C:\\zzz\\alpha.dll"),
              y = Row(columns, ltWindows, {}, "C:\\aaa\\beta.dll");
    EXPECT_GT(CompareNodes(x, y, columns.columns[1]), 0);
}

TEST(TreeRows, SortingIsStableForEqualValuesAndDescendingShowsSmallestFirst) {
    TestColumns columns;
    core::TreeModel<TNodeData> tree;
    const std::vector<std::pair<uint32_t, const char*>> rows = {{3, "a"}, {1, "b"}, {3, "c"},
                                                                {2, "d"}, {1, "e"}, {3, "f"}};
    for (auto [key, name] : rows) {
        auto* node = tree.addChild(nullptr);
        node->data = Row(columns, ltProcesses, fw::Value::UInt32(key), name);
    }
    auto order = [&] {
        std::string names;
        for (auto* node : tree.flatten()) names += node->data.Cells[1].Value.text();
        return names;
    };
    const TKindSettings& keyColumn = columns.columns[0];
    tree.sort([&](const auto& a, const auto& b) { return CompareNodes(a.data, b.data, keyColumn) > 0; });
    EXPECT_EQ("bedacf", order());
    tree.sort([&](const auto& a, const auto& b) { return CompareNodes(a.data, b.data, keyColumn) < 0; });
    EXPECT_EQ("acfdbe", order());
}

TEST(TreeRows, WmiTimesGivenAsDecimalTextShowAsDurations) {
    // As WMI gives a process: its 64-bit times as decimal OLE strings, its caption as one too.
    auto instance = fake::object({
        {"Handle", fw::Value::WmiText("4242")},
        {"Caption", fw::Value::WmiText("worker.exe")},
        {"KernelModeTime", fw::Value::WmiText("15000000")},
        {"UserModeTime", fw::Value::WmiText("36000000000")},
        {"ThreadCount", fw::Value::UInt32(3)},
    });
    TProcessInfoObject process(instance);
    std::vector<std::unique_ptr<TColumnSetting>> settings;
    std::vector<TKindSettings> columns;
    for (const char* name : {"KernelModeTime", "UserModeTime", "ModuleName"}) {
        auto& setting = settings.emplace_back(std::make_unique<TColumnSetting>());
        setting->name = name;
        setting->Property = FindProperty(PropertyTable(ltProcesses), name);
        setting->Formatter = ColumnFormatter(name);
        ASSERT_NE(nullptr, setting->Property) << name;
        columns.push_back({});
        columns.back()[ltProcesses] = setting.get();
    }
    TNodeData row;
    row.Kind = ltProcesses;
    BuildNodeData(columns, process, row);
    EXPECT_EQ("00:00:01:0500", CellText(row, columns[0], TreeFormatText));
    EXPECT_EQ("01:00:00:0000", CellText(row, columns[1], TreeFormatText));
    EXPECT_EQ("worker.exe", CellText(row, columns[2], TreeFormatText));
}
