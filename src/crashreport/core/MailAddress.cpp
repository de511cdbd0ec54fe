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

} // namespace jov
