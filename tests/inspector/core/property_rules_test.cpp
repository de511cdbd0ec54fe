#include "core/PropertyRules.h"
#include "core/ToolbarCheckbox.h"
#include <gtest/gtest.h>
#include <algorithm>

using namespace core;

namespace {

struct Columns {
    std::vector<ColumnRecord> records;
    std::vector<ColumnRecord*> items() {
        std::vector<ColumnRecord*> p;
        for (auto& r : records) p.push_back(&r);
        return p;
    }
    // Names of the preview's columns, in column order.
    std::string Preview() {
        std::string s;
        for (ColumnRecord* c : BuildPreview(items())) s += (c ? c->name : "?") + " ";
        return s;
    }
};

ColumnRecord Column(std::string name, bool visible, std::uint8_t position) {
    ColumnRecord r;
    r.name = std::move(name);
    r.visible = visible;
    r.position = position;
    return r;
}

} // namespace

TEST(PropertyRules, PreviewPositionsStayDense) {
    Columns c{{Column("Caption", true, 1), Column("ClassName", true, 2), Column("Handle", true, 0),
               Column("Style", false, noColumnPosition)}};
    EXPECT_EQ("Handle Caption ClassName ", c.Preview());

    std::vector<bool> ticks = {false, true, true, false}; // Caption cleared
    EXPECT_FALSE(ApplyColumnTicks(c.items(), ticks, "Handle"));
    EXPECT_EQ(noColumnPosition, c.records[0].position);
    EXPECT_EQ("Handle ClassName ", c.Preview()) << "the rest keep their order";
    EXPECT_EQ(1, c.records[1].position);

    ticks = {false, true, true, true}; // Style ticked: fills the first gap
    EXPECT_FALSE(ApplyColumnTicks(c.items(), ticks, "Handle"));
    EXPECT_EQ("Handle ClassName Style ", c.Preview());
    EXPECT_EQ(2, c.records[3].position);

    ticks = {true, true, true, true};
    ApplyColumnTicks(c.items(), ticks, "Handle");
    EXPECT_EQ("Handle ClassName Style Caption ", c.Preview());

    // Damaged positions: duplicates and positions past the end fill the gaps in list order.
    Columns d{{Column("A", true, 5), Column("B", true, 1), Column("C", true, 1),
               Column("D", true, noColumnPosition)}};
    EXPECT_EQ("A B C D ", d.Preview());
    std::vector<std::uint8_t> positions;
    for (auto& r : d.records) positions.push_back(r.position);
    EXPECT_EQ((std::vector<std::uint8_t>{0, 1, 2, 3}), positions);
}

TEST(PropertyRules, ClearingAColumnKeepsTheOthersInOrder) {
    // List order (by name) differs from column order, and the key column stands in the middle.
    const std::vector<std::string> order = {"Style", "Caption", "Handle", "ClassName", "Rect"};
    for (std::size_t cleared = 0; cleared < order.size(); ++cleared) {
        if (order[cleared] == "Handle") continue;
        SCOPED_TRACE(order[cleared]);
        Columns c;
        for (const char* name : {"Caption", "ClassName", "Handle", "Rect", "Style"}) {
            const auto at = std::find(order.begin(), order.end(), name) - order.begin();
            c.records.push_back(Column(name, true, std::uint8_t(at)));
        }
        std::vector<bool> ticks(c.records.size(), true);
        std::string expected;
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (i == cleared) continue;
            expected += order[i] + " ";
        }
        for (std::size_t i = 0; i < c.records.size(); ++i)
            if (c.records[i].name == order[cleared]) ticks[i] = false;
        EXPECT_FALSE(ApplyColumnTicks(c.items(), ticks, "Handle"));
        EXPECT_EQ(expected, c.Preview());

        // Ticked again, it comes back as the last column.
        ticks.assign(c.records.size(), true);
        ApplyColumnTicks(c.items(), ticks, "Handle");
        EXPECT_EQ(expected + order[cleared] + " ", c.Preview());
    }
}

TEST(PropertyRules, KeyColumnCannotBeCleared) {
    Columns c{{Column("ProcessID", true, 0), Column("Name", true, 1)}};
    std::vector<bool> ticks = {false, false};
    EXPECT_TRUE(ApplyColumnTicks(c.items(), ticks, "ProcessID"));
    EXPECT_EQ((std::vector<bool>{true, false}), ticks);
    EXPECT_TRUE(c.records[0].visible);
    EXPECT_FALSE(c.records[1].visible);
    EXPECT_EQ("ProcessID ", c.Preview());
}

