#include "ListWorker.h"
#include "core/HintText.h"
#include "core/NumberFormat.h"
#include "framework/Application.h"
#include "support/Cursor.h"
#include "support/ListFakes.h"
#include <gtest/gtest.h>
#include <set>

namespace {
using Node = TOstrelTreeview::Node;

uint32_t Key(const Node& node) {
    std::int64_t value = 0;
    node.data.KeyValue().toInt64(value);
    return uint32_t(value);
}

void Settle(DWORD ms = 50) {
    PumpUntil([] { return false; }, ms);
}

// A tree of TestInfo rows on a shown list window, filled by hand.
struct HandTree {
    HandTree() : window(ltWindows, {ltWindows}, lists) {
        for (int i = 0; i < 2; ++i) {
            tree().AddColumn({});
            tree().KindSettings(i) = columns.columns[i];
        }
        window.show(SW_SHOWNOACTIVATE);
    }
    TOstrelTreeview& tree() { return window.Tree; }
    Node* Add(Node* parent, uint32_t key, const std::string& name) {
        Node* node = tree().AddChild(parent);
        TestInfo info(ltWindows);
        info.Key = fw::Value::UInt32(key);
        info.Name = name;
        node->data.Kind = ltWindows;
        BuildNodeData(tree().AllKindSettings(), info, node->data);
        return node;
    }
    void Key(WPARAM key) {
        PostMessageA(tree().handle(), WM_KEYDOWN, key, 0);
        Settle();
    }
    TColumnSettingLists lists;
    TestColumns columns;
    TestListWindow window;
};

} // namespace

