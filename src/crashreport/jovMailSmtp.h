#pragma once
// SMTP delivery of a bug report over Windows Sockets: through a server, or straight to each
// recipient's mail host.
#include "crashreport/core/SmtpSession.h"
#include "crashreport/jovMailDns.h"

#include <string>

namespace jov {

// The current UTC time as the "DATE: " header gives it.
std::string SmtpDateText();

// True when at least one session succeeded; a server without host means direct delivery at the
// network's direct port. Brackets its own Winsock session.
bool MailViaSmtp(const SmtpMail& mail, const SmtpServer& server, const MailNetwork& network = {});

} // namespace jov
