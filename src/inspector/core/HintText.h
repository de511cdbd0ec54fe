#pragma once
#include <string>

namespace core {

// The hint of a truncated cell: texts of up to 100 characters unchanged; longer ones broken into lines
// of about 100 characters at the next blank, without losing or repeating a character.
std::string SplitHintText(const std::string& text);

constexpr const char* hintLineBreak = "\r\n";

} // namespace core
