#include "core/HintText.h"
#include <algorithm>
#include <string_view>

namespace core {

std::string SplitHintText(const std::string& text) {
    constexpr std::size_t pieceLength = 100;
    if (text.size() <= pieceLength) return text;
    std::string hint;
    hint.reserve(text.size() + text.size() / pieceLength * 2 + 2);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t length = std::min(pieceLength, text.size() - start);
        std::string_view piece(text.data() + start, length);
        if (length == pieceLength && piece.find_first_of("\r\n") == std::string_view::npos) {
            std::size_t blank = text.find(' ', start + length - 1);
            std::size_t end = blank == std::string::npos ? text.size() : blank + 1;
            hint.append(text, start, end - start);
            hint += hintLineBreak;
            start = end;
        } else {
            hint += piece;
            start += length;
        }
    }
    return hint;
}

} // namespace core
