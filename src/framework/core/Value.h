#pragma once
#include <cstdint>
#include <string>
#include <variant>

namespace fw {

// The variant of the information objects and list cells: one of a few kinds, copied by value. The COM
// VARIANT conversion lives in framework/Variant.h; everything here is portable.
class Value {
public:
    // Text is an 8-bit string of our own (names, placeholders, formatted values); WmiText is a text as
    // WMI gives it (an OLE string), which may stand for a number: WMI gives 64-bit counts as decimal text.
    enum class Kind : std::uint8_t {
        Empty,
        Null,
        Int32,
        UInt32,
        Int64,
        Double,
        Bool,
        DateTime,
        Text,
        WmiText
    };

    Value() = default;
    Value(std::string text) : data_(std::move(text)) {}
    Value(const char* text) : data_(std::string(text)) {}

    static Value Null();
    static Value Int32(std::int32_t v);
    static Value UInt32(std::uint32_t v);
    static Value Int64(std::int64_t v);
    static Value Double(double v);
    static Value Bool(bool v);
    // Days since 30.12.1899 with the time of day as fraction, as COM keeps dates.
    static Value DateTime(double oleDate);
    static Value WmiText(std::string text);

    Kind kind() const;
    bool isEmpty() const { return kind() == Kind::Empty; }
    bool isNull() const { return kind() == Kind::Null; }
    // Either kind of text.
    bool isText() const { return kind() == Kind::Text || kind() == Kind::WmiText; }
    bool isInteger() const;
    bool isNumber() const { return isInteger() || kind() == Kind::Double || kind() == Kind::DateTime; }

    // Raw access; the caller has checked the kind.
    const std::string& text() const;
    bool boolean() const { return std::get<bool>(data_); }
    double real() const;

    // The value as text: numbers in decimal, booleans "True"/"False", dates "dd.mm.yyyy hh:mm:ss",
    // empty and null as "".
    std::string toText() const;
    // Integers and booleans as they are, reals truncated, texts parsed as signed decimal. False for
    // anything else, a text that is no number, or a real out of range.
    bool toInt64(std::int64_t& out) const;

    friend bool operator==(const Value& a, const Value& b);
    // Orders empty and null first, then numbers by value, then texts by bytes.
    static int compare(const Value& a, const Value& b);

private:
    struct NullTag {
        friend bool operator==(NullTag, NullTag) { return true; }
    };
    struct DateTag {
        double days;
        friend bool operator==(DateTag a, DateTag b) { return a.days == b.days; }
    };
    struct WmiTag {
        std::string text;
        friend bool operator==(const WmiTag& a, const WmiTag& b) { return a.text == b.text; }
    };
    using Data = std::variant<std::monostate, NullTag, std::int32_t, std::uint32_t, std::int64_t, double,
                              bool, DateTag, std::string, WmiTag>;
    explicit Value(Data data) : data_(std::move(data)) {}
    Data data_;
};

} // namespace fw
