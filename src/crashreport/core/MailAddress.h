#pragma once
// Address and text helpers of the mail code: recipient lists, angle addresses, hexadecimal escapes.
#include "crashreport/core/CharTables.h"

#include <string>
#include <string_view>

namespace jov {

// ";" becomes "," and the list is normalised; the number of recipients.
int NormaliseRecipients(std::string& recipients);

// "<text>" when the text holds no "<"; else the text itself (whole) or its part from the first "<".
std::string AngleAddress(std::string_view text, bool whole);

struct MailAddressParts {
    std::string name;
    std::string address;
};
// "Name <address>" apart; without "<" both are the whole text.
MailAddressParts SplitMailAddress(std::string_view text);

char HexDigitChar(unsigned value);
// Every character of the set becomes the escape character and two upper-case hexadecimal digits.
std::string HexEscape(std::string_view text, const CharSet& set, char escape);

} // namespace jov
