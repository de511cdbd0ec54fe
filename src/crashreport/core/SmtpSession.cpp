#include "crashreport/core/SmtpSession.h"

#include "crashreport/core/Base64.h"
#include "crashreport/core/ListText.h"
#include "crashreport/core/MailAddress.h"
#include "crashreport/core/TextHelpers.h"

namespace jov {

const char MimeBoundary[] = "Ostrel.Crash.Report Boundary";
static_assert(sizeof MimeBoundary == 29);

namespace {

constexpr size_t Base64ChunkSize = 57; // encodes to a line of 76 characters

class SmtpDialog {
public:
    explicit SmtpDialog(StreamTransport& connection) : connection_(connection), reader_(connection) {}
    bool Send(std::string_view data) { return connection_.SendAll(data); }
    bool Read(std::string_view code, bool* authLogin = nullptr) { return reader_.ReadReply(code, authLogin); }
    bool Command(const std::string& command, std::string_view code, bool* authLogin = nullptr) {
        return Send(command + "\r\n") && Read(code, authLogin);
    }

private:
    StreamTransport& connection_;
    SmtpReplyReader reader_;
};

enum class Outcome { Accepted, Failed, Aborted };

std::string FileNameOf(std::string_view path) {
    const size_t slash = path.find_last_of("\\/:");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// Each recipient in its own brackets (a text with "<" as it stands): one pair round the whole list is no
// address list.
std::string HeaderRecipients(const std::string& recipients) {
    std::string text;
    const int count = ListItemCount(recipients, ',');
    for (int i = 1; i <= count; ++i)
        text += (i > 1 ? "," : "") + AngleAddress(ListItem(recipients, i, ','), true);
    return text;
}

// The message from the header block to the last boundary; false when a part of it could not be sent.
bool SendContent(SmtpDialog& dialog, const SmtpMail& mail, const std::string& sender,
                 const std::string& recipients, SmtpEnvironment& environment) {
    const std::string header = "DATE: " + environment.DateText() + "\r\nTO: " + HeaderRecipients(recipients) +
                               "\r\nFROM: " + AngleAddress(sender, true) +
                               "\r\nSUBJECT: " + EncodeSubject(mail.subject) + "\r\n";
    if (!dialog.Send(header)) return false;
    const std::string body = DotStuff(mail.body);
    std::string attachments = mail.attachments;
    NormaliseList(attachments, '|');
    if (attachments.empty()) return dialog.Send("\r\n" + body);

    const std::string boundary = MimeBoundary;
    if (!dialog.Send("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"" + boundary +
                     "\"\r\n\r\nThis is a multi-part message in MIME format.\r\n\r\n--" + boundary +
                     "\r\nContent-Type: text/plain; charset=\"iso-8859-1\"\r\n"
                     "Content-Transfer-Encoding: 8bit\r\n\r\n" +
                     body + "\r\n"))
        return false;
    const int count = ListItemCount(attachments, '|');
    for (int i = 1; i <= count; ++i) {
        const std::string path = ListItem(attachments, i, '|');
        if (!environment.FileExists(path)) continue;
        std::string content;
        if (!environment.ReadFile(path, content)) return false;
        if (!content.empty() && !dialog.Send(AttachmentPart(path, content))) return false;
    }
    return dialog.Send("--" + boundary + "--\r\n");
}

// Everything between the greeting and QUIT.
Outcome Transact(SmtpDialog& dialog, const SmtpMail& mail, const SmtpServer& server, bool authLogin,
                 SmtpEnvironment& environment) {
    const std::string sender = mail.sender.empty() ? mail.recipients : mail.sender;
    if (!server.account.empty() || !server.password.empty()) {
        if (!authLogin || !dialog.Command("AUTH LOGIN", "334") ||
            !dialog.Command(core::Base64EncodeStr(server.account), "334") ||
            !dialog.Command(core::Base64EncodeStr(server.password), "235"))
            return Outcome::Failed;
    }
    if (!dialog.Command("MAIL FROM:" + AngleAddress(sender, false), "250")) return Outcome::Failed;
    std::string recipients = mail.recipients;
    const int count = NormaliseRecipients(recipients);
    int accepted = 0;
    for (int i = 1; i <= count; ++i)
        if (dialog.Command("RCPT TO:" + AngleAddress(ListItem(recipients, i, ','), false), "250")) ++accepted;
    if (accepted == 0) return Outcome::Failed;
    if (mail.subject.empty() && mail.body.empty())
        return dialog.Command("RSET", "250") ? Outcome::Accepted : Outcome::Failed;
    if (!dialog.Command("DATA", "354")) return Outcome::Failed;
    // A message cut short must not reach the recipient as if whole: leave without ending the data.
    if (!SendContent(dialog, mail, sender, recipients, environment)) return Outcome::Aborted;
    return dialog.Command("\r\n.", "250") ? Outcome::Accepted : Outcome::Failed;
}

} // namespace

std::string DotStuff(std::string_view text) {
    std::string result;
    result.reserve(text.size() + 16);
    bool lineStart = true;
    for (const char c : text) {
        if (lineStart && c == '.') result += '.';
        result += c;
        lineStart = c == '\n';
    }
    return result;
}

std::string EncodeSubject(std::string_view subject) {
    CharSet escaped;
    escaped.set();
    for (char c = '0'; c <= '9'; ++c) escaped.reset(static_cast<unsigned char>(c));
    for (char c = 'A'; c <= 'Z'; ++c) {
        escaped.reset(static_cast<unsigned char>(c));
        escaped.reset(static_cast<unsigned char>(c - 'A' + 'a'));
    }
    return "=?ISO-8859-1?Q?" + HexEscape(subject, escaped, '=') + "?=";
}

std::string SmtpDateText(int year, int month, int day, int hour, int minute, int second) {
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const auto two = [](int value) { return PadStr(std::to_string(value), 2, '0'); };
    const char* name = month >= 1 && month <= 12 ? months[month - 1] : "Jan";
    return std::to_string(day) + " " + name + " " + std::to_string(year) + " " + two(hour) + ":" +
           two(minute) + ":" + two(second) + " UT";
}

std::string AttachmentPart(std::string_view path, std::string_view content) {
    const std::string name = FileNameOf(path);
    const bool png = path.size() >= 4 && SameTextNoCase(path.substr(path.size() - 4), ".png");
    std::string part =
        "--" + std::string(MimeBoundary) +
        "\r\nContent-Type: " + (png ? "image/png" : "application/octet-stream") + "; name=\"" + name +
        "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"" + name +
        "\"\r\n\r\n";
    for (size_t at = 0; at < content.size(); at += Base64ChunkSize) {
        const std::string_view chunk = content.substr(at, Base64ChunkSize);
        part += core::Base64Encode(chunk.data(), chunk.size());
        part += "\r\n";
    }
    return part;
}

bool SmtpSession(const SmtpMail& mail, const SmtpServer& server, SmtpEnvironment& environment) {
    const std::string host = server.host.empty() ? environment.LookupMailHost(mail.recipients) : server.host;
    if (host.empty()) return false;
    const std::unique_ptr<StreamTransport> connection = environment.Connect(host, server.port);
    if (!connection) return false;
    SmtpDialog dialog(*connection);
    if (!dialog.Read("220")) return false;
    const std::string computer = environment.ComputerName();
    bool authLogin = false;
    if (!dialog.Command("EHLO " + computer, "250", &authLogin)) {
        authLogin = false; // only an extended session can authenticate
        if (!dialog.Command("HELO " + computer, "250")) return false;
    }
    const Outcome outcome = Transact(dialog, mail, server, authLogin, environment);
    if (outcome == Outcome::Aborted) return false;
    const bool quit = dialog.Command("QUIT", "221");
    return outcome == Outcome::Accepted && quit;
}

bool MailViaSmtp(const SmtpMail& mail, const SmtpServer& server, SmtpEnvironment& environment) {
    if (mail.recipients.empty()) return false;
    if (!server.host.empty()) return SmtpSession(mail, server, environment);
    std::string recipients = mail.recipients;
    const int count = NormaliseRecipients(recipients);
    bool sent = false;
    for (int i = 1; i <= count; ++i) {
        SmtpMail single = mail;
        single.recipients = ListItem(recipients, i, ',');
        if (SmtpSession(single, server, environment)) sent = true;
    }
    return sent;
}

} // namespace jov
