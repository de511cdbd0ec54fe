#include "crashreport/core/SmtpReply.h"

#include "crashreport/core/TextHelpers.h"

#include <algorithm>

namespace jov {

bool SmtpReplyReader::NextLine(std::string& line, size_t& replySize) {
    size_t end;
    while ((end = pending_.find('\n')) == std::string::npos) {
        if (replySize + pending_.size() > MaxReplySize) return false;
        char buffer[1024];
        const size_t received = transport_.Receive(buffer, sizeof buffer);
        if (received == 0) return false;
        pending_.append(buffer, std::min(received, sizeof buffer));
    }
    replySize += end + 1;
    if (replySize > MaxReplySize) return false;
    line.assign(pending_, 0, end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    pending_.erase(0, end + 1);
    return true;
}

bool SmtpReplyReader::ReadReply(std::string_view code, bool* authLogin) {
    bool matches = true;
    size_t replySize = 0;
    std::string line;
    for (;;) {
        if (!NextLine(line, replySize)) return false;
        if (line.size() < code.size() || std::string_view(line).substr(0, code.size()) != code)
            matches = false;
        std::replace(line.begin(), line.end(), '=', ' '); // "AUTH=LOGIN" reads like "AUTH LOGIN"
        if (matches && authLogin && !*authLogin && line.size() > 4) {
            const std::string_view text = std::string_view(line).substr(4);
            if (StartsWithText("AUTH ", text) &&
                SearchStrNoCase(" LOGIN ", std::string(text.substr(4)) + ' ') > 0)
                *authLogin = true;
        }
        // Every line up to the last one carries "-" behind its code.
        if (line.size() < 4 || line[3] != '-') return matches;
    }
}

} // namespace jov
