#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <set>

#include "crashreport/core/FakeSmtpServer.h"
#include "crashreport/core/SmtpSession.h"

namespace {

using namespace std::string_literals;
using jov::test::FakeSmtpServer;

class Connection : public jov::StreamTransport {
public:
    explicit Connection(FakeSmtpServer& server) : server_(server) { server_.Open(); }
    bool SendAll(std::string_view data) override {
        server_.Receive(data);
        return true;
    }
    size_t Receive(char* buffer, size_t size) override { return server_.Send(buffer, size); }

private:
    FakeSmtpServer& server_;
};

class FakeEnvironment : public jov::SmtpEnvironment {
public:
    std::map<std::string, FakeSmtpServer> servers; // by host
    std::map<std::string, std::string> mailHosts;  // recipient to host
    std::map<std::string, std::string> files;
    std::set<std::string> unreadable;
    std::vector<std::pair<std::string, uint16_t>> connects;

    std::string LookupMailHost(const std::string& recipient) override {
        const auto found = mailHosts.find(recipient);
        return found == mailHosts.end() ? std::string() : found->second;
    }
    std::unique_ptr<jov::StreamTransport> Connect(const std::string& host, uint16_t port) override {
        connects.emplace_back(host, port);
        const auto found = servers.find(host);
        if (found == servers.end()) return nullptr;
        return std::make_unique<Connection>(found->second);
    }
    std::string ComputerName() override { return "TESTPC"; }
    std::string DateText() override { return "9 Dec 2026 09:41:22 UT"; }
    bool FileExists(const std::string& path) override { return files.count(path) || unreadable.count(path); }
    bool ReadFile(const std::string& path, std::string& content) override {
        if (unreadable.count(path)) return false;
        content = files.at(path);
        return true;
    }
};

const std::string B = "Ostrel.Crash.Report Boundary";

jov::SmtpMail ReportMail() {
    jov::SmtpMail mail;
    mail.sender = "jovExcept <dev@example.com>";
    mail.recipients = "a@x.test; Bob <b@x.test>, c@x.test";
    mail.subject = "bug report: AV";
    mail.body = "line 1\r\n.hidden\r\n.\r\nlast";
    mail.attachments = "C:\\r\\report.txt|C:\\missing.txt|C:\\r\\shot.PNG";
    return mail;
}

TEST(SmtpSession, WholeTranscriptThroughAServerWithLogin) {
    FakeEnvironment env;
    FakeSmtpServer& server = env.servers["smtp.test"];
    server.refused = {"<b@x.test>"};
    env.files = {{"C:\\r\\report.txt", std::string(100, 'M')}, {"C:\\r\\shot.PNG", "Ma"}};
    ASSERT_TRUE(jov::MailViaSmtp(ReportMail(), {"smtp.test", 587, "user", "secret"}, env));
    EXPECT_EQ(env.connects, (std::vector<std::pair<std::string, uint16_t>>{{"smtp.test", 587}}));

    const std::string expected =
        "EHLO TESTPC\r\nAUTH LOGIN\r\ndXNlcg==\r\nc2VjcmV0\r\nMAIL FROM:<dev@example.com>\r\n"
        "RCPT TO:<a@x.test>\r\nRCPT TO:<b@x.test>\r\nRCPT TO:<c@x.test>\r\nDATA\r\n"
        "DATE: 9 Dec 2026 09:41:22 UT\r\n"
        "TO: <a@x.test>,Bob <b@x.test>,<c@x.test>\r\n" // each address in its own brackets
        "FROM: jovExcept <dev@example.com>\r\n"
        "SUBJECT: =?ISO-8859-1?Q?bug=20report=3A=20AV?=\r\n"
        "MIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"" +
        B +
        "\"\r\n\r\n"
        "This is a multi-part message in MIME format.\r\n\r\n"
        "--" +
        B +
        "\r\n"
        "Content-Type: text/plain; charset=\"iso-8859-1\"\r\n"
        "Content-Transfer-Encoding: 8bit\r\n\r\n"
        "line 1\r\n..hidden\r\n..\r\nlast\r\n"
        "--" +
        B +
        "\r\n"
        "Content-Type: application/octet-stream; name=\"report.txt\"\r\n"
        "Content-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment; filename=\"report.txt\"\r\n\r\n" +
        [] {
            std::string s;
            for (int i = 0; i < 19; ++i) s += "TU1N";
            return s;
        }() +
        "\r\n" +
        [] {
            std::string s;
            for (int i = 0; i < 14; ++i) s += "TU1N";
            return s;
        }() +
        "TQ==\r\n"
        "--" +
        B +
        "\r\n"
        "Content-Type: image/png; name=\"shot.PNG\"\r\n"
        "Content-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment; filename=\"shot.PNG\"\r\n\r\n"
        "TWE=\r\n"
        "--" +
        B +
        "--\r\n"
        "\r\n.\r\n"
        "QUIT\r\n";
    EXPECT_EQ(server.transcript, expected);
    EXPECT_TRUE(server.dataEnded);

    // Bare addresses too: one pair of brackets round the whole list would be no address list.
    jov::SmtpMail bare = ReportMail();
    bare.recipients = "a@x.test; c@x.test";
    server.transcript.clear();
    ASSERT_TRUE(jov::MailViaSmtp(bare, {"smtp.test", 587, "user", "secret"}, env));
    EXPECT_NE(server.transcript.find("\r\nTO: <a@x.test>,<c@x.test>\r\n"), std::string::npos);
}

TEST(SmtpSession, RepliesCutIntoSingleBytes) {
    FakeEnvironment env;
    FakeSmtpServer& server = env.servers["smtp.test"];
    server.chunk = 1;
    EXPECT_TRUE(jov::MailViaSmtp(ReportMail(), {"smtp.test", 25, "user", "secret"}, env));
    EXPECT_TRUE(server.dataEnded);
}

TEST(SmtpSession, FailuresAndWhatStillGoesOut) {
    struct Case {
        const char* what;
        std::string ehlo;
        std::set<std::string> refused;
        jov::SmtpServer account;
        jov::SmtpMail mail;
        bool result;
        std::vector<std::string> commands; // the lines outside the data, in order
    };
    jov::SmtpMail plain = ReportMail();
    plain.attachments.clear();
    jov::SmtpMail empty = plain;
    empty.subject.clear();
    empty.body.clear();
    const std::string noAuth = "250-fake.test\r\n250-AUTH PLAIN CRAM-MD5\r\n250 HELP\r\n";
    const std::string ehlo = "250-fake.test\r\n250 AUTH LOGIN\r\n";
    const Case cases[] = {
        {"an account but no LOGIN offered",
         noAuth,
         {},
         {"smtp.test", 25, "user", "pw"},
         plain,
         false,
         {"EHLO TESTPC", "QUIT"}},
        {"a password alone also needs it",
         noAuth,
         {},
         {"smtp.test", 25, "", "pw"},
         plain,
         false,
         {"EHLO TESTPC", "QUIT"}},
        {"no EHLO, no login",
         "500 unknown\r\n",
         {},
         {"smtp.test", 25, "user", "pw"},
         plain,
         false,
         {"EHLO TESTPC", "HELO TESTPC", "QUIT"}},
        {"HELO without an account",
         "502 no\r\n",
         {},
         {"smtp.test", 25, "", ""},
         plain,
         true,
         {"EHLO TESTPC", "HELO TESTPC", "MAIL FROM:<dev@example.com>", "RCPT TO:<a@x.test>",
          "RCPT TO:<b@x.test>", "RCPT TO:<c@x.test>", "DATA", "QUIT"}},
        {"every recipient refused",
         ehlo,
         {"<a@x.test>", "<b@x.test>", "<c@x.test>"},
         {"smtp.test", 25, "", ""},
         plain,
         false,
         {"EHLO TESTPC", "MAIL FROM:<dev@example.com>", "RCPT TO:<a@x.test>", "RCPT TO:<b@x.test>",
          "RCPT TO:<c@x.test>", "QUIT"}},
        {"nothing to say",
         ehlo,
         {},
         {"smtp.test", 25, "", ""},
         empty,
         true,
         {"EHLO TESTPC", "MAIL FROM:<dev@example.com>", "RCPT TO:<a@x.test>", "RCPT TO:<b@x.test>",
          "RCPT TO:<c@x.test>", "RSET", "QUIT"}},
    };
    for (const Case& c : cases) {
        FakeEnvironment env;
        FakeSmtpServer& server = env.servers["smtp.test"];
        server.ehloReply = c.ehlo;
        server.refused = c.refused;
        EXPECT_EQ(jov::MailViaSmtp(c.mail, c.account, env), c.result) << c.what;
        std::vector<std::string> commands;
        std::string rest = server.transcript.substr(0, server.transcript.find("DATE: "));
        if (server.transcript.find("DATE: ") != std::string::npos)
            rest += server.transcript.substr(server.transcript.find("\r\n.\r\n") + 5);
        for (size_t end; (end = rest.find("\r\n")) != std::string::npos; rest.erase(0, end + 2))
            commands.push_back(rest.substr(0, end));
        EXPECT_EQ(commands, c.commands) << c.what;
    }
}

TEST(SmtpSession, PlainMessageIsDotStuffedFromItsFirstLine) {
    FakeEnvironment env;
    FakeSmtpServer& server = env.servers["smtp.test"];
    jov::SmtpMail mail = ReportMail();
    mail.attachments = "C:\\missing.txt";
    mail.body = ".first\r\n.\r\n..two\r\nmid.dle\r\n.";
    ASSERT_TRUE(jov::MailViaSmtp(mail, {"smtp.test", 25, "", ""}, env));
    // A missing attachment still makes a MIME message with its closing line; the end of the data
    // always begins a line of its own.
    const std::string body = "\r\n\r\n..first\r\n..\r\n...two\r\nmid.dle\r\n..\r\n--" + B + "--\r\n\r\n";
    EXPECT_EQ(server.message.substr(server.message.size() - body.size()), body);

    mail.attachments.clear();
    mail.body = ".\r\n";
    ASSERT_TRUE(jov::MailViaSmtp(mail, {"smtp.test", 25, "", ""}, env));
    EXPECT_NE(server.transcript.find("?=\r\n\r\n..\r\n\r\n.\r\nQUIT\r\n"), std::string::npos);

    const std::pair<const char*, const char*> stuffing[] = {
        {"", ""},        {".", ".."}, {"a.b", "a.b"}, {"\r\n.\r\n", "\r\n..\r\n"}, {"x\n.y", "x\n..y"},
        {"...", "...."},
    };
    for (const auto& [text, stuffed] : stuffing) EXPECT_EQ(jov::DotStuff(text), stuffed) << text;
}

TEST(SmtpSession, UnreadableAttachmentLeavesTheDataUnended) {
    FakeEnvironment env;
    FakeSmtpServer& server = env.servers["smtp.test"];
    env.unreadable = {"C:\\r\\report.txt"};
    jov::SmtpMail mail = ReportMail();
    mail.attachments = "C:\\r\\report.txt";
    EXPECT_FALSE(jov::MailViaSmtp(mail, {"smtp.test", 25, "", ""}, env));
    EXPECT_FALSE(server.dataEnded); // the server drops the message when the connection ends
    EXPECT_EQ(server.transcript.find("QUIT"), std::string::npos);
}

TEST(SmtpSession, DirectDeliveryOneSessionPerRecipient) {
    FakeEnvironment env;
    env.mailHosts = {{"a@x.test", "mx.x.test"}, {"Bob <b@y.test>", "mx.y.test"}, {"c@z.test", "mx.z.test"}};
    env.servers["mx.x.test"].refused = {"<a@x.test>"};
    env.servers["mx.y.test"];
    jov::SmtpMail mail = ReportMail();
    mail.recipients = "a@x.test;Bob <b@y.test>;c@z.test;d@nowhere.test";
    mail.attachments.clear();
    EXPECT_TRUE(jov::MailViaSmtp(mail, {}, env));
    EXPECT_EQ(env.connects, (std::vector<std::pair<std::string, uint16_t>>{
                                {"mx.x.test", 25}, {"mx.y.test", 25}, {"mx.z.test", 25}}));
    EXPECT_FALSE(env.servers["mx.x.test"].dataEnded);
    EXPECT_NE(env.servers["mx.y.test"].transcript.find("RCPT TO:<b@y.test>\r\nDATA"), std::string::npos);

    env.servers["mx.y.test"].refused = {"<b@y.test>"};
    EXPECT_FALSE(jov::MailViaSmtp(mail, {}, env));
    mail.recipients = " ; ";
    EXPECT_FALSE(jov::MailViaSmtp(mail, {}, env));
}

// Bytes as they stand, cut into pieces.
struct PlainStream : jov::StreamTransport {
    PlainStream(std::string bytes, size_t piece) : data(std::move(bytes)), chunk(piece) {}
    std::string data;
    size_t chunk;
    bool SendAll(std::string_view) override { return true; }
    size_t Receive(char* buffer, size_t size) override {
        const size_t n = std::min({size, chunk, data.size()});
        std::copy_n(data.begin(), n, buffer);
        data.erase(0, n);
        return n;
    }
};

TEST(SmtpReply, LinesWhereverTheNetworkCutsThem) {
    struct Case {
        const char* what;
        std::string replies;
        bool ok;
        bool authLogin;
    };
    const Case cases[] = {
        {"one line", "250 ok\r\n", true, false},
        {"code alone", "250\r\n", true, false},
        {"multi-line", "250-a\r\n250-b\r\n250 c\r\n", true, false},
        {"AUTH=LOGIN", "250-a\r\n250-AUTH=LOGIN\r\n250 c\r\n", true, true},
        {"AUTH list", "250-a\r\n250 auth PLAIN login\r\n", true, true},
        {"LOGIN elsewhere", "250-LOGIN AUTH\r\n250-AUTH PLAIN LOGINS\r\n250 ok\r\n", true, false},
        {"bare line feeds", "250-a\n250 AUTH LOGIN\n", true, true},
        {"another code", "550 no\r\n", false, false},
        {"another code inside", "250-a\r\n550-b\r\n250 c\r\n", false, false},
        {"too short", "25\r\n", false, false},
        {"cut off", "250-a\r\n250-b", false, false},
        {"nothing", "", false, false},
        {"endless", "250-" + std::string(20000, 'x') + "\r\n250 ok\r\n", false, false},
    };
    for (const size_t chunk : {size_t(1), size_t(3), size_t(1024)})
        for (const Case& c : cases) {
            PlainStream stream{c.replies + "221 next\r\n", chunk};
            jov::SmtpReplyReader reader(stream);
            bool authLogin = false;
            EXPECT_EQ(reader.ReadReply("250", &authLogin), c.ok) << c.what << " in " << chunk;
            EXPECT_EQ(authLogin, c.authLogin) << c.what << " in " << chunk;
            // Nothing of one reply is left over for the next.
            if (c.ok) {
                EXPECT_TRUE(reader.ReadReply("221")) << c.what << " in " << chunk;
            }
        }
}

TEST(SmtpText, SubjectAndDate) {
    EXPECT_EQ(jov::EncodeSubject("AV at 0x1F: ok?"), "=?ISO-8859-1?Q?AV=20at=200x1F=3A=20ok=3F?=");
    EXPECT_EQ(jov::EncodeSubject("\xE9_"), "=?ISO-8859-1?Q?=E9=5F?=");
    EXPECT_EQ(jov::SmtpDateText(2026, 12, 9, 9, 41, 2), "9 Dec 2026 09:41:02 UT");
    EXPECT_EQ(jov::SmtpDateText(1999, 1, 31, 23, 0, 59), "31 Jan 1999 23:00:59 UT");
    EXPECT_EQ(jov::SmtpDateText(2000, 5, 1, 0, 0, 0), "1 May 2000 00:00:00 UT");
}

} // namespace
