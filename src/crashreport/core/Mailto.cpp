#include "crashreport/core/Mailto.h"

#include "crashreport/core/MailAddress.h"
#include "crashreport/core/TextHelpers.h"

namespace jov {

std::string MailtoText(std::string_view recipients, std::string_view subject, std::string_view body) {
    CharSet escaped;
    // "&" too: unescaped, it would end the body at the first one.
    for (const char c : std::string_view("\r\n \"#%+<>?&")) escaped.set(static_cast<unsigned char>(c));
    std::string list(recipients);
    NormaliseRecipients(list);
    return "mailto:" + list + "?subject=" + HexEscape(subject, escaped, '%') +
           "&body=" + HexEscape(body, escaped, '%');
}

std::string MailtoCommand(std::string command, std::string_view mailText) {
    if (!ReplaceAll(command, "%1", mailText)) {
        if (!command.empty() && command.back() != ' ') command += ' ';
        command += mailText;
    }
    if (command.size() > MaxCommandLine) {
        size_t length = MaxCommandLine;
        if (command[length - 1] == '%')
            length -= 1;
        else if (command[length - 2] == '%')
            length -= 2;
        command.resize(length);
    }
    return command;
}

} // namespace jov
