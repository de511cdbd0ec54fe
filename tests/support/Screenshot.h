#pragma once
#include <windows.h>
#include <string>

namespace testing_support {

// Saves the whole screen as a PNG picture under build/win32/screenshots/, named `name` (without
// extension). False when the picture could not be written.
bool SaveScreenshotPng(const std::string& name);
// The same once the screen holds still, for windows of another process, whose painting cannot be waited
// for here; a screen that keeps moving (a running banner) is pictured after a few seconds.
bool SaveSettledScreenshotPng(const std::string& name);
// The same once each window has painted itself, children and frame included, and its drawing has
// reached the screen (the system shows a window's drawing some time after it was made; Wine flushes
// window surfaces when idle, and shows black where nothing arrived yet). Waits at most 2 s per window.
bool SaveScreenshotPng(const std::string& name, std::initializer_list<HWND> windows);

} // namespace testing_support
