#include "core/CaptionLayout.h"
#include "core/TaskbarLayout.h"
#include "core/WindowArrangement.h"
#include <gtest/gtest.h>
#include <vector>

using namespace core;

TEST(TaskbarLayout, ButtonWidthsShareTheBar) {
    struct Case {
        int barWidth, count, buttonWidth;
        bool autoSize;
        int expected;
    } const cases[] = {
        {400, 3, 120, true, 120}, // 392 / 3 = 130.7 -> 131 - 1, capped at ButtonWidth
        {400, 10, 120, true, 38}, // 39.2 -> 39 - 1
        {400, 10, 120, false, 120}, {18, 4, 120, true, 1}, // 2.5 -> 2 (even) - 1
        {22, 4, 120, true, 3},                             // 3.5 -> 4 (even) - 1
        {13, 2, 120, true, 1},                             // 2.5 -> 2 - 1
        {15, 2, 120, true, 3},                             // 3.5 -> 4 - 1
        {400, 1000, 120, true, 1},                         // 0.4 -> 0 - 1, never below 1
        {4, 3, 120, true, 1},                              // narrower than its borders
        {0, 0, 120, true, 120},     {400, 2, 0, true, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, TaskButtonWidth(c.barWidth, c.count, c.buttonWidth, c.autoSize))
            << c.barWidth << " px, " << c.count << " buttons";
    EXPECT_EQ(1, TaskButtonLeft(0, 120));
    EXPECT_EQ(243, TaskButtonLeft(2, 120));
    EXPECT_EQ(3, TaskButtonTop(32, 22));
    EXPECT_EQ(2, TaskButtonTop(32, 24));
    EXPECT_EQ(-2, TaskButtonTop(2, 3)); // truncated toward zero
}

TEST(TaskbarLayout, RoundHalfEvenOnExactQuotients) {
    struct Case {
        int a, b, expected;
    } const cases[] = {{5, 2, 2},   {7, 2, 4},  {9, 2, 4},  {-5, 2, -2}, {-7, 2, -4}, {-4, 3, -1},
                       {-5, 3, -2}, {10, 4, 2}, {14, 4, 4}, {0, 7, 0},   {6, 4, 2}};
    for (const auto& c : cases) EXPECT_EQ(c.expected, RoundHalfEven(c.a, c.b)) << c.a << "/" << c.b;
}

TEST(FormNumbers, SmallestFreeNumberReusesGaps) {
    struct Case {
        std::vector<int> used;
        int expected;
    } const cases[] = {
        {{}, 1},        {{1, 2, 3, 4, 5}, 6}, {{1, 3, 4, 5}, 2}, // number 2 closed: the next is 2
        {{3, 2, 1}, 4},                                          // opened in that order after closes
        {{2, 2, 3}, 1}, {{1, 1, 2}, 3},       {{0, -1, 1}, 2},   // forms that were never numbered carry 0
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, SmallestFreeNumber(c.used));
}

namespace {
const CaptionMetrics metrics{4, 18, 18}; // frame 4, buttons 18 x 18
const CaptionButtonSet all = allCaptionButtons;
CaptionButtonSet Set(std::initializer_list<CaptionButtonKind> kinds) {
    CaptionButtonSet set = 0;
    for (auto k : kinds) set |= ButtonBit(k);
    return set;
}
} // namespace

TEST(CaptionLayout, ButtonsLineUpFromTheRightWithGapsAroundCloseAndHelp) {
    // Window 200 wide: close's right edge at 200 - 6 = 194, each button 16 wide, 18 - 2 apart.
    struct Case {
        const char* name;
        CaptionButtonSet shown;
        LayoutRect help, minimize, maximize, close;
    } const cases[] = {
        {"all four", all, {126, 6, 142, 20}, {144, 6, 160, 20}, {160, 6, 176, 20}, {178, 6, 194, 20}},
        {"no maximize",
         Set({cbHelp, cbMinimize, cbClose}),
         {142, 6, 158, 20},
         {160, 6, 176, 20},
         {},
         {178, 6, 194, 20}},
        {"dialog: help and close", Set({cbHelp, cbClose}), {160, 6, 176, 20}, {}, {}, {178, 6, 194, 20}},
        {"close only", Set({cbClose}), {}, {}, {}, {178, 6, 194, 20}},
        {"minimize and maximize",
         Set({cbMinimize, cbMaximize}),
         {},
         {162, 6, 178, 20},
         {178, 6, 194, 20},
         {}},
        {"help alone", Set({cbHelp}), {178, 6, 194, 20}, {}, {}, {}},
        {"none", 0, {}, {}, {}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.help, CaptionButtonRect(cbHelp, c.shown, 200, metrics)) << c.name;
        EXPECT_EQ(c.minimize, CaptionButtonRect(cbMinimize, c.shown, 200, metrics)) << c.name;
        EXPECT_EQ(c.maximize, CaptionButtonRect(cbMaximize, c.shown, 200, metrics)) << c.name;
        EXPECT_EQ(c.close, CaptionButtonRect(cbClose, c.shown, 200, metrics)) << c.name;
    }
}

TEST(CaptionLayout, HitTestFindsTheShownButtonOnly) {
    struct Case {
        int x, y;
        CaptionButtonSet shown;
        uint8_t expected;
    } const cases[] = {
        {178, 6, all, cbClose},
        {193, 19, all, cbClose},
        {194, 10, all, noCaptionButton},
        {177, 10, all, noCaptionButton}, // the gap before close
        {175, 10, all, cbMaximize},
        {150, 10, all, cbMinimize},
        {130, 10, all, cbHelp},
        {142, 10, all, noCaptionButton}, // the gap after help
        {125, 10, all, noCaptionButton},
        {180, 5, all, noCaptionButton},
        {180, 20, all, noCaptionButton},
        {165, 10, Set({cbHelp, cbMinimize, cbClose}), cbMinimize}, // moved into maximize's place
        {180, 10, Set({cbHelp}), cbHelp},
        {180, 10, 0, noCaptionButton},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, CaptionButtonAt(c.x, c.y, c.shown, 200, metrics)) << c.x << "," << c.y;
}

TEST(CaptionLayout, DisabledButtonsTakeNoPlaceWhenHidden) {
    CaptionButtonSet enabled = Set({cbMinimize, cbClose});
    EXPECT_EQ(all, ShownCaptionButtons(all, enabled, false));
    EXPECT_EQ(enabled, ShownCaptionButtons(all, enabled, true));
    EXPECT_EQ(Set({cbClose}), ShownCaptionButtons(Set({cbHelp, cbClose}), enabled, true));
    CaptionButtonSet shown = ShownCaptionButtons(all, enabled, true);
    EXPECT_EQ((LayoutRect{160, 6, 176, 20}), CaptionButtonRect(cbMinimize, shown, 200, metrics));
}

TEST(CaptionLayout, GradientRunsFromStartToEndColour) {
    const uint32_t black = 0, yellow = 64250, white = 0xFFFFFF;
    EXPECT_EQ(black, GradientColor(black, yellow, 0, 100));
    EXPECT_EQ(yellow, GradientColor(black, yellow, 100, 100));
    EXPECT_EQ(0x007D7Du, GradientColor(black, yellow, 50, 100)); // 125 in red and green
    EXPECT_EQ(0x000101u, GradientColor(black, yellow, 1, 200));  // 1.25 rounds to 1
    EXPECT_EQ(0x000202u, GradientColor(black, yellow, 3, 400));  // 1.875 -> 2
    EXPECT_EQ(0x7F7F7Fu, GradientColor(white, black, 1, 2));     // 255 - 127.5 -> 255 - 128 (away from 0)
    EXPECT_EQ(0x123456u, GradientColor(0x123456, 0x123456, 7, 9));
    EXPECT_EQ(0x00FF00u, GradientColor(0x00FF00, 0x0000FF, 0, 0)); // no width: the start colour
}

TEST(CaptionLayout, MulDivRoundsHalvesAwayFromZero) {
    struct Case {
        int a, b, c, expected;
    } const cases[] = {{1, 1, 2, 1},  {-1, 1, 2, -1}, {3, 1, 4, 1},
                       {1, 1, 4, 0},  {5, -3, 2, -8}, {7, 3, -2, -11},
                       {2, 3, 0, -1}, {0, 5, 3, 0},   {1 << 20, 1 << 20, 1 << 20, 1 << 20}};
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, MulDiv(c.a, c.b, c.c)) << c.a << "*" << c.b << "/" << c.c;
}

