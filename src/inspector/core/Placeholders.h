#pragma once
#include <string>

// Texts an attribute reader gives instead of a value it cannot read.
inline constexpr const char* TextUnavailable = "(Unavailable)";
inline constexpr const char* TextNone = "(None)";
inline constexpr const char* TextSendMessageTimedOut = "<SendMessage timed out>";
inline constexpr const char* TextSendMessageFailed = "<SendMessage failed>";

// The two placeholders that read back as "no number".
inline bool IsPlaceholderText(const std::string& text) {
    return text == TextNone || text == TextUnavailable;
}
