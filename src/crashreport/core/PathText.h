#pragma once
#include <string>
#include <string_view>

namespace jov {

// The part after the last "\" (the whole text without one).
std::string ExtractFileNamePart(std::string_view path);
// The part up to and including the last "\" (the whole text without one).
std::string ExtractFolderPart(std::string_view path);

} // namespace jov
