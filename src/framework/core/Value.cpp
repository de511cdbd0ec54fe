#include "framework/core/Value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cerrno>

namespace fw {

Value Value::Null() {
    return Value(Data(NullTag{}));
}
Value Value::Int32(std::int32_t v) {
    return Value(Data(std::in_place_type<std::int32_t>, v));
}
Value Value::UInt32(std::uint32_t v) {
    return Value(Data(std::in_place_type<std::uint32_t>, v));
}
Value Value::Int64(std::int64_t v) {
    return Value(Data(std::in_place_type<std::int64_t>, v));
}
Value Value::Double(double v) {
    return Value(Data(std::in_place_type<double>, v));
}
Value Value::Bool(bool v) {
    return Value(Data(std::in_place_type<bool>, v));
}
Value Value::DateTime(double oleDate) {
    return Value(Data(DateTag{oleDate}));
}

Value Value::WmiText(std::string text) {
    return Value(Data(WmiTag{std::move(text)}));
}

Value::Kind Value::kind() const {
    return static_cast<Kind>(data_.index());
}

const std::string& Value::text() const {
    return kind() == Kind::WmiText ? std::get<WmiTag>(data_).text : std::get<std::string>(data_);
}

bool Value::isInteger() const {
    Kind k = kind();
    return k == Kind::Int32 || k == Kind::UInt32 || k == Kind::Int64;
}

double Value::real() const {
    switch (kind()) {
    case Kind::Int32:
        return std::get<std::int32_t>(data_);
    case Kind::UInt32:
        return std::get<std::uint32_t>(data_);
    case Kind::Int64:
        return static_cast<double>(std::get<std::int64_t>(data_));
    case Kind::Double:
        return std::get<double>(data_);
    case Kind::DateTime:
        return std::get<DateTag>(data_).days;
    case Kind::Bool:
        return std::get<bool>(data_) ? 1 : 0;
    default:
        return 0;
    }
}

namespace {

std::string formatOleDate(double days) {
    // Whole seconds, rounded, so 0.99999 of a day does not show as 23:59:59 one second early.
    double totalSeconds = std::floor(days * 86400.0 + 0.5);
    long long dayNumber = static_cast<long long>(std::floor(totalSeconds / 86400.0));
    long long secondOfDay = static_cast<long long>(totalSeconds) - dayNumber * 86400;
    // Civil date from days counted from 0000-03-01; 30.12.1899 is day 693899 of that count.
    long long z = dayNumber + 693899;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long y = yoe + era * 400;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    long long d = doy - (153 * mp + 2) / 5 + 1;
    long long m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2lld.%.2lld.%.4lld %.2lld:%.2lld:%.2lld", d, m, y,
                  secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60);
    return buffer;
}

} // namespace

std::string Value::toText() const {
    switch (kind()) {
    case Kind::Empty:
    case Kind::Null:
        return {};
    case Kind::Int32:
        return std::to_string(std::get<std::int32_t>(data_));
    case Kind::UInt32:
        return std::to_string(std::get<std::uint32_t>(data_));
    case Kind::Int64:
        return std::to_string(std::get<std::int64_t>(data_));
    case Kind::Double: {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.15g", std::get<double>(data_));
        return buffer;
    }
    case Kind::Bool:
        return std::get<bool>(data_) ? "True" : "False";
    case Kind::DateTime:
        return formatOleDate(std::get<DateTag>(data_).days);
    case Kind::Text:
    case Kind::WmiText:
        return text();
    }
    return {};
}

bool Value::toInt64(std::int64_t& out) const {
    switch (kind()) {
    case Kind::Int32:
        out = std::get<std::int32_t>(data_);
        return true;
    case Kind::UInt32:
        out = std::get<std::uint32_t>(data_);
        return true;
    case Kind::Int64:
        out = std::get<std::int64_t>(data_);
        return true;
    case Kind::Bool:
        out = std::get<bool>(data_) ? 1 : 0;
        return true;
    case Kind::Double: {
        double v = std::get<double>(data_);
        if (!(v > -9223372036854775808.0 && v < 9223372036854775808.0)) return false;
        out = static_cast<std::int64_t>(v);
        return true;
    }
    case Kind::Text:
    case Kind::WmiText: {
        const std::string& s = text();
        if (s.empty() || s[0] == ' ') return false;
        errno = 0;
        char* end = nullptr;
        long long v = std::strtoll(s.c_str(), &end, 10);
        if (errno != 0 || end != s.c_str() + s.size()) return false;
        out = v;
        return true;
    }
    default:
        return false;
    }
}

bool operator==(const Value& a, const Value& b) {
    return a.data_ == b.data_;
}

int Value::compare(const Value& a, const Value& b) {
    auto rank = [](const Value& v) { return v.isEmpty() || v.isNull() ? 0 : v.isText() ? 2 : 1; };
    int ra = rank(a), rb = rank(b);
    if (ra != rb) return ra < rb ? -1 : 1;
    if (ra == 0) return 0;
    if (ra == 2) {
        int c = a.text().compare(b.text());
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    std::int64_t ia, ib;
    if (a.kind() != Kind::Double && a.kind() != Kind::DateTime && b.kind() != Kind::Double &&
        b.kind() != Kind::DateTime && a.toInt64(ia) && b.toInt64(ib)) {
        // Exact for every integer kind; an unsigned 32-bit value always fits.
        return ia < ib ? -1 : ia > ib ? 1 : 0;
    }
    double da = a.real(), db = b.real();
    return da < db ? -1 : da > db ? 1 : 0;
}

} // namespace fw