TEST(Treeview, ExpandsAndCollapsesByKeysAndGlyphClicks) {
    HandTree t;
    Node* root = t.Add(nullptr, 1, "root");
    Node* child = t.Add(root, 2, "child");
    t.Add(child, 3, "grandchild");
    t.Add(root, 4, "second");
    t.Add(nullptr, 5, "other");
    t.tree().Refresh();
    t.tree().FocusNode(root);
    HWND list = t.tree().handle();
    EXPECT_EQ(2, t.tree().VisibleRowCount());
    EXPECT_EQ("$00000001", ListViewItemText(list, 0, 0));
    EXPECT_EQ("other", ListViewItemText(list, 1, 1));

    struct Step {
        WPARAM key;
        int rows;
        Node* focused;
    } const steps[] = {
        {VK_ADD, 4, root},      {VK_SUBTRACT, 2, root},  {VK_RIGHT, 4, root}, {VK_RIGHT, 4, child},
        {VK_RIGHT, 5, child},   {VK_LEFT, 4, child},     {VK_LEFT, 4, root},  {VK_LEFT, 2, root},
        {VK_OEM_PLUS, 4, root}, {VK_OEM_MINUS, 2, root},
    };
    for (const auto& s : steps) {
        t.Key(s.key);
        EXPECT_EQ(s.rows, t.tree().VisibleRowCount()) << "key " << s.key;
        EXPECT_EQ(s.focused, t.tree().FocusedNode()) << "key " << s.key;
    }

    // The glyph sits in the indent of the first shown column.
    RECT row{};
    ListView_GetItemRect(list, 0, &row, LVIR_BOUNDS);
    LPARAM glyph = MAKELPARAM(row.left + 2 + 4, (row.top + row.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, glyph);
    PostMessageA(list, WM_LBUTTONUP, 0, glyph);
    Settle();
    EXPECT_TRUE(root->expanded);
    EXPECT_EQ(4, t.tree().VisibleRowCount());
    LPARAM text = MAKELPARAM(row.left + 80, (row.top + row.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, text);
    PostMessageA(list, WM_LBUTTONUP, 0, text);
    Settle();
    EXPECT_TRUE(root->expanded) << "a click beside the glyph only selects";
}

TEST(Treeview, HeaderClicksSortWithArrowsAndDraggedColumnsCarryTheTree) {
    HandTree t;
    for (auto [key, name] : std::vector<std::pair<uint32_t, const char*>>{{30, "b"}, {10, "c"}, {20, "a"}})
        t.Add(nullptr, key, name);
    t.tree().Refresh();
    HWND list = t.tree().handle();
    HWND header = ListView_GetHeader(list);
    auto format = [&](int column) {
        HDITEMA item{};
        item.mask = HDI_FORMAT;
        SendMessageA(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item));
        return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
    };
    auto keys = [&] {
        std::string text;
        for (int i = 0; i < t.tree().VisibleRowCount(); ++i)
            text += std::to_string(Key(*t.tree().VisibleRow(i))) + " ";
        return text;
    };
    struct Click {
        int column;
        const char* order;
        TSortDirection direction;
        int arrow;
    } const clicks[] = {
        {0, "10 20 30 ", sdDescending, HDF_SORTUP},
        {0, "30 20 10 ", sdAscending, HDF_SORTDOWN},
        {1, "20 30 10 ", sdDescending, HDF_SORTUP}, // by name: a, b, c
    };
    for (const auto& c : clicks) {
        NMLISTVIEW click{};
        click.hdr = {list, UINT_PTR(GetDlgCtrlID(list)), UINT(LVN_COLUMNCLICK)};
        click.iItem = -1;
        click.iSubItem = c.column;
        SendMessageA(t.window.handle(), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
        EXPECT_EQ(c.order, keys()) << c.column;
        EXPECT_EQ(c.direction, t.tree().SortDirection());
        EXPECT_EQ(c.arrow, format(c.column));
        EXPECT_EQ(0, format(1 - c.column));
    }
    // The captions follow the focused row's kind; the arrow stays with the sorted column.
    t.tree().SetColumnCaption(1, "Other");
    t.tree().SetColumnCaption(0, "Handle");
    EXPECT_EQ(HDF_SORTUP, format(1));
    EXPECT_EQ(0, format(0));
    char caption[32] = {};
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT;
    column.pszText = caption;
    column.cchTextMax = sizeof caption;
    ListView_GetColumn(list, 1, &column);
    EXPECT_STREQ("Other", caption);

    Node* first = t.tree().VisibleRow(0);
    EXPECT_EQ(0, t.tree().MainColumn());
    EXPECT_EQ(int(ltWindows), t.tree().ImageIndex(*first, 0));
    int order[] = {1, 0};
    ListView_SetColumnOrderArray(list, 2, order);
    EXPECT_EQ(1, t.tree().MainColumn());
    EXPECT_EQ(-1, t.tree().ImageIndex(*first, 0));
    EXPECT_EQ(int(ltWindows), t.tree().ImageIndex(*first, 1));
}

TEST(Treeview, HintsOfTruncatedCellsInATooltipOfItsOwn) {
    HandTree t;
    std::string words;
    while (words.size() < 250) words += "word ";
    words.resize(250);
    t.Add(nullptr, 1, words);
    t.tree().Refresh();
    HWND list = t.tree().handle();
    ListView_SetColumnWidth(list, 0, 200);
    ListView_SetColumnWidth(list, 1, 60);
    Node* node = t.tree().VisibleRow(0);
    EXPECT_EQ("", t.tree().Hint(*node, 0)) << "a text that fits has no hint";
    std::string hint = t.tree().Hint(*node, 1);
    EXPECT_EQ(core::SplitHintText(words), hint);

    HWND tooltip = t.tree().HintWindow();
    ASSERT_NE(nullptr, tooltip);
    RECT row{};
    ListView_GetItemRect(list, 0, &row, LVIR_BOUNDS);
    // The mouse itself goes there, and the list hears of it as from the mouse: it tracks the mouse and
    // hides its hint as soon as the real cursor stands elsewhere.
    SetWindowPos(t.window.handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    POINT before{};
    GetCursorPos(&before);
    auto pointTo = [&](int x) {
        POINT at{row.left + x, (row.top + row.bottom) / 2};
        POINT screen = at;
        ClientToScreen(list, &screen);
        EXPECT_TRUE(MoveCursorTo(screen)) << "the cursor stays at " << x;
    };
    pointTo(230);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(tooltip) != FALSE; }, 5000));
    // With every core busy the hint once still showed 5 s after the cursor came here, a move the list may
    // not have heard of: the cursor then moves on a pixel, and the next move it hears of must hide the hint.
    bool hidden = false;
    for (int x = 20; x < 23 && !hidden; ++x) {
        pointTo(x);
        hidden = PumpUntil([&] { return !IsWindowVisible(tooltip); }, 3000);
    }
    EXPECT_TRUE(hidden) << "the fitting cell hides it";
    SetCursorPos(before.x, before.y);
}

