#pragma once
#include <string>

namespace testing_support {

// Saves the whole screen as a PNG picture under build/win32/screenshots/, named `name` (without
// extension), once the screen holds still. False when the picture could not be written.
bool SaveScreenshotPng(const std::string& name);

} // namespace testing_support
