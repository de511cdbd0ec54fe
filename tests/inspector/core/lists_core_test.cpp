#include "core/ColumnRecord.h"
#include "core/HintText.h"
#include "core/TreeModel.h"
#include <gtest/gtest.h>
#include <string>

using namespace core;

TEST(ColumnRecord, ExactStoredLayout) {
    ColumnRecord record;
    record.accessorKind = 2;
    record.name = "WindowText";
    record.visible = true;
    record.position = 7;
    record.width = -2; // signed 16 bits, little-endian
    auto bytes = EncodeColumnRecord(record, 0x11223344, 0xA1B2C3D4);
    ASSERT_EQ(269u, bytes.size());
    EXPECT_EQ((std::vector<uint8_t>{0x44, 0x33, 0x22, 0x11, 2, 10}),
              std::vector<uint8_t>(bytes.begin(), bytes.begin() + 6));
    EXPECT_EQ("WindowText", std::string(bytes.begin() + 6, bytes.begin() + 16));
    for (size_t i = 16; i < 261; ++i) ASSERT_EQ(0, bytes[i]) << "name padding at " << i;
    EXPECT_EQ(1, bytes[261]);
    EXPECT_EQ(7, bytes[262]);
    EXPECT_EQ(0xFE, bytes[263]);
    EXPECT_EQ(0xFF, bytes[264]);
    EXPECT_EQ((std::vector<uint8_t>{0xD4, 0xC3, 0xB2, 0xA1}),
              std::vector<uint8_t>(bytes.begin() + 265, bytes.end()));

    ColumnRecord back;
    ASSERT_TRUE(DecodeColumnRecord(bytes, back));
    EXPECT_EQ(record.name, back.name);
    EXPECT_EQ(record.visible, back.visible);
    EXPECT_EQ(record.position, back.position);
    EXPECT_EQ(record.width, back.width);
}

TEST(ColumnRecord, LongNamesAreCutAndOnlyWholeRecordsDecode) {
    ColumnRecord record;
    record.name = std::string(300, 'x');
    auto bytes = EncodeColumnRecord(record);
    EXPECT_EQ(255, bytes[5]);
    ColumnRecord back;
    ASSERT_TRUE(DecodeColumnRecord(bytes, back));
    EXPECT_EQ(std::string(255, 'x'), back.name);
    for (size_t size : {0u, 1u, 268u, 270u}) {
        std::vector<uint8_t> damaged(size, 1);
        EXPECT_FALSE(DecodeColumnRecord(damaged, back)) << size;
    }
}

TEST(ColumnRecord, OneRecordRemainsPerNameThePreferredOne) {
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, int>> records; // name, preference
        std::vector<bool> kept;
    } const cases[] = {
        {"distinct names", {{"Handle", 1}, {"Gone", 0}, {"Other", 0}}, {true, true, true}},
        {"stale copy after the preferred one", {{"Handle", 1}, {"Handle", 0}}, {true, false}},
        {"stale copy before the preferred one", {{"Handle", 0}, {"Handle", 1}}, {false, true}},
        {"letter case only", {{"HANDLE", 0}, {"Handle", 1}}, {false, true}},
        {"equals: the first stays", {{"Gone", 0}, {"gone", 0}, {"GONE", 0}}, {true, false, false}},
        {"three of one name", {{"A", 0}, {"a", 1}, {"A", 0}, {"B", 0}}, {false, true, false, true}},
    };
    for (const auto& c : cases) {
        std::vector<ColumnRecord> records;
        std::vector<int> preference;
        for (auto [name, preferred] : c.records) {
            records.push_back({});
            records.back().name = name;
            preference.push_back(preferred);
        }
        std::vector<const ColumnRecord*> pointers;
        for (const auto& r : records) pointers.push_back(&r);
        EXPECT_EQ(c.kept, OneColumnRecordPerName(pointers, preference)) << c.what;
    }
}

TEST(ColumnRecord, ShownColumnsGetPlacesZeroToCountInStoredOrder) {
    struct Case {
        const char* what;
        std::vector<std::pair<bool, int>> stored; // visible, position
        std::vector<int> expected;
    } const cases[] = {
        {"intact", {{true, 0}, {false, 255}, {true, 1}}, {0, 255, 1}},
        {"gap and reversed", {{true, 9}, {true, 3}, {false, 4}}, {1, 0, 255}},
        {"duplicates keep list order", {{true, 1}, {true, 1}, {true, 0}}, {1, 2, 0}},
        {"out of range", {{true, 255}, {true, 200}}, {1, 0}},
        {"none shown", {{false, 0}, {false, 1}}, {255, 255}},
    };
    for (const auto& c : cases) {
        std::vector<ColumnRecord> records(c.stored.size());
        std::vector<ColumnRecord*> pointers;
        for (size_t i = 0; i < records.size(); ++i) {
            records[i].visible = c.stored[i].first;
            records[i].position = uint8_t(c.stored[i].second);
            pointers.push_back(&records[i]);
        }
        NormalizeColumnPositions(pointers);
        for (size_t i = 0; i < records.size(); ++i)
            EXPECT_EQ(c.expected[i], records[i].position) << c.what << " #" << i;
    }
}

