#pragma once
// The command line that hands a mail to the registered "mailto" program.
#include <string>
#include <string_view>

namespace jov {

// Longest command line the system starts a process with.
constexpr size_t MaxCommandLine = 32766;

// "mailto:" + recipients + "?subject=" + subject + "&body=" + body, subject and body escaped with "%".
std::string MailtoText(std::string_view recipients, std::string_view subject, std::string_view body);
// The registered command with the mail text in place of "%1" (or appended), cut to MaxCommandLine
// without halving an escape sequence.
std::string MailtoCommand(std::string command, std::string_view mailText);

} // namespace jov