TEST(Treeview, BusyDisplayCountsDotsAndShowsNoRows) {
    HandTree t;
    t.Add(nullptr, 1, "row");
    t.tree().Refresh();
    EXPECT_EQ(1, ListView_GetItemCount(t.tree().handle()));
    t.tree().Clear();
    t.tree().BeginSearchDisplay();
    EXPECT_EQ(0, ListView_GetItemCount(t.tree().handle()));
    t.Add(nullptr, 2, "added while busy");
    const int first = t.tree().SearchDots();
    EXPECT_TRUE(PumpUntil([&] { return t.tree().SearchDots() != first; }, 3000))
        << "the timer moves the dots";
    // One dot a tick, round after three. The ticks are given here: a loaded machine may run two between
    // two looks at the dots.
    for (int tick = 0; tick < 6; ++tick) {
        const int before = t.tree().SearchDots();
        SendMessageA(t.tree().handle(), WM_TIMER, TOstrelTreeview::searchTimerId, 0);
        EXPECT_EQ((before + 1) % 4, t.tree().SearchDots()) << "tick " << tick;
    }
    EXPECT_EQ(0, ListView_GetItemCount(t.tree().handle()));
    t.tree().EndSearchDisplay();
    EXPECT_EQ(1, t.tree().VisibleRowCount()) << "ending keeps the rows";
    t.tree().BeginSearchDisplay();
    t.tree().CancelSearchDisplay();
    EXPECT_EQ(0, t.tree().VisibleRowCount()) << "cancelling removes them";
    EXPECT_EQ(0u, t.tree().Rows().size());
}

TEST(Treeview, AHundredThousandRowsStayWorkable) {
    HandTree t;
    for (uint32_t i = 0; i < 1000; ++i) {
        Node* root = t.Add(nullptr, (i * 7919) % 1000, "root " + std::to_string(i));
        for (uint32_t j = 0; j < 99; ++j) t.Add(root, (j * 31) % 99, "child");
    }
    t.tree().Refresh();
    EXPECT_EQ(100000u, t.tree().Rows().size());
    t.tree().HeaderClick(0);
    for (const auto& root : t.tree().Rows().roots()) root->expanded = true;
    t.tree().Refresh();
    EXPECT_EQ(100000, t.tree().VisibleRowCount());
    HWND list = t.tree().handle();
    ListView_EnsureVisible(list, 99999, FALSE);
    UpdateWindow(list);
    EXPECT_EQ("$00000062", ListViewItemText(list, 99999, 0)) << "the last child of the last root: 98";
    EXPECT_EQ("$000003E7", ListViewItemText(list, 99900, 0)) << "the largest root comes last";
}

