#include "core/HiddenWindows.h"
#include "core/ToolWindowGeometry.h"
#include <gtest/gtest.h>

using namespace core;

TEST(ToolWindowGeometry, PopupPlacement) {
    const TPointI button{100, 50};
    struct Case {
        TShowDirection direction;
        TPointI expected;
    } const cases[] = {
        {sdBottom, {118 - 172, 68}}, // right edges aligned, below
        {sdTop, {118 - 172, 50 - 78}},
        {sdRight, {118, 50}}, // the button's top-right corner
        {sdLeft, {100 - 172, 50}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, PopupPosition(c.direction, button, 18, 18, 172, 78)) << int(c.direction);
}

TEST(ToolWindowGeometry, ChevronsOfAnEighteenPixelButton) {
    using S = TStroke;
    EXPECT_EQ((std::array<S, 4>{S{{6, 6}, {9, 9}, {13, 5}}, S{{6, 7}, {9, 10}, {13, 6}},
                                S{{6, 10}, {9, 13}, {13, 9}}, S{{6, 11}, {9, 14}, {13, 10}}}),
              ChevronStrokes(sdBottom, 18, 18, false));
    EXPECT_EQ((std::array<S, 4>{S{{7, 8}, {10, 5}, {14, 9}}, S{{7, 9}, {10, 6}, {14, 10}},
                                S{{7, 12}, {10, 9}, {14, 13}}, S{{7, 13}, {10, 10}, {14, 14}}}),
              ChevronStrokes(sdTop, 18, 18, true));
    EXPECT_EQ((std::array<S, 4>{S{{6, 6}, {9, 9}, {5, 13}}, S{{7, 6}, {10, 9}, {6, 13}},
                                S{{11, 6}, {14, 9}, {10, 13}}, S{{12, 6}, {15, 9}, {11, 13}}}),
              ChevronStrokes(sdRight, 18, 18, false));
    EXPECT_EQ((std::array<S, 4>{S{{8, 6}, {5, 9}, {9, 13}}, S{{9, 6}, {6, 9}, {10, 13}},
                                S{{13, 6}, {10, 9}, {14, 13}}, S{{14, 6}, {11, 9}, {15, 13}}}),
              ChevronStrokes(sdLeft, 18, 18, false));
    // A wide button centres the chevron further in.
    EXPECT_EQ((TStroke{{9, 5}, {13, 9}, {18, 4}}), ChevronStrokes(sdBottom, 24, 18, false)[0]);
}

TEST(HiddenWindows, RestoresTheSameWindowsWhateverOpenedOrClosed) {
    THiddenWindows hidden;
    const std::uint32_t search = 5;
    // 1 and 3 visible, 2 already hidden (minimised to nothing), 5 the search window itself.
    EXPECT_EQ((std::vector<std::uint32_t>{1, 2, 3}),
              hidden.Hide({{1, true}, {2, false}, {5, true}, {3, true}}, search));
    // Meanwhile 1 closed and 4 opened before 3: by index, 4 would have taken 3's place.
    EXPECT_EQ((std::vector<std::uint32_t>{3}), hidden.Restore({2, 4, 3, 5}, search));
    EXPECT_TRUE(hidden.Restore({2, 4, 3}, search).empty()) << "forgotten after restoring";
}
