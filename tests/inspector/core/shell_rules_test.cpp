#include <gtest/gtest.h>
#include <map>
#include "core/BannerArithmetic.h"
#include "core/HotKeyCode.h"
#include "core/IconPositions.h"

using core::IconPoint;

namespace {

// A desktop list view in memory, with the failures a remote read can have.
struct FakeIcons : core::IconView {
    struct Icon {
        std::string label;
        IconPoint at;
        bool labelFails = false;
        bool positionFails = false;
        bool stuck = false; // a grid that ignores moves
    };
    std::vector<Icon> icons;
    int moves = 0;

    int count() override { return int(icons.size()); }
    std::optional<std::string> label(int i) override {
        if (icons[i].labelFails) return std::nullopt;
        return icons[i].label;
    }
    std::optional<IconPoint> position(int i) override {
        if (icons[i].positionFails) return std::nullopt;
        return icons[i].at;
    }
    void move(int i, IconPoint p) override {
        ++moves;
        if (!icons[i].stuck) icons[i].at = p;
    }
};

core::StoredIconPositions store(const std::vector<std::pair<std::string, IconPoint>>& entries) {
    core::StoredIconPositions stored;
    for (auto& [name, point] : entries) stored.emplace_back(name, core::EncodeIconPoint(point));
    return stored;
}

} // namespace

TEST(IconPositions, StoredValueIsEightLittleEndianBytesAndBadValuesAreSkipped) {
    auto bytes = core::EncodeIconPoint({-2, 0x01020304});
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1}));
    EXPECT_EQ(core::DecodeIconPoint(bytes), (IconPoint{-2, 0x01020304}));
    EXPECT_FALSE(core::DecodeIconPoint(core::EncodeIconPoint({-1, -1}))) << "the unreadable mark";
    EXPECT_TRUE(core::DecodeIconPoint(core::EncodeIconPoint({-1, 5})));
    std::vector<uint8_t> shortValue(7), longValue(12);
    EXPECT_FALSE(core::DecodeIconPoint(shortValue));
    EXPECT_FALSE(core::DecodeIconPoint(longValue));
}

TEST(IconPositions, SaveMoveRestorePutsEveryIconBack) {
    FakeIcons desk;
    desk.icons = {
        {"Trash", {10, 10}}, {"Home", {10, 90}}, {"Docs", {10, 170}, true}, {"Net", {10, 250}, false, true}};
    auto saved = desk.icons;
    auto entries = core::CollectIconPositions(desk);
    ASSERT_EQ(entries.size(), 3u) << "an unreadable label is skipped";
    EXPECT_EQ(entries[2], (std::pair<std::string, IconPoint>{"Net", IconPoint{}}));

    for (auto& icon : desk.icons) icon.at.y += 40; // the bar shifted them
    desk.icons[3].positionFails = false;
    EXPECT_EQ(core::RestoreIconPositions(desk, store(entries)), 2);
    EXPECT_EQ(desk.icons[0].at, saved[0].at);
    EXPECT_EQ(desk.icons[1].at, saved[1].at);
    EXPECT_EQ(desk.icons[3].at, (IconPoint{10, 290})) << "an unreadable saved place never moves an icon";
}

TEST(IconPositions, RepeatedLabelsCaseAndPassLimit) {
    FakeIcons desk;
    desk.icons = {{"Copy", {0, 0}}, {"Copy", {0, 80}}, {"copy", {0, 160}}};
    auto entries = core::CollectIconPositions(desk);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].second, (IconPoint{0, 80})) << "the later icon of a repeated label wins";

    desk.icons[0].at = desk.icons[1].at = {300, 300};
    core::RestoreIconPositions(desk, store({{"Copy", {5, 5}}, {"Copy", {7, 7}}}));
    EXPECT_EQ(desk.icons[0].at, (IconPoint{5, 5})) << "the first stored name counts";
    EXPECT_EQ(desk.icons[1].at, (IconPoint{5, 5}));
    EXPECT_EQ(desk.icons[2].at, (IconPoint{0, 160})) << "letter case counts";

    desk.icons[2].stuck = true;
    desk.moves = 0;
    EXPECT_EQ(core::RestoreIconPositions(desk, store({{"copy", {1, 1}}})), 20);
    EXPECT_EQ(desk.moves, 20);
}

TEST(Banner, FadeBlendsEdgeRowsTowardsTheFadeColour) {
    const int width = 2, height = 8, stride = 8; // rows padded to 4 bytes
    std::vector<uint8_t> pixels(stride * height, 200);
    core::FadeEdges(pixels.data(), width, height, stride, 4, 0x00102030); // red 0x10, green 0x20, blue 0x30
    auto at = [&](int row, int channel) { return int(pixels[row * stride + channel]); };
    EXPECT_EQ(at(0, 0), 0x30);
    EXPECT_EQ(at(0, 1), 0x20);
    EXPECT_EQ(at(0, 2), 0x10);
    EXPECT_EQ(at(height - 1, 2), 0x10);
    EXPECT_EQ(at(1, 0), (3 * 0x30 + 200) / 4);
    EXPECT_EQ(at(3, 2), (1 * 0x10 + 3 * 200) / 4);
    EXPECT_EQ(at(4, 0), (1 * 0x30 + 3 * 200) / 4);
    EXPECT_EQ(pixels[6], 200) << "row padding untouched";

    EXPECT_EQ(core::EffectiveFadeHeight(30, 12), 12);
    EXPECT_EQ(core::EffectiveFadeHeight(10, 0), 0);
    core::FadeEdges(pixels.data(), 0, 0, 0, 10, 0); // zero size: nothing to do, nothing divided
    std::vector<uint8_t> one(4, 99);
    core::FadeEdges(one.data(), 1, 1, 4, 30, 0);
    EXPECT_EQ(one[0], 0) << "clamped to the height, the one row is the fade colour";
}

TEST(Banner, TextRestartsBelowTheBottomOnceItLeftTheTop) {
    core::BannerScroll scroll;
    scroll.restart(100, 5);
    EXPECT_EQ(scroll.top(), 105);
    for (int i = 0; i < 155; ++i) scroll.step(1);
    scroll.wrap(50, 100, 5);
    EXPECT_EQ(scroll.top(), -50) << "bottom at 0 is not yet past -Space";
    for (int i = 0; i < 6; ++i) scroll.step(1);
    scroll.wrap(50, 100, 5);
    EXPECT_EQ(scroll.top(), 105);
}

TEST(HotKey, StoredWordSplitsIntoModifiersAndKey) {
    EXPECT_EQ(core::SplitHotKey(0x4079), (core::HotKeyParts{2, 0x79})) << "Ctrl+F10, the default";
    EXPECT_EQ(core::SplitHotKey(0xE041), (core::HotKeyParts{7, 0x41}));
    EXPECT_EQ(core::SplitHotKey(0x2000 | 0x0170), (core::HotKeyParts{4, 0x170}));
}
