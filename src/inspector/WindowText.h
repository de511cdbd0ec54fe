#pragma once
#include <windows.h>

#include <string>

enum class WindowTextResult { Ok, TimedOut, Failed };

// The text of any window, asked by message with a time limit per message, so a hung window never
// blocks the caller for long. With `skipHung`, a window the system already counts as hung fails at once.
WindowTextResult ReadWindowText(HWND wnd, std::string& text, UINT timeoutMs = 750, bool skipHung = false);

// The same as a value to show: the text, or "<SendMessage timed out>" / "<SendMessage failed>".
std::string WindowTextOrPlaceholder(HWND wnd);