TEST(Treeview, RealWindowListFillsEndToEnd) {
    fw::application().initialize(GetModuleHandleA(nullptr));
    HWND parent = CreateWindowExA(0, "STATIC", "OstrelFillParent", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                  nullptr, nullptr);
    for (const char* text : {"one", "two", "three"})
        CreateWindowExA(0, "STATIC", text, WS_CHILD, 0, 0, 10, 10, parent, nullptr, nullptr, nullptr);
    TestSlots slots;
    TColumnSettingLists lists = DefaultColumnLists();
    TestListWindow window(ltWindows, {ltWindows}, lists);
    window.Refresh(SystemSources(), slots.slots());
    ASSERT_TRUE(PumpUntil([&] { return window.Ended(); }));
    ASSERT_EQ(std::vector<WPARAM>{0}, window.Ends);
    TOstrelTreeview& tree = window.Tree;
    ASSERT_EQ(1u, tree.Rows().roots().size());
    const Node& desktop = *tree.Rows().roots().front();
    EXPECT_EQ(uint32_t(reinterpret_cast<UINT_PTR>(GetDesktopWindow())), Key(desktop));
    EXPECT_EQ(size_t(window.Counters[ltWindows]), tree.Rows().size());
    std::set<uint32_t> keys;
    tree.Rows().forEach([&](const Node& node) { EXPECT_TRUE(keys.insert(Key(node)).second) << Key(node); });
    const Node* ours = nullptr;
    for (const auto& top : desktop.children)
        if (Key(*top) == uint32_t(reinterpret_cast<UINT_PTR>(parent))) ours = top.get();
    ASSERT_NE(nullptr, ours);
    ASSERT_EQ(3u, ours->children.size());
    EXPECT_EQ("OstrelFillParent", tree.Text(*ours, 1));
    EXPECT_EQ("Static", tree.Text(*ours, 2));
    std::set<std::string> texts;
    for (const auto& child : ours->children) texts.insert(tree.Text(*child, 1));
    EXPECT_EQ((std::set<std::string>{"one", "two", "three"}), texts);
    for (size_t i = 1; i < desktop.children.size(); ++i)
        EXPECT_LE(Key(*desktop.children[i - 1]), Key(*desktop.children[i])) << "sorted by handle";
    EXPECT_EQ(FormatNumber(Key(desktop)), ListViewItemText(tree.handle(), 0, 0));
    DestroyWindow(parent);
}

TEST(Treeview, RealModuleListFillsEndToEnd) {
    TestSlots slots;
    TColumnSettingLists lists = DefaultColumnLists();
    TestListWindow window(ltModules, {ltModules, ltProcesses}, lists);
    window.Refresh(SystemSources(), slots.slots());
    ASSERT_TRUE(PumpUntil([&] { return window.Ended(); }, 60000));
    ASSERT_EQ(std::vector<WPARAM>{0}, window.Ends);
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string own = LongPath(path);
    int found = 0;
    std::set<std::string> paths;
    for (const auto& module : window.Tree.Rows().roots()) {
        std::string key = module->data.KeyValue().toText();
        std::string upper = key;
        CharUpperA(upper.data());
        EXPECT_TRUE(paths.insert(upper).second) << "once: " << key;
        if (lstrcmpiA(key.c_str(), own.c_str()) != 0) continue;
        ++found;
        ASSERT_EQ(1u, module->children.size());
        EXPECT_EQ(GetCurrentProcessId(), Key(*module->children.front()));
        EXPECT_EQ(ltProcesses, module->children.front()->data.Kind);
    }
    EXPECT_EQ(1, found) << own;
    EXPECT_EQ(int(window.Tree.Rows().roots().size()), window.Counters[ltModules]);
    EXPECT_GE(window.Counters[ltProcesses], 1);
}

TEST(Treeview, RealProcessAndServiceListsFill) {
    struct Case {
        TListTypes kind;
        std::vector<TListTypes> kinds;
    } const cases[] = {{ltProcesses, {ltProcesses, ltThreads, ltWindows}}, {ltServices, {ltServices}}};
    for (const auto& c : cases) {
        TestSlots slots;
        TColumnSettingLists lists = DefaultColumnLists();
        TestListWindow window(c.kind, c.kinds, lists);
        window.Refresh(SystemSources(), slots.slots());
        ASSERT_TRUE(PumpUntil([&] { return window.Ended(); }, 60000)) << c.kind;
        ASSERT_EQ(std::vector<WPARAM>{0}, window.Ends) << c.kind;
        EXPECT_EQ(int(window.Tree.Rows().roots().size()), window.Counters[c.kind]);
        EXPECT_FALSE(window.Tree.Rows().roots().empty()) << c.kind;
        if (c.kind != ltProcesses) continue;
        int own = 0;
        for (const auto& process : window.Tree.Rows().roots()) own += Key(*process) == GetCurrentProcessId();
        EXPECT_EQ(1, own);
    }
}
