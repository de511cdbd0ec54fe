#pragma once
#include <cstdint>
#include <string>

namespace jov {

// The two largest units of a duration, each as "<n> <unit>[s] " and left out when 0: "1 day 1 hour ",
// "2 hours 1 minute ", "59 seconds "; 0 seconds give an empty text.
std::string DurationText(int64_t seconds);

} // namespace jov