TEST(PropertyRules, WhichSettingsApply) {
    const TGeneralSettings stored{1, 0, 0, 0, true, false, true, true, true, 0x4079};
    using C = TSettingChange;
    auto with = [&](auto change) {
        TGeneralSettings s = stored;
        change(s);
        return SettingChanges(stored, s);
    };
    EXPECT_TRUE(SettingChanges(stored, stored).empty());
    EXPECT_EQ(std::vector{C::HotKey}, with([](auto& s) { s.HotKey = 0x4078; })) << "the combination alone";
    EXPECT_EQ(std::vector{C::HotKey}, with([](auto& s) { s.UseHotKey = false; }));
    EXPECT_EQ(std::vector{C::CodeLanguage}, with([](auto& s) { s.CodeLanguage = 1; }));
    EXPECT_EQ((std::vector{C::IntFormat, C::Style, C::AppBarDocking, C::StayOnTop, C::SaveDesktopIcons,
                           C::Minimization, C::MainFinder, C::HotKey, C::CodeLanguage}),
              with([](auto& s) { s = {2, 1, 2, 1, false, true, false, false, false, 0x2070}; }));
    EXPECT_TRUE(AppliedWhileLoading(C::HotKey));
    EXPECT_FALSE(AppliedWhileLoading(C::IntFormat));
    EXPECT_FALSE(AppliedWhileLoading(C::MainFinder));
}

TEST(PropertyRules, HotKeyValues) {
    struct Case {
        std::uint16_t shortcut, control;
    } const cases[] = {
        {0x4079, 0x0279},        // Ctrl+F10
        {0x2000 | 0x41, 0x0141}, // Shift+A
        {0xE000 | 0x70, 0x0770}, // Alt+Ctrl+Shift+F1
        {0x0000, 0x0000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.control, HotKeyControlValue(c.shortcut));
        EXPECT_EQ(c.shortcut, ShortcutFromHotKeyControl(c.control));
    }
}

TEST(ToolbarCheckbox, StrictHitTest) {
    auto box = CheckboxRect(22, 10, 3); // the list windows' Filter button
    EXPECT_EQ(3, box.Left);
    EXPECT_EQ(13, box.Right);
    EXPECT_EQ(9, box.Top);
    EXPECT_EQ(19, box.Bottom);
    struct Case {
        int x, y;
        bool inside;
    } const cases[] = {{4, 10, true},  {12, 18, true}, {3, 10, false},  {13, 10, false}, {4, 9, false},
                       {4, 19, false}, {8, 14, true},  {20, 14, false}, {8, 2, false}};
    for (const auto& c : cases) EXPECT_EQ(c.inside, InCheckbox(box, c.x, c.y)) << c.x << "," << c.y;
    auto standard = CheckboxRect(30, defaultCheckboxSize, defaultCheckboxSpace);
    EXPECT_EQ(8, standard.Left);
    EXPECT_EQ(9, standard.Top);
}

TEST(ToolbarCheckbox, PressAndRelease) {
    using A = TCheckboxAction;
    TCheckboxMouse m;
    // Press and release inside: one toggle.
    EXPECT_EQ(A::Swallow, m.Press(true, false));
    EXPECT_EQ(A::Toggle, m.Release(true));
    // Press inside, release outside: nothing, and the box stays armed.
    EXPECT_EQ(A::Swallow, m.Press(true, false));
    EXPECT_EQ(A::PassOn, m.Release(false));
    EXPECT_TRUE(m.Pressed());
    EXPECT_EQ(A::Toggle, m.Release(true));
    // ...but a press on the button in between disarms it: the button gets its own release.
    EXPECT_EQ(A::Swallow, m.Press(true, false));
    EXPECT_EQ(A::PassOn, m.Release(false));
    EXPECT_EQ(A::PassOn, m.Press(false, false));
    EXPECT_EQ(A::PassOn, m.Release(true));
    EXPECT_FALSE(m.Pressed());
    // Outside the box the button works as usual.
    EXPECT_EQ(A::PassOn, m.Press(false, false));
    EXPECT_EQ(A::PassOn, m.Release(false));
    // A double click: the first release and the second press toggle, the second release does not.
    EXPECT_EQ(A::Swallow, m.Press(true, false));
    EXPECT_EQ(A::Toggle, m.Release(true));
    EXPECT_EQ(A::Toggle, m.Press(true, true));
    EXPECT_EQ(A::PassOn, m.Release(true));
}
