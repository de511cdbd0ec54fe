#pragma once
// The report's "hardware:" section: the machine's present devices from the setup functions.
#include <string>

namespace jov {

std::string ComposeHardwareSection();

} // namespace jov
