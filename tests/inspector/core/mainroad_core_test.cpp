#include "core/MainFormRules.h"
#include "core/TreeRemoval.h"
#include "core/WindowAtPoint.h"
#include <gtest/gtest.h>

using namespace core;

TEST(WindowAtPoint, SmallestContainingBoxWinsAndTiesGoToTheFirst) {
    const std::vector<LayoutRect> boxes = {
        {0, 0, 100, 100},  // 0: the large panel
        {10, 10, 50, 50},  // 1: a button inside it
        {10, 10, 30, 30},  // 2: a hidden label over the button: takes part all the same
        {20, 20, 40, 40},  // 3: same width plus height as 2, visited later
        {200, 0, 210, 10}, // 4: elsewhere
        {60, 60, 60, 90},  // 5: empty width
    };
    struct Case {
        int x, y, expected;
    } const cases[] = {
        {5, 5, 0},   {15, 15, 2}, {25, 25, 2},  {35, 35, 3}, {45, 45, 1}, {30, 30, 3}, {29, 29, 2},
        {50, 50, 0}, {99, 99, 0}, {100, 5, -1}, {-1, 5, -1}, {205, 5, 4}, {60, 70, 0}, // the empty box never
                                                                                       // holds a point
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, SmallestBoxAt(boxes, c.x, c.y)) << c.x << "," << c.y;
    EXPECT_EQ(-1, SmallestBoxAt({}, 0, 0));
    // Width plus height, not area: a long thin strip beats a small square of greater perimeter.
    const std::vector<LayoutRect> shapes = {{0, 0, 30, 30}, {0, 0, 100, 1}};
    EXPECT_EQ(0, SmallestBoxAt(shapes, 0, 0));
    // Negative coordinates (a second monitor left of the first) count like any other.
    const std::vector<LayoutRect> left = {{-300, -20, -100, 80}, {-250, 0, -200, 40}};
    EXPECT_EQ(1, SmallestBoxAt(left, -220, 10));
}

TEST(MainFormRules, TagsOpenTheirFormsAndNothingElse) {
    struct Case {
        int tag;
        ChildFormKind kind;
    } const cases[] = {
        {0, ChildFormKind::WindowList}, {1, ChildFormKind::ProcessList}, {2, ChildFormKind::ThreadList},
        {3, ChildFormKind::ModuleList}, {4, ChildFormKind::ServiceList}, {101, ChildFormKind::WindowSearch},
        {5, ChildFormKind::None},       {-1, ChildFormKind::None},       {100, ChildFormKind::None},
        {102, ChildFormKind::None},
    };
    for (const Case& c : cases) EXPECT_EQ(c.kind, ChildFormForTag(c.tag)) << c.tag;
}

TEST(MainFormRules, HeightIsNeverDraggedAndADockedBarNotAtAll) {
    const int htClient = 1, htCaption = 2, htSysMenu = 3, htMinButton = 8;
    struct Case {
        int code, floating, docked;
    } const cases[] = {
        {htTop, htBorder, htBorder},
        {htBottom, htBorder, htBorder},
        {htLeft, htLeft, htBorder},
        {htRight, htRight, htBorder},
        {htTopLeft, htTopLeft, htBorder},
        {htTopRight, htTopRight, htBorder},
        {htBottomLeft, htBottomLeft, htBorder},
        {htBottomRight, htBottomRight, htBorder},
        {htGrowBox, htGrowBox, htBorder},
        {htClient, htClient, htClient},
        {htCaption, htCaption, htCaption},
        {htSysMenu, htSysMenu, htSysMenu},
        {htMinButton, htMinButton, htMinButton},
        {htBorder, htBorder, htBorder},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.floating, MainFormHitTest(c.code, false)) << c.code;
        EXPECT_EQ(c.docked, MainFormHitTest(c.code, true)) << c.code;
    }
}

TEST(MainFormRules, StatusPanelsNameTheKindAndCountInDecimal) {
    EXPECT_EQ("Windows: 0", StatusPanelText("Windows", 0));
    EXPECT_EQ("Processes: 1234567", StatusPanelText("Processes", 1234567));
    EXPECT_EQ("Threads: -1", StatusPanelText("Threads", -1));
}

namespace {
enum Kind { Window, Process, Thread, Module };
struct Row {
    Kind kind;
    int key;
};
using Model = TreeModel<Row>;
Model::Node* Add(Model& m, Model::Node* parent, Kind kind, int key) {
    auto* node = m.addChild(parent);
    node->data = {kind, key};
    return node;
}
int Count(const Model& m, Kind kind) {
    int n = 0;
    m.forEach([&](const Model::Node& node) { n += node.data.kind == kind; });
    return n;
}
} // namespace

TEST(TerminateRemoval, ModuleListLosesTheProcessEverywhereAndModulesOnlyItUsed) {
    Model m;
    auto* kernel = Add(m, nullptr, Module, 1);
    Add(m, kernel, Process, 10);
    Add(m, kernel, Process, 20);
    Add(m, kernel, Process, 30);
    auto* own = Add(m, nullptr, Module, 2); // used only by process 20
    Add(m, own, Process, 20);
    auto* shared = Add(m, nullptr, Module, 3);
    Add(m, shared, Process, 20);
    Add(m, shared, Process, 30);
    auto* last = Add(m, nullptr, Module, 4); // only process 20, as the very last row
    Add(m, last, Process, 20);

    int removed = RemoveRowsAndLoneParents(m, [](const Row& r) { return r.kind == Process && r.key == 20; });
    EXPECT_EQ(4, removed);
    EXPECT_EQ(2, Count(m, Module));
    EXPECT_EQ(int(m.roots().size()), Count(m, Module)) << "the module count equals the module rows left";
    EXPECT_EQ(3, Count(m, Process));
    EXPECT_EQ(5u, m.size());
    std::vector<int> keys;
    m.forEach([&](const Model::Node& n) { keys.push_back(n.data.key); });
    EXPECT_EQ((std::vector<int>{1, 10, 30, 3, 30}), keys);

    EXPECT_EQ(0, RemoveRowsAndLoneParents(m, [](const Row& r) { return r.kind == Process && r.key == 99; }));
    EXPECT_EQ(5u, m.size());
}

TEST(TerminateRemoval, ProcessListLowersEveryCounterByTheRowsThatWent) {
    Model m;
    auto* p1 = Add(m, nullptr, Process, 1);
    auto* t1 = Add(m, p1, Thread, 11);
    Add(m, t1, Window, 111);
    auto* w = Add(m, t1, Window, 112);
    Add(m, w, Window, 113); // a child window of the thread's window
    Add(m, p1, Thread, 12);
    auto* p2 = Add(m, nullptr, Process, 2);
    Add(m, p2, Thread, 21);
    std::array<int, 4> counters{3, 2, 3, 0}; // windows, processes, threads, modules as filled

    RemoveCountedSubtree(m, p1, counters, [](const Row& r) { return int(r.kind); });
    EXPECT_EQ((std::array<int, 4>{0, 1, 1, 0}), counters);
    EXPECT_EQ(2u, m.size());
    ASSERT_EQ(1u, m.roots().size());
    EXPECT_EQ(2, m.roots()[0]->data.key);
}
