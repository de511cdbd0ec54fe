#pragma once
// The recipient list and address forms the mail transports share.
#include <string>
#include <string_view>

namespace jov {

// ";" becomes ",", the list is normalised; gives the number of recipients.
int NormaliseRecipients(std::string& recipients);

// "<address>" for a bare address; with `whole` a text holding "<" stays as it is, else it is cut to start at
// its first "<".
std::string AngleAddress(std::string_view text, bool whole);

} // namespace jov
