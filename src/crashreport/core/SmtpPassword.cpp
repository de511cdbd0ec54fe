#include "crashreport/core/SmtpPassword.h"

#include "crashreport/core/Blowfish.h"

namespace jov {

std::string DecipherSmtpPassword(std::string stored, std::string_view account, std::string_view server) {
    core::DecryptPaddedString(stored, server, SmtpServerCounter);
    core::DecryptPaddedString(stored, account, SmtpAccountCounter);
    if (stored.size() > MaxSmtpPassword) stored.resize(MaxSmtpPassword);
    return stored;
}

} // namespace jov
