// Sorting 100,000 rows by a number and by a text, as the lists do, on the host: each comparison making
// its texts' keys anew against each row's key made once per sort. The host's collation stands in for the
// system's (ASCII letters folded); the figures compare the two ways, not the platforms. Asserts nothing.
#include "core/CellValues.h"
#include "core/TreeModel.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <string>

namespace {
using Clock = std::chrono::steady_clock;

std::string Folded(std::string_view text) {
    std::string key(text);
    for (char& c : key) c = char(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

int CompareFolded(std::string_view a, std::string_view b) {
    std::string x = Folded(a), y = Folded(b);
    return x < y ? -1 : y < x ? 1 : 0;
}

const core::Collation perComparison{[](std::string_view text) { return std::string(text); }, CompareFolded};
const core::Collation keyed{Folded,
                            [](std::string_view a, std::string_view b) { return a < b ? -1 : b < a; }};

struct Row {
    fw::Value number, path;
};

template <class F> double Ms(F f) {
    auto start = Clock::now();
    f();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

core::CellSortKey Key(const fw::Value& v, bool fileName, const core::Collation& c) {
    return core::MakeCellSortKey(1, &v, fileName, c);
}

} // namespace

int main() {
    core::TreeModel<Row> rows;
    for (std::uint32_t i = 0; i < 100000; ++i) {
        Row& row = rows.addChild(nullptr)->data;
        row.number = fw::Value::UInt32((i * 7919u) % 100003u);
        row.path =
            "C:\\Program Files\\Dir" + std::to_string(i % 97) + "\\Module" + std::to_string(i) + ".dll";
    }
    auto byNumber = Ms([&] {
        rows.sort([](const auto& a, const auto& b) {
            return core::CompareCellSortKeys(Key(a.data.number, false, perComparison),
                                             Key(b.data.number, false, perComparison), perComparison) > 0;
        });
    });
    auto byTextPerComparison = Ms([&] {
        rows.sort([](const auto& a, const auto& b) {
            return core::CompareCellSortKeys(Key(a.data.path, true, perComparison),
                                             Key(b.data.path, true, perComparison), perComparison) > 0;
        });
    });
    auto byTextKeyed = Ms([&] {
        rows.sortByKey(
            [](const Row& row) { return Key(row.path, true, keyed); },
            [](const auto& a, const auto& b) { return core::CompareCellSortKeys(a, b, keyed) > 0; });
    });
    std::printf(
        "100,000 rows: sort by number %.1f ms; by module name, keys per comparison %.1f ms (ratio %.2f), "
        "keys once per sort %.1f ms (ratio %.2f)\n",
        byNumber, byTextPerComparison, byTextPerComparison / byNumber, byTextKeyed, byTextKeyed / byNumber);
    return 0;
}
