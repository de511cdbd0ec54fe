#pragma once
// The crash reporter's own text toolbox: works while the program's higher layers are broken.
// Positions are 1-based unless a name says otherwise; nothing throws on bad positions.
#include "crashreport/core/CharTables.h"

#include <string>
#include <string_view>

namespace jov {

void TrimBlanks(std::string& text);
std::string TrimBlanksCopy(std::string_view text);
bool DeleteCharSet(std::string& text, const CharSet& set);

bool ReplaceAll(std::string& text, std::string_view search, std::string_view replacement);
bool ReplaceAllNoCase(std::string& text, std::string_view search, std::string_view replacement);

std::string DeleteCopy(std::string_view text, int position, int count);
void KeepPart(std::string& text, int position, int count);
std::string RightPart(std::string_view text, int count);

std::string UpperStr(std::string_view text);
bool SameTextNoCase(std::string_view a, std::string_view b);
int CompareTextNoCase(std::string_view a, std::string_view b);

// `to` = -1 is the end; `from` above `to` searches backwards. 0 when not found.
int SearchStr(std::string_view sub, std::string_view text, int from = 1, int to = -1);
int SearchStrNoCase(std::string_view sub, std::string_view text, int from = 1, int to = -1);
// 0-based core of the searches; a length of 0 means zero-terminated. Offset of the match or -1.
int SearchBuffer(const char* sub, const char* text, int subLength, int endPosition, int startPosition,
                 bool ignoreCase, int textLength);
bool StartsWithText(std::string_view sub, std::string_view text);
int SearchCharSet(const CharSet& set, std::string_view text, int from = 1, int to = -1);

// Pads to |minLength|: on the left when positive, on the right when negative.
std::string PadStr(std::string_view text, int minLength, char fill);

// Each byte becomes a 16-bit character of the same value, held in an 8-bit string of twice the length.
std::string AnsiToWideRaw(std::string_view text, bool terminate);

} // namespace jov
