#pragma once
// The crash reporter's SMTP client: one session per server or per recipient's mail host, the message
// as plain text or MIME with Base64 attachments. Runs over abstract connections, so the platform code
// only supplies sockets, files and the machine's name.
#include "crashreport/core/SmtpReply.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace jov {

class SmtpEnvironment {
public:
    virtual ~SmtpEnvironment() = default;
    // The mail host of the (single) recipient's domain, or empty.
    virtual std::string LookupMailHost(const std::string& recipient) = 0;
    // A connection to the host (name or address) at the port, or none.
    virtual std::unique_ptr<StreamTransport> Connect(const std::string& host, uint16_t port) = 0;
    virtual std::string ComputerName() = 0;
    virtual std::string DateText() = 0;
    virtual bool FileExists(const std::string& path) = 0;
    virtual bool ReadFile(const std::string& path, std::string& content) = 0;
};

struct SmtpMail {
    std::string sender;     // empty: the recipients
    std::string recipients; // "," or ";" between addresses
    std::string subject;
    std::string body;        // 8-bit text, CR LF line breaks
    std::string attachments; // file paths, "|" between them
};

struct SmtpServer {
    std::string host; // empty: each recipient's mail host, one session per recipient
    uint16_t port = 25;
    std::string account;
    std::string password;
};

// 28 characters that no part of a report holds.
extern const char MimeBoundary[];

// True when the mail was accepted; never sends a message the server could take for whole when a part
// of it failed.
bool SmtpSession(const SmtpMail& mail, const SmtpServer& server, SmtpEnvironment& environment);
// True when at least one session succeeded.
bool MailViaSmtp(const SmtpMail& mail, const SmtpServer& server, SmtpEnvironment& environment);

// Every "." that begins a line is doubled, so no line of the text can end the data early.
std::string DotStuff(std::string_view text);
// "=?ISO-8859-1?Q?...?=" with every byte but digits and ASCII letters as "=" and two hexadecimal digits.
std::string EncodeSubject(std::string_view subject);
// "9 Dec 2026 09:41:22 UT" from the UTC time's fields (month 1-12).
std::string SmtpDateText(int year, int month, int day, int hour, int minute, int second);
// The MIME part of one attachment: header, then Base64 lines of 76 characters.
std::string AttachmentPart(std::string_view path, std::string_view content);

} // namespace jov