TEST(WindowArrangement, CascadeStepsAndStartsAgainAtTheCorner) {
    LayoutRect area{0, 30, 800, 630}; // 800 x 600 below a 30-pixel bar
    auto rects = CascadeRects(area, 5, 50);
    ASSERT_EQ(5u, rects.size());
    EXPECT_EQ((LayoutRect{0, 30, 600, 480}), rects[0]);
    EXPECT_EQ((LayoutRect{50, 80, 650, 530}), rects[1]);
    EXPECT_EQ((LayoutRect{100, 130, 700, 580}), rects[2]);
    EXPECT_EQ((LayoutRect{150, 180, 750, 630}), rects[3]); // still inside
    EXPECT_EQ(rects[0], rects[4]);                         // would leave the area
    EXPECT_TRUE(CascadeRects(area, 0, 50).empty());
    for (const auto& r : CascadeRects({0, 0, 2, 2}, 3, 0)) EXPECT_FALSE(r.empty());
}

TEST(WindowArrangement, TilingSharesTheAreaWithoutGaps) {
    LayoutRect area{10, 20, 910, 620}; // 900 x 600
    struct Case {
        int count;
        TileMode mode;
        std::vector<LayoutRect> expected;
    } const cases[] = {
        {1, TileMode::Horizontal, {{10, 20, 910, 620}}},
        {3, TileMode::Horizontal, {{10, 20, 910, 220}, {10, 220, 910, 420}, {10, 420, 910, 620}}},
        {3, TileMode::Vertical, {{10, 20, 310, 620}, {310, 20, 610, 620}, {610, 20, 910, 620}}},
        {4,
         TileMode::Horizontal,
         {{10, 20, 460, 320}, {10, 320, 460, 620}, {460, 20, 910, 320}, {460, 320, 910, 620}}},
        {5,
         TileMode::Horizontal, // the later column takes the extra window
         {{10, 20, 460, 320},
          {10, 320, 460, 620},
          {460, 20, 910, 220},
          {460, 220, 910, 420},
          {460, 420, 910, 620}}},
        {5,
         TileMode::Vertical,
         {{10, 20, 460, 320},
          {460, 20, 910, 320},
          {10, 320, 310, 620},
          {310, 320, 610, 620},
          {610, 320, 910, 620}}},
        {0, TileMode::Vertical, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, TileRects(area, c.count, c.mode)) << c.count;
    // Many windows still cover the area exactly once.
    auto many = TileRects(area, 17, TileMode::Vertical);
    ASSERT_EQ(17u, many.size());
    long covered = 0;
    for (const auto& r : many) {
        EXPECT_FALSE(r.empty());
        covered += long(r.right - r.left) * (r.bottom - r.top);
    }
    EXPECT_EQ(900L * 600, covered);
}
