#include "crashreport/core/CharTables.h"
#include "crashreport/core/ListText.h"
#include "crashreport/core/NumberText.h"
#include "crashreport/core/ScrambledLiteral.h"
#include "crashreport/core/TextHelpers.h"

#include <gtest/gtest.h>

#include <climits>

using namespace jov;

TEST(CharTables, FoldsCp1252Pairs) {
    const std::pair<unsigned, unsigned> pairs[] = {{'A', 'a'},   {'Z', 'z'},   {0x8A, 0x9A}, {0x8C, 0x9C},
                                                   {0x8E, 0x9E}, {0x9F, 0xFF}, {0xC0, 0xE0}, {0xDE, 0xFE}};
    for (auto [upper, lower] : pairs) {
        EXPECT_EQ(CaseFoldTable[upper], lower) << upper;
        EXPECT_EQ(CaseFoldTable[lower], lower) << lower;
    }
    // The multiplication sign and the characters just outside the ranges have no partner.
    for (unsigned c : {0xD7u, 0xDFu, 0xBFu, 0x40u, 0x5Bu, 0x8Bu, 0x9Du}) EXPECT_EQ(CaseFoldTable[c], c) << c;
    EXPECT_EQ(DigitValue('7'), 7);
    EXPECT_EQ(DigitValue('F'), 15);
    EXPECT_EQ(DigitValue('f'), 15);
    EXPECT_EQ(DigitValue('g'), 0);
    EXPECT_EQ(UpperChar('q'), 'Q');
    EXPECT_EQ(UpperStr("a\xE4\xF6\xFC\xE9z"), "A\xC4\xD6\xDC\xE9Z"); // only the umlauts outside ASCII
}

