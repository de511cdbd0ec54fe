#include "crashreport/core/ListText.h"

#include "crashreport/core/TextHelpers.h"

#include <algorithm>

namespace jov {

void NormaliseList(std::string& list, char separator) {
    std::string result;
    size_t begin = 0;
    while (begin <= list.size()) {
        size_t end = list.find(separator, begin);
        if (end == std::string::npos) end = list.size();
        const std::string item = TrimBlanksCopy(std::string_view(list).substr(begin, end - begin));
        if (!item.empty()) {
            if (!result.empty()) result += separator;
            result += item;
        }
        begin = end + 1;
    }
    list = std::move(result);
}

int ListItemCount(std::string_view list, char separator) {
    if (list.empty()) return 0;
    return static_cast<int>(std::count(list.begin(), list.end(), separator)) + 1;
}

std::string ListItem(std::string_view list, int index, char separator) {
    if (index < 1) return {};
    size_t begin = 0;
    for (int i = 1; i < index; ++i) {
        const size_t next = list.find(separator, begin);
        if (next == std::string_view::npos) return {};
        begin = next + 1;
    }
    const size_t end = list.find(separator, begin);
    return std::string(
        list.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin));
}

bool ListContainsItem(std::string_view list, std::string_view item, char separator) {
    if (item.empty() || list.empty()) return false;
    const int length = static_cast<int>(list.size());
    const int itemLength = static_cast<int>(item.size());
    int from = 0;
    while (from < length) {
        const int at = SearchBuffer(item.data(), list.data(), itemLength, length, from, true, length);
        if (at < 0) return false;
        const int end = at + itemLength;
        if ((at == 0 || list[static_cast<size_t>(at - 1)] == separator) &&
            (end == length || list[static_cast<size_t>(end)] == separator))
            return true;
        // A valid item starts after a separator, so it cannot begin before end + 1.
        from = end + 1;
    }
    return false;
}

} // namespace jov
