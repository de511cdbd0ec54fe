#pragma once
// Character tables of the crash reporter's string helpers (code page 1252).
#include <array>
#include <bitset>

namespace jov {

using CharSet = std::bitset<256>;

// Maps every character to its lower-case partner; the one rule of all case-insensitive work.
extern const std::array<unsigned char, 256> CaseFoldTable;
// "0"-"9" and "A"-"F"/"a"-"f" to their value, everything else to 0.
extern const std::array<unsigned char, 256> DigitValueTable;

inline unsigned char FoldChar(char c) {
    return CaseFoldTable[static_cast<unsigned char>(c)];
}
inline unsigned char DigitValue(char c) {
    return DigitValueTable[static_cast<unsigned char>(c)];
}
inline bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
inline bool InSet(const CharSet& set, char c) {
    return set.test(static_cast<unsigned char>(c));
}

char UpperChar(char c);

} // namespace jov
