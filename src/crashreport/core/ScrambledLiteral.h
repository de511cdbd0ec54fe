#pragma once
// Literals that should not stand in the executable as plain text (system module and routine names).
// Scramble runs at compile time, so only the scrambled bytes reach the binary.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace jov {

constexpr unsigned char ScrambleKey(size_t index) {
    return static_cast<unsigned char>(0xA7 + 29 * index);
}

template <size_t N> struct ScrambledLiteral {
    std::array<char, N - 1> bytes{};
    constexpr std::string_view view() const { return {bytes.data(), bytes.size()}; }
};

template <size_t N> consteval ScrambledLiteral<N> Scramble(const char (&text)[N]) {
    ScrambledLiteral<N> result;
    for (size_t i = 0; i + 1 < N; ++i)
        result.bytes[i] = static_cast<char>(static_cast<unsigned char>(text[i]) ^ ScrambleKey(i));
    return result;
}

std::string DescrambleLiteral(std::string_view scrambled);

} // namespace jov
