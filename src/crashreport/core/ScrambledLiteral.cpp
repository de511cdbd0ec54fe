#include "crashreport/core/ScrambledLiteral.h"

namespace jov {

std::string DescrambleLiteral(std::string_view scrambled) {
    std::string text(scrambled);
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char>(static_cast<unsigned char>(text[i]) ^ ScrambleKey(i));
    return text;
}

} // namespace jov
