#include "crashreport/core/MailAddress.h"

#include "crashreport/core/ListText.h"

#include <algorithm>

namespace jov {

int NormaliseRecipients(std::string& recipients) {
    std::replace(recipients.begin(), recipients.end(), ';', ',');
    NormaliseList(recipients, ',');
    return ListItemCount(recipients, ',');
}

std::string AngleAddress(std::string_view text, bool whole) {
    const size_t open = text.find('<');
    if (open == std::string_view::npos) return "<" + std::string(text) + ">";
    return std::string(whole ? text : text.substr(open));
}

MailAddressParts SplitMailAddress(std::string_view text) {
    const size_t open = text.find('<');
    if (open == std::string_view::npos) return {std::string(text), std::string(text)};
    const std::string_view rest = text.substr(open + 1);
    return {std::string(text.substr(0, open)), std::string(rest.substr(0, rest.find('>')))};
}

char HexDigitChar(unsigned value) {
    value &= 15;
    return static_cast<char>(value < 10 ? '0' + value : 'A' + value - 10);
}

std::string HexEscape(std::string_view text, const CharSet& set, char escape) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        if (!InSet(set, c)) {
            result += c;
            continue;
        }
        const auto code = static_cast<unsigned char>(c);
        result += escape;
        result += HexDigitChar(code >> 4);
        result += HexDigitChar(code);
    }
    return result;
}

} // namespace jov