TEST(NumberText, DecimalAndPadding) {
    struct Case {
        std::string got, want;
    } cases[] = {
        {FormatInt(INT32_MIN), "-2147483648"},
        {FormatInt(INT32_MAX), "2147483647"},
        {FormatCardinal(UINT32_MAX), "4294967295"},
        {FormatInt64(INT64_MIN), "-9223372036854775808"},
        {FormatInt(-5, 4, '0'), "-005"},
        {FormatInt(-5, 4, ' '), "  -5"},
        {FormatInt(-5, -4, '0'), "-500"},
        {FormatInt(42, -5, '.'), "42..."},
        {FormatInt(12345, 3, '0'), "12345"},
        {PadStr("-5", 4, '0'), "-005"},
        {PadStr("", 2, '*'), "**"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(NumberText, HexWidthsAndFills) {
    struct Case {
        std::string got, want;
    } cases[] = {
        {FormatHex(0, 1, '0'), "$0"},
        {FormatHex(31, 1, '0'), "$1f"},
        {FormatHex(31, 8, '0'), "$0000001f"},
        {FormatHex(31, 7, ' '), "     $1f"},
        {FormatHex(255, -4, '0'), "$ff00"},
        {FormatHex(255, -4, ' '), "$ff  "},
        {FormatHex(0xFFFFFFFF, 1, '0'), "$ffffffff"},
        {FormatHex(0xAB, 0, 'a'), "$ab"}, // a hex-digit fill counts as a digit
        {FormatHex(0xAB, 4, 'a'), "$aaab"},
        {FormatHexInt(-1, 1, '0'), "$ffffffff"},
        {FormatHexInt(INT32_MIN, 1, '0'), "$80000000"},
        {FormatHex64(0x1F), "$1f"},
        {FormatHex64(0x100000001ull), "$100000001"},
        {FormatHex64(0xFFFFFFFF00000000ull), "$ffffffff00000000"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(NumberText, TextToIntTakesWhatItIsGiven) {
    struct Case {
        bool hex;
        const char* text;
        int length;
        int32_t want;
    } cases[] = {
        {false, "1234", 4, 1234},
        {false, "-1234", 5, -1234},
        {true, "7fFF", 4, 0x7FFF},
        {true, "-10", 3, -16},
        {false, "12", 1, 1},                // length, not the terminator, ends the text
        {false, "", 0, 0},                  //
        {false, "-", 1, 0},                 //
        {false, "1x", 2, 10},               // no error detection: "x" counts as 0
        {false, "1a", 2, 20},               // ... and "a" as 10
        {true, "ffffffff", 8, -1},          // the bit pattern
        {true, "123456789", 9, 0x23456789}, // overlong text wraps instead of overflowing
        {false, "4294967296", 10, 0},
        {false, "-2147483648", 11, INT32_MIN},
    };
    for (const auto& c : cases) EXPECT_EQ(TextToInt(c.hex, c.text, c.length), c.want) << c.text;
    EXPECT_EQ(TextToInt(false, nullptr, 5), 0);
}

TEST(NumberText, ByteSizesRoundDown) {
    struct Case {
        uint64_t size;
        const char* want;
    } cases[] = {
        {0, "0 Bytes"},          {1023, "1023 Bytes"},       {1024, "1,00 KB"},
        {1536, "1,50 KB"},       {1034, "1,00 KB"}, // 1.0097 truncates
        {1048575, "1023,99 KB"}, {1048576, "1,00 MB"},       {1073741823, "1023,99 MB"},
        {1073741824, "1,00 GB"}, {5ull << 40, "5120,00 GB"}, {UINT64_MAX, "17179869183,99 GB"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatByteSize(c.size, ','), c.want) << c.size;
    EXPECT_EQ(FormatByteSize(1536, '.'), "1.50 KB");
}

TEST(TextHelpers, TrimDeleteReplace) {
    std::string s = " \t\r\n ";
    TrimBlanks(s);
    EXPECT_EQ(s, "");
    EXPECT_EQ(TrimBlanksCopy("\x01 a b\x20"), "a b");

    CharSet digits;
    for (char c = '0'; c <= '9'; ++c) digits.set(static_cast<unsigned char>(c));
    s = "a1b22c";
    EXPECT_TRUE(DeleteCharSet(s, digits));
    EXPECT_EQ(s, "abc");
    EXPECT_FALSE(DeleteCharSet(s, digits));

    struct Case {
        const char *text, *search, *replacement;
        bool noCase, replaced;
        const char* want;
    } cases[] = {
        {"aaa", "aa", "b", false, true, "ba"},           // left to right, not overlapping
        {"abab", "ab", "abab", false, true, "abababab"}, // never searches inside its own insertion
        {"xAbx", "ab", "-", false, false, "xAbx"},
        {"xAB\xC4x", "ab\xE4", "-", true, true, "x-x"}, // cp1252 folding
        {"text", "", "x", false, false, "text"},        // an empty search text changes nothing
        {"ab", "abc", "x", false, false, "ab"},
        {"%LF%a%LF%", "%LF%", "\r\n", false, true, "\r\na\r\n"},
    };
    for (const auto& c : cases) {
        std::string t = c.text;
        EXPECT_EQ(c.noCase ? ReplaceAllNoCase(t, c.search, c.replacement)
                           : ReplaceAll(t, c.search, c.replacement),
                  c.replaced)
            << c.text;
        EXPECT_EQ(t, c.want) << c.text;
    }
}

TEST(TextHelpers, PartsClampPositions) {
    EXPECT_EQ(DeleteCopy("abcdef", 2, 3), "aef");
    EXPECT_EQ(DeleteCopy("abcdef", 5, 100), "abcd");
    EXPECT_EQ(DeleteCopy("abc", 0, 1), "abc");
    EXPECT_EQ(DeleteCopy("abc", 4, 1), "abc");
    std::string s = "abcdef";
    KeepPart(s, 3, 2);
    EXPECT_EQ(s, "cd");
    s = "abc";
    KeepPart(s, 2, 100);
    EXPECT_EQ(s, "bc");
    s = "abc";
    KeepPart(s, 9, 1);
    EXPECT_EQ(s, "");
    EXPECT_EQ(RightPart("abcdef", 2), "ef");
    EXPECT_EQ(RightPart("ab", 5), "ab");
    EXPECT_EQ(RightPart("ab", -1), "");
}

TEST(TextHelpers, CompareNoCase) {
    EXPECT_TRUE(SameTextNoCase("Stra\xDF"
                               "E\xC9",
                               "stra\xDF"
                               "e\xE9"));
    EXPECT_FALSE(SameTextNoCase("ab", "abc"));
    EXPECT_EQ(CompareTextNoCase("ABC", "abd"), 'c' - 'd');
    EXPECT_EQ(CompareTextNoCase("ab", "ABCD"), -2);
    EXPECT_EQ(CompareTextNoCase("\xFF", "a"), 0xFF - 'a'); // bytes compare unsigned
    EXPECT_TRUE(StartsWithText("", "x"));
    EXPECT_TRUE(StartsWithText("aB", "Abc"));
    EXPECT_FALSE(StartsWithText("abcd", "abc"));
}

TEST(TextHelpers, BoundedSearches) {
    const std::string text = "abcabcabcabc"; // "abc" at 1, 4, 7, 10
    struct Case {
        int from, to, want;
    } cases[] = {
        {1, -1, 1}, {2, -1, 4},  {10, 1, 10}, {9, 1, 7},  {12, 1, 10}, {5, 6, 0},   {5, 7, 7}, {0, -1, 0},
        {1, 0, 0},  {99, 1, 10}, {11, -1, 0}, {1, 99, 1}, {-2, -1, 0}, {-1, 1, 10}, // below -1 is no
                                                                                    // position; -1 is the end
    };
    for (const auto& c : cases)
        EXPECT_EQ(SearchStr("abc", text, c.from, c.to), c.want) << c.from << "," << c.to;
    EXPECT_EQ(SearchStr("ABC", text), 0);
    EXPECT_EQ(SearchStrNoCase("ABC", text, 2), 4);
    EXPECT_EQ(SearchStr("", text), 0);
    EXPECT_EQ(SearchStr("abcabcabcabcX", text), 0);

    EXPECT_EQ(SearchBuffer("lo", "hello", 0, 10, 0, false, 0), 3);
    EXPECT_EQ(SearchBuffer("LL", "hello", 2, 0, 4, true, 5), 2);
    EXPECT_EQ(SearchBuffer(nullptr, "x", 1, 0, 0, false, 1), -1);
    EXPECT_EQ(SearchBuffer("x", nullptr, 1, 0, 0, false, 1), -1);
    EXPECT_EQ(SearchBuffer("", "x", 0, 0, 0, false, 0), -1);

    CharSet sep;
    sep.set('.');
    sep.set('/');
    EXPECT_EQ(SearchCharSet(sep, "a.b/c"), 2);
    EXPECT_EQ(SearchCharSet(sep, "a.b/c", 5, 1), 4);
    EXPECT_EQ(SearchCharSet(sep, "a.b/c", 3, 3), 0);
    EXPECT_EQ(SearchCharSet(sep, "abc"), 0);
    EXPECT_EQ(SearchCharSet(sep, "a.b", 0, 3), 0);
}

TEST(ListText, ItemsAndMembership) {
    std::string list = " a , ,b ,";
    NormaliseList(list, ',');
    EXPECT_EQ(list, "a,b");
    list = ";;\t;x y ; ;z;";
    NormaliseList(list, ';');
    EXPECT_EQ(list, "x y;z");

    EXPECT_EQ(ListItemCount("", ','), 0);
    EXPECT_EQ(ListItemCount("a,,b", ','), 3);
    EXPECT_EQ(ListItem("a,b,c", 2, ','), "b");
    EXPECT_EQ(ListItem("a,b,c", 3, ','), "c");
    EXPECT_EQ(ListItem("a,b,c", 4, ','), "");
    EXPECT_EQ(ListItem("a,b,c", 0, ','), "");

    struct Case {
        const char *list, *item;
        bool want;
    } cases[] = {
        {"xab,ab", "ab", true}, {"xab", "ab", false}, {"abx,x", "ab", false},
        {"AB", "ab", true},     {"a,b,c", "b", true}, {"a,bb,c", "b", false},
        {"a", "", false},       {"", "a", false},     {"aaa,aa", "aa", true},
    };
    for (const auto& c : cases) EXPECT_EQ(ListContainsItem(c.list, c.item, ','), c.want) << c.list;
}

TEST(TextHelpers, WideningAndScrambling) {
    EXPECT_EQ(AnsiToWideRaw("a\xE9", false), std::string("a\0\xE9\0", 4));
    EXPECT_EQ(AnsiToWideRaw("a", true), std::string("a\0\0\0", 4));

    constexpr auto scrambled = Scramble("kernel32.dll");
    EXPECT_EQ(scrambled.view().size(), 12u);
    EXPECT_EQ(scrambled.view().find("kernel"), std::string_view::npos);
    EXPECT_EQ(DescrambleLiteral(scrambled.view()), "kernel32.dll");
}
