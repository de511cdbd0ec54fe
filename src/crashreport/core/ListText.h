#pragma once
// Texts of items separated by one character, as the crash reporter's settings hold them.
#include <string>
#include <string_view>

namespace jov {

// Trims blanks, control characters and separators at both ends and drops empty items.
void NormaliseList(std::string& list, char separator);
int ListItemCount(std::string_view list, char separator);
std::string ListItem(std::string_view list, int index, char separator);
bool ListContainsItem(std::string_view list, std::string_view item, char separator);

} // namespace jov
