#include "core/ConstNames.h"
#include "core/DisplayFormat.h"
#include "core/NumberFormat.h"

#include "helpers/ValuePrinter.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

// Binds the two current formats for one test and restores the defaults afterwards.
struct FormatScope {
    std::uint8_t intFormat, parseFormat;
    FormatScope(std::uint8_t i, std::uint8_t p) : intFormat(i), parseFormat(p) {
        BindNumberFormats(&intFormat, &parseFormat);
    }
    ~FormatScope() { BindNumberFormats(nullptr, nullptr); }
};

TEST(FormatNumber, ThreeFormatsAndDefaults) {
    struct Case {
        std::uint32_t value;
        const char* def;
        std::uint8_t format;
        const char* expected;
    } cases[] = {
        {255, "", 0, "255"},
        {255, "", 1, "$000000FF"},
        {255, "", 2, "0x000000FF"},
        {4294967295u, "", 0, "4294967295"},
        {4294967295u, "", 1, "$FFFFFFFF"},
        {4294967295u, "", 2, "0xFFFFFFFF"},
        {0, "(None)", 0, "(None)"},
        {0, "(None)", 1, "(None)"},
        {0, "(None)", 2, "(None)"},
        {0, "", 2, "0x00000000"},
        {7, "", 9, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatNumber(c.value, c.def, c.format), c.expected)
            << c.value << " format " << int(c.format);
}

TEST(FormatNumber, CurrentFormatFollowsTheBoundSetting) {
    FormatScope scope(2, 3);
    EXPECT_EQ(FormatNumber(255), "0x000000FF");
    scope.intFormat = 0; // a change of the setting applies without rebinding
    EXPECT_EQ(FormatNumber(255), "255");
}

TEST(FormatNumber64, WidensBeyond32Bits) {
    EXPECT_EQ(FormatNumber64(0x123456789ll, "", 1), "$123456789");
    EXPECT_EQ(FormatNumber64(255, "", 2), "0x000000FF");
    EXPECT_EQ(FormatNumber64(-5, "", 0), "-5");
    EXPECT_EQ(FormatNumber64(0, "(None)", 0), "(None)");
}

TEST(ParseNumber, FormsPerFormat) {
    struct Case {
        std::uint8_t format;
        const char* text;
        std::int64_t value;
        bool error;
    } cases[] = {
        {1, "FF", 0, true},
        {1, "$FF", 255, false},
        {0, "$FF", 0, true},
        {0, "255", 255, false},
        {0, "-12", -12, false},
        {0, "0x1F", 31, false}, // passes the decimal form check, read as hex
        {2, "0XFF", 0, true},
        {2, "0xFF", 255, false},
        {2, "7", 7, false},
        {0, "", 0, true},
        {0, "12x", 0, true},
        {1, "$", 0, true},
        {0, "9223372036854775807", 9223372036854775807ll, false},
        {0, "9223372036854775808", 0, true},
        {1, "$FFFFFFFFFFFFFFFF", -1, false},
        {1, "$1FFFFFFFFFFFFFFFF", 0, true},
    };
    for (const Case& c : cases) {
        FormatScope scope(c.format, 3);
        bool error = false;
        EXPECT_EQ(ParseNumber(c.text, &error), c.value) << c.text << " format " << int(c.format);
        EXPECT_EQ(error, c.error) << c.text << " format " << int(c.format);
    }
}

TEST(ParseNumber, PlaceholdersAndExplicitParseFormat) {
    for (std::uint8_t format : {0, 1, 2}) {
        FormatScope scope(format, 3);
        bool error = false;
        EXPECT_EQ(ParseNumber("(None)", &error), 0);
        EXPECT_EQ(ParseNumber("(Unavailable)", &error), 0);
        EXPECT_FALSE(error);
    }
    FormatScope scope(0, 1); // reading back numbers shown in the previous format
    bool error = false;
    EXPECT_EQ(ParseNumber("$000000FF", &error), 255);
    EXPECT_FALSE(error);
    EXPECT_EQ(ParseNumber("255"), 0); // no flag given: must not crash
}

TEST(ReformatNumberText, RendersInTheNewFormat) {
    FormatScope scope(2, 1);
    std::string text = "$000000FF";
    EXPECT_TRUE(ReformatNumberText(text));
    EXPECT_EQ(text, "0x000000FF");
    for (std::string kept : {"(None)", "(Unavailable)", "hello"}) {
        std::string t = kept;
        EXPECT_FALSE(ReformatNumberText(t));
        EXPECT_EQ(t, kept);
    }
}

TEST(DisplayFormat, RectCimAndPaths) {
    EXPECT_EQ(FormatRect(0, 0, 640, 480), "(0, 0)-(640, 480), 640x480");
    EXPECT_EQ(FormatRect(-10, -20, 5, 5), "(-10, -20)-(5, 5), 15x25");
    EXPECT_EQ(FormatRect(-2147483647 - 1, 0, 2147483647, 0),
              "(-2147483648, 0)-(2147483647, 0), 4294967295x0");
    EXPECT_EQ(FormatCimDateTime("20260108093015.000000+060"), "08.01.2026 09:30:15");
    EXPECT_EQ(FormatCimDateTime("20260108093015"), "08.01.2026 09:30:15");
    EXPECT_EQ(FormatCimDateTime("2026010809"), "2026010809");
    EXPECT_EQ(FormatCimDateTime(""), "");
    EXPECT_EQ(ExtractFileNameDef("C:\\Windows\\notepad.exe", "(x)"), "notepad.exe");
    EXPECT_EQ(ExtractFilePathDef("C:\\Windows\\notepad.exe", "(x)"), "C:\\Windows\\");
    EXPECT_EQ(ExtractFileNameDef("C:\\Windows\\", "(x)"), "(x)");
    EXPECT_EQ(ExtractFilePathDef("System", "(x)"), "(x)");
    EXPECT_EQ(ExtractFileNameDef("", "(x)"), "(x)");
}

TEST(DisplayFormat, Durations) {
    struct Case {
        fw::Value value;
        const char* expected;
    } cases[] = {
        {fw::Value::Int64(15000000), "00:00:01:0500"},
        {fw::Value::Int64(864000000000ll), "00:00:00:0000"},         // exactly one day wraps
        {fw::Value::Int64(864000000000ll - 10000), "23:59:59:0999"}, // a millisecond before
        {fw::Value::Int64(864000000000ll + 36000000000ll), "01:00:00:0000"},
        {fw::Value("15000000"), "00:00:01:0500"}, // WMI's decimal text
        {fw::Value::Int64(-1), "(Unavailable)"},
        {fw::Value::Int64(INT64_MAX), "02:48:05:0477"},
        {fw::Value("(Unavailable)"), "(Unavailable)"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatDuration(c.value), c.expected) << c.value.toText();
}

TEST(DisplayFormat, VersionsAndDecimals) {
    const std::int64_t xp = (std::int64_t(5 * 65536 + 1) << 32) | (2600 * 65536 + 2180);
    EXPECT_EQ(FormatVersion(fw::Value::Int64(xp)), "5.1.2600.2180");
    EXPECT_EQ(FormatVersion(fw::Value("1.2 beta")), "1.2 beta");
    EXPECT_EQ(FormatVersion(fw::Value::Int64(-1)), "65535.65535.65535.65535");
    EXPECT_EQ(VariantToDecimalText(fw::Value::UInt32(4294967295u)), "4294967295");
    EXPECT_EQ(VariantToDecimalText(fw::Value::Int32(-3)), "-3");
    EXPECT_EQ(VariantToDecimalText(fw::Value::Int64(-5000000000ll)), "-5000000000");
    EXPECT_EQ(VariantToDecimalText(fw::Value("12")), "");
    EXPECT_EQ(VariantToDecimalText(fw::Value::Bool(true)), "");
    FormatScope scope(1, 3);
    EXPECT_EQ(VariantToDisplayText(fw::Value::UInt32(255)), "$000000FF");
    EXPECT_EQ(VariantToDisplayText(fw::Value("text")), "text");
}

TEST(ConstNames, LookupWithAndWithoutDefault) {
    EXPECT_EQ(LookupConstName(0x80, PriorityClassNames, ""), "HIGH_PRIORITY_CLASS");
    EXPECT_EQ(LookupConstName(0x00010000, WindowStyleNames, ""), "WS_TABSTOP"); // first of a shared value
    EXPECT_EQ(LookupConstName(0, ExtWindowStyleNames, ""), "WS_EX_LEFT");
    EXPECT_EQ(LookupConstName(5, ThreadStateNames, ""), "Waiting");
    EXPECT_EQ(LookupConstName(13, ThreadWaitReasonNames, ""), "UserRequest");
    EXPECT_EQ(LookupConstName(3, PriorityClassNames, "(Unavailable)"), "(Unavailable)");
    try {
        LookupConstName(4294967295u, ClassStyleNames, "");
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Expression for 4294967295 doesn't exist");
    }
}

TEST(ConstNames, ErrorCodeTable) {
    auto table = SystemErrorCodeTable();
    // One code of every block, from the first to the last the table covers.
    struct Case {
        std::uint32_t code;
        const char* name;
    } const cases[] = {
        {0, "NO_ERROR"},
        {5, "ERROR_ACCESS_DENIED"},
        {1077, "ERROR_SERVICE_NEVER_STARTED"},
        {1460, "ERROR_TIMEOUT"},
        {1722, "RPC_S_SERVER_UNAVAILABLE"},
        {1753, "EPT_S_NOT_REGISTERED"},
        {1780, "RPC_X_NULL_REF_POINTER"},
        {1910, "OR_INVALID_OXID"},
        {3010, "ERROR_SUCCESS_REBOOT_REQUIRED"},
        {4006, "ERROR_RPL_NOT_ALLOWED"},
        {6000, "ERROR_ENCRYPTION_FAILED"},
        {6118, "ERROR_NO_BROWSER_SERVERS_FOUND"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.name, LookupConstName(c.code, table, "")) << c.code;
    EXPECT_EQ("(Unavailable)", LookupConstName(6119, table, "(Unavailable)"));
    for (std::size_t i = 0; i < table.size(); ++i)
        for (std::size_t j = i + 1; j < table.size(); ++j)
            ASSERT_NE(table[i].value, table[j].value) << table[i].name << " " << table[j].name;
}

} // namespace

// Edges where a one-character slip in the readers would go unnoticed by the tables above.
TEST(NumberEdges, ExtremesDatesAndConversions) {
    {
        FormatScope scope(0, 3);
        bool error = false;
        EXPECT_EQ(ParseNumber("-9223372036854775808", &error), std::numeric_limits<std::int64_t>::min());
        EXPECT_FALSE(error);
        EXPECT_EQ(ParseNumber("-9223372036854775809", &error), 0);
        EXPECT_TRUE(error);
    }
    EXPECT_EQ(FormatCimDateTime("20260315174501.000000+060"), "15.03.2026 17:45:01");
    EXPECT_EQ(FormatCimDateTime("20261130000000.000000+000"), "30.11.2026 00:00:00");
    std::int64_t out = 7;
    EXPECT_FALSE(fw::Value::Double(9223372036854775808.0).toInt64(out)) << "2^63 has no 64-bit integer";
    EXPECT_EQ(out, 7);
    EXPECT_TRUE(fw::Value::Double(9223372036854774784.0).toInt64(out));
    EXPECT_EQ(out, 9223372036854774784ll);
}
