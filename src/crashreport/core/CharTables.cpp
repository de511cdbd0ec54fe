#include "crashreport/core/CharTables.h"

namespace jov {
namespace {

constexpr std::array<unsigned char, 256> MakeCaseFold() {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c) t[c] = static_cast<unsigned char>(c);
    for (int c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<unsigned char>(c + 0x20);
    t[0x8A] = 0x9A;
    t[0x8C] = 0x9C;
    t[0x8E] = 0x9E;
    t[0x9F] = 0xFF;
    for (int c = 0xC0; c <= 0xDE; ++c)
        if (c != 0xD7) t[c] = static_cast<unsigned char>(c + 0x20);
    return t;
}

constexpr std::array<unsigned char, 256> MakeDigitValues() {
    std::array<unsigned char, 256> t{};
    for (int c = '0'; c <= '9'; ++c) t[c] = static_cast<unsigned char>(c - '0');
    for (int c = 0; c < 6; ++c) t['A' + c] = t['a' + c] = static_cast<unsigned char>(10 + c);
    return t;
}

} // namespace

const std::array<unsigned char, 256> CaseFoldTable = MakeCaseFold();
const std::array<unsigned char, 256> DigitValueTable = MakeDigitValues();

char UpperChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || u == 0xE4 || u == 0xF6 || u == 0xFC) return static_cast<char>(u - 0x20);
    return c;
}

} // namespace jov
