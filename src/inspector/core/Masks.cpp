#include "core/Masks.h"
#include <algorithm>
#include <cctype>
#include <optional>

namespace core {

namespace {

unsigned char Fold(char c) {
    return static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)));
}

bool InRange(char c, char low, char high) {
    auto in = [&](unsigned char x) {
        return static_cast<unsigned char>(low) <= x && x <= static_cast<unsigned char>(high);
    };
    const auto u = static_cast<unsigned char>(c);
    return in(u) || in(static_cast<unsigned char>(std::tolower(u))) ||
           in(static_cast<unsigned char>(std::toupper(u)));
}

// The set starting at mask[pos] == '[': whether it takes c, and where the mask goes on after it. None
// when the set is not closed (the '[' is then an ordinary character).
struct SetMatch {
    bool matches;
    std::size_t next;
};
std::optional<SetMatch> MatchSet(std::string_view mask, std::size_t pos, char c) {
    std::size_t i = pos + 1;
    const bool negated = i < mask.size() && mask[i] == '!';
    if (negated) ++i;
    const std::size_t first = i;
    bool found = false;
    // A ']' right after the opening is a member, as in shell patterns.
    while (i < mask.size() && (mask[i] != ']' || i == first)) {
        char low = mask[i], high = mask[i];
        if (i + 2 < mask.size() && mask[i + 1] == '-' && mask[i + 2] != ']') {
            high = mask[i + 2];
            if (static_cast<unsigned char>(high) < static_cast<unsigned char>(low)) std::swap(low, high);
            i += 3;
        } else {
            ++i;
        }
        found = found || InRange(c, low, high);
    }
    if (i >= mask.size()) return std::nullopt;
    return SetMatch{found != negated, i + 1};
}

// Whether the mask element at mask[m] takes c; where the mask continues in `next`.
bool MatchOne(std::string_view mask, std::size_t m, char c, std::size_t& next) {
    if (mask[m] == '?') {
        next = m + 1;
        return true;
    }
    if (mask[m] == '[') {
        if (auto set = MatchSet(mask, m, c)) {
            next = set->next;
            return set->matches;
        }
    }
    next = m + 1;
    return Fold(mask[m]) == Fold(c);
}

} // namespace

bool MatchesMask(std::string_view text, std::string_view mask) {
    // Greedy with one back-track point: the last star takes one more character when the rest fails.
    std::size_t t = 0, m = 0;
    std::optional<std::size_t> starMask;
    std::size_t starText = 0;
    while (t < text.size()) {
        std::size_t next = 0;
        if (m < mask.size() && mask[m] == '*') {
            starMask = ++m;
            starText = t;
        } else if (m < mask.size() && MatchOne(mask, m, text[t], next)) {
            m = next;
            ++t;
        } else if (starMask) {
            m = *starMask;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

} // namespace core