TEST(HintText, SplitsLongTextsAtBlanksWithoutLosingOrDoublingCharacters) {
    std::string words;
    while (words.size() < 250) words += "word" + std::to_string(words.size() % 7) + " ";
    words.resize(250);
    std::string noBlank(250, 'x');
    std::string withBreak = std::string(50, 'a') + "\r\n" + std::string(150, 'b');
    struct Case {
        const char* what;
        std::string text;
        int lineBreaksAdded;
    } const cases[] = {
        {"short", "hello world", 0},      {"exactly 100", std::string(100, 'y'), 0},
        {"250 in short words", words, 2}, {"no blank at all", noBlank, 1},
        {"own line break", withBreak, 1},
    };
    for (const auto& c : cases) {
        std::string hint = SplitHintText(c.text);
        std::string rejoined;
        int added = 0;
        for (size_t i = 0; i < hint.size(); ++i) {
            // Only our own breaks follow a blank or end a piece; the text's own break stays in place.
            if (hint.compare(i, 2, hintLineBreak) == 0 && c.text.compare(rejoined.size(), 2, "\r\n") != 0) {
                ++added;
                ++i;
                continue;
            }
            rejoined += hint[i];
        }
        EXPECT_EQ(c.text, rejoined) << c.what;
        EXPECT_EQ(c.lineBreaksAdded, added) << c.what;
    }
    std::string hint = SplitHintText(words);
    size_t first = hint.find(hintLineBreak);
    ASSERT_NE(std::string::npos, first);
    EXPECT_EQ(' ', hint[first - 1]);
    EXPECT_GE(first, 100u);
}

namespace {
using Tree = TreeModel<int>;

std::vector<int> Values(const std::vector<Tree::Node*>& rows) {
    std::vector<int> values;
    for (auto* row : rows) values.push_back(row->data);
    return values;
}
} // namespace

TEST(TreeModel, VisibleRowsFollowExpandedAndHiddenFlags) {
    Tree tree;
    Tree::Node* a = tree.addChild(nullptr);
    a->data = 1;
    Tree::Node* a1 = tree.addChild(a);
    a1->data = 11;
    tree.addChild(a1)->data = 111;
    tree.addChild(a)->data = 12;
    tree.addChild(nullptr)->data = 2;
    EXPECT_EQ(5u, tree.size());
    EXPECT_EQ(2, a1->children.front()->depth);
    EXPECT_EQ(a, a1->parent);

    EXPECT_EQ((std::vector<int>{1, 2}), Values(tree.flatten()));
    a->expanded = true;
    EXPECT_EQ((std::vector<int>{1, 11, 12, 2}), Values(tree.flatten()));
    a1->expanded = true;
    EXPECT_EQ((std::vector<int>{1, 11, 111, 12, 2}), Values(tree.flatten()));
    a1->hidden = true; // hides its subtree as well
    EXPECT_EQ((std::vector<int>{1, 12, 2}), Values(tree.flatten()));
    a->expanded = false;
    EXPECT_EQ((std::vector<int>{1, 2}), Values(tree.flatten()));
    tree.clear();
    EXPECT_EQ(0u, tree.size());
    EXPECT_TRUE(tree.flatten().empty());
}

TEST(TreeModel, SortIsStableOnEveryLevel) {
    Tree tree;
    // Tens digit is the key; the ones digit records the original order.
    for (int v : {30, 10, 31, 20, 11, 32}) tree.addChild(nullptr)->data = v;
    Tree::Node* parent = tree.roots().front().get();
    for (int v : {51, 40, 52, 41}) tree.addChild(parent)->data = v;
    parent->expanded = true;
    tree.sort([](const Tree::Node& a, const Tree::Node& b) { return a.data / 10 < b.data / 10; });
    EXPECT_EQ((std::vector<int>{10, 11, 20, 30, 40, 41, 51, 52, 31, 32}), Values(tree.flatten()));
}
