#pragma once
#include <string>

namespace fw {

// ANSI <-> UTF-16 for COM and control boundaries (the system code page, as the "A" functions use).
std::wstring toWide(const std::string& text);
std::string fromWide(const wchar_t* text, int length = -1);

} // namespace fw
