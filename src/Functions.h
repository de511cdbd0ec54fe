#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// The first window after startAfter (all of them when 0) that is a top-level window, or a direct child
// of parent when one is given, with exactly this class name and text (either may be null for "any").
// A window that does not answer within the message time-out never matches a text.
HWND EmulateFindWindowEx(HWND parent, HWND startAfter, const char* className, const char* windowText);

// A typed window handle in the parse format. With a message asked for, the no-window text and values
// that are no window are errors too; message then holds what to show the user.
std::uint32_t ParseWindowHandle(const std::string& text, bool& error, std::string* message = nullptr);

// The string-table text shown where no window was found.
std::string NoWindowFoundText();

// Inverts the window's area for 350 ms, then redraws it.
void BlinkWindow(HWND wnd);
// Erases and repaints the window, its frame and all its children at once.
void RedrawWindowFull(HWND wnd);
// Waits this long while the calling thread's messages keep being processed.
void DelayWithMessages(DWORD ms);
