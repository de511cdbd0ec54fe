#pragma once
#include <string_view>

namespace core {

// The text matches the file mask: `*` any run of characters, `?` one character, `[...]` one character of
// a set (ranges `a-z`, the complement with a leading `!`). ASCII letters match whatever their case. A `[`
// without a closing `]` after at least one member stands for itself, so no mask is ever an error.
bool MatchesMask(std::string_view text, std::string_view mask);

} // namespace core
