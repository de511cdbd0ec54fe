#include "crashreport/core/TextHelpers.h"

#include <algorithm>
#include <cstring>

namespace jov {
namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

bool MatchesAt(const char* sub, const char* text, int length, bool ignoreCase) {
    if (!ignoreCase) return std::memcmp(sub, text, static_cast<size_t>(length)) == 0;
    for (int i = 0; i < length; ++i)
        if (FoldChar(sub[i]) != FoldChar(text[i])) return false;
    return true;
}

bool Replace(std::string& text, std::string_view search, std::string_view replacement, bool ignoreCase) {
    if (search.empty() || search.size() > text.size()) return false;
    std::string result;
    size_t copied = 0;
    size_t pos = 0;
    bool replaced = false;
    const size_t last = text.size() - search.size();
    while (pos <= last) {
        if (MatchesAt(search.data(), text.data() + pos, static_cast<int>(search.size()), ignoreCase)) {
            result.append(text, copied, pos - copied);
            result.append(replacement);
            pos += search.size();
            copied = pos;
            replaced = true;
        } else {
            ++pos;
        }
    }
    if (!replaced) return false;
    result.append(text, copied, std::string::npos);
    text = std::move(result);
    return true;
}

// Turns 1-based from/to into the 0-based bounds of the core search; false when either is 0.
bool SearchBounds(int from, int to, int length, int& start, int& end) {
    if (from == 0 || to == 0 || from < -1) return false;
    if (to < 0) to = length;
    if (from < 0) from = length;
    start = std::min(from, length) - 1;
    end = std::min(to, length) - 1;
    return true;
}

int Search(std::string_view sub, std::string_view text, int from, int to, bool ignoreCase) {
    int start = 0, end = 0;
    if (sub.empty() || text.empty() || !SearchBounds(from, to, static_cast<int>(text.size()), start, end))
        return 0;
    return SearchBuffer(sub.data(), text.data(), static_cast<int>(sub.size()), end, start, ignoreCase,
                        static_cast<int>(text.size())) +
           1;
}

} // namespace

void TrimBlanks(std::string& text) {
    size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1])) --end;
    size_t begin = 0;
    while (begin < end && IsBlank(text[begin])) ++begin;
    text = text.substr(begin, end - begin);
}

std::string TrimBlanksCopy(std::string_view text) {
    std::string copy(text);
    TrimBlanks(copy);
    return copy;
}

bool DeleteCharSet(std::string& text, const CharSet& set) {
    const auto newEnd = std::remove_if(text.begin(), text.end(), [&](char c) { return InSet(set, c); });
    if (newEnd == text.end()) return false;
    text.erase(newEnd, text.end());
    return true;
}

bool ReplaceAll(std::string& text, std::string_view search, std::string_view replacement) {
    return Replace(text, search, replacement, false);
}

bool ReplaceAllNoCase(std::string& text, std::string_view search, std::string_view replacement) {
    return Replace(text, search, replacement, true);
}

std::string DeleteCopy(std::string_view text, int position, int count) {
    std::string copy(text);
    if (position < 1 || count <= 0 || position > static_cast<int>(copy.size())) return copy;
    copy.erase(static_cast<size_t>(position - 1), static_cast<size_t>(count));
    return copy;
}

void KeepPart(std::string& text, int position, int count) {
    if (position < 1) position = 1;
    if (count <= 0 || position > static_cast<int>(text.size())) {
        text.clear();
        return;
    }
    text = text.substr(static_cast<size_t>(position - 1), static_cast<size_t>(count));
}

std::string RightPart(std::string_view text, int count) {
    if (count <= 0) return {};
    const size_t n = std::min(text.size(), static_cast<size_t>(count));
    return std::string(text.substr(text.size() - n));
}

std::string UpperStr(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = UpperChar(c);
    return result;
}

bool SameTextNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && MatchesAt(a.data(), b.data(), static_cast<int>(a.size()), true);
}

int CompareTextNoCase(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int d = FoldChar(a[i]) - FoldChar(b[i]);
        if (d != 0) return d;
    }
    return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

int SearchStr(std::string_view sub, std::string_view text, int from, int to) {
    return Search(sub, text, from, to, false);
}

int SearchStrNoCase(std::string_view sub, std::string_view text, int from, int to) {
    return Search(sub, text, from, to, true);
}

int SearchBuffer(const char* sub, const char* text, int subLength, int endPosition, int startPosition,
                 bool ignoreCase, int textLength) {
    if (sub == nullptr || text == nullptr || subLength < 0 || textLength < 0) return -1;
    if (subLength == 0) subLength = static_cast<int>(std::strlen(sub));
    if (textLength == 0) textLength = static_cast<int>(std::strlen(text));
    if (subLength == 0 || textLength == 0 || subLength > textLength) return -1;
    const int last = textLength - subLength;
    if (endPosition >= startPosition) {
        for (int p = std::max(startPosition, 0), stop = std::min(endPosition, last); p <= stop; ++p)
            if (MatchesAt(sub, text + p, subLength, ignoreCase)) return p;
    } else {
        for (int p = std::min(startPosition, last), stop = std::max(endPosition, 0); p >= stop; --p)
            if (MatchesAt(sub, text + p, subLength, ignoreCase)) return p;
    }
    return -1;
}

bool StartsWithText(std::string_view sub, std::string_view text) {
    return sub.size() <= text.size() &&
           MatchesAt(sub.data(), text.data(), static_cast<int>(sub.size()), true);
}

int SearchCharSet(const CharSet& set, std::string_view text, int from, int to) {
    int start = 0, end = 0;
    if (text.empty() || !SearchBounds(from, to, static_cast<int>(text.size()), start, end)) return 0;
    const int step = end >= start ? 1 : -1;
    for (int p = start;; p += step) {
        if (InSet(set, text[static_cast<size_t>(p)])) return p + 1;
        if (p == end) return 0;
    }
}

std::string PadStr(std::string_view text, int minLength, char fill) {
    const size_t width = minLength < 0 ? static_cast<size_t>(-static_cast<long long>(minLength))
                                       : static_cast<size_t>(minLength);
    if (text.size() >= width) return std::string(text);
    const std::string padding(width - text.size(), fill);
    if (minLength < 0) return std::string(text) + padding;
    if (fill >= '0' && fill <= '9' && !text.empty() && text[0] == '-')
        return "-" + padding + std::string(text.substr(1));
    return padding + std::string(text);
}

std::string AnsiToWideRaw(std::string_view text, bool terminate) {
    std::string wide;
    wide.reserve(text.size() * 2 + 2);
    for (char c : text) {
        wide.push_back(c);
        wide.push_back('\0');
    }
    if (terminate) wide.append(2, '\0');
    return wide;
}

} // namespace jov
