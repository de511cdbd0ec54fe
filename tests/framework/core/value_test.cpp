#include "framework/core/Value.h"

#include "helpers/ValuePrinter.h"

#include <gtest/gtest.h>

namespace {

using fw::Value;

TEST(Value, KindsAndText) {
    struct Case {
        Value value;
        Value::Kind kind;
        const char* text;
    } cases[] = {
        {Value(), Value::Kind::Empty, ""},
        {Value::Null(), Value::Kind::Null, ""},
        {Value::Int32(-7), Value::Kind::Int32, "-7"},
        {Value::UInt32(4294967295u), Value::Kind::UInt32, "4294967295"},
        {Value::Int64(-5000000000ll), Value::Kind::Int64, "-5000000000"},
        {Value::Double(1.5), Value::Kind::Double, "1.5"},
        {Value::Bool(true), Value::Kind::Bool, "True"},
        {Value::Bool(false), Value::Kind::Bool, "False"},
        {Value::DateTime(46030.395312500), Value::Kind::DateTime, "08.01.2026 09:29:15"},
        {Value::DateTime(0), Value::Kind::DateTime, "30.12.1899 00:00:00"},
        {Value("abc"), Value::Kind::Text, "abc"},
        {Value::WmiText("abc"), Value::Kind::WmiText, "abc"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.value.kind(), c.kind) << c.text;
        EXPECT_EQ(c.value.toText(), c.text);
    }
}

TEST(Value, ToInt64) {
    struct Case {
        Value value;
        bool ok;
        std::int64_t expected;
    } cases[] = {
        {Value::UInt32(4294967295u), true, 4294967295ll},
        {Value::Int32(-1), true, -1},
        {Value("9223372036854775807"), true, 9223372036854775807ll},
        {Value("-42"), true, -42},
        {Value::WmiText("6000000000"), true, 6000000000ll},
        {Value("9223372036854775808"), false, 0},
        {Value("12a"), false, 0},
        {Value(""), false, 0},
        {Value(" 5"), false, 0},
        {Value::Double(2.9), true, 2},
        {Value::Double(1e30), false, 0},
        {Value::Null(), false, 0},
        {Value(), false, 0},
    };
    for (const Case& c : cases) {
        std::int64_t v = 0;
        EXPECT_EQ(c.value.toInt64(v), c.ok) << c.value.toText();
        if (c.ok) {
            EXPECT_EQ(v, c.expected);
        }
    }
}

TEST(Value, EqualityAndOrder) {
    EXPECT_EQ(Value::UInt32(5), Value::UInt32(5));
    EXPECT_FALSE(Value::UInt32(5) == Value::Int32(5)); // kinds differ
    EXPECT_EQ(Value("a"), Value(std::string("a")));
    EXPECT_EQ(Value::Null(), Value::Null());
    EXPECT_LT(Value::compare(Value::Null(), Value::Int32(-100)), 0);
    EXPECT_LT(Value::compare(Value::Int32(-1), Value::UInt32(4294967295u)), 0);
    EXPECT_GT(Value::compare(Value::Int64(5000000000ll), Value::UInt32(4294967295u)), 0);
    EXPECT_LT(Value::compare(Value::Double(1.5), Value::Int32(2)), 0);
    EXPECT_LT(Value::compare(Value::UInt32(9), Value("(None)")), 0); // numbers before texts
    EXPECT_LT(Value::compare(Value("a"), Value("b")), 0);
    EXPECT_EQ(Value::compare(Value("a"), Value("a")), 0);
    EXPECT_FALSE(Value("a") == Value::WmiText("a")); // the kind of text is kept
    EXPECT_TRUE(Value::WmiText("a").isText());
    EXPECT_EQ(Value::compare(Value::WmiText("a"), Value("a")), 0);
}

} // namespace
