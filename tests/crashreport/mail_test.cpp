// Mail over real sockets: fake DNS and SMTP servers on the loopback address, nothing leaves the machine.
#include <gtest/gtest.h>

#include "crashreport/DormantCrashSettings.h"
#include "crashreport/core/DnsMessage.h"
#include "crashreport/core/DnsReplies.h"
#include "crashreport/jovMail.h"
#include "crashreport/core/Blowfish.h"
#include "crashreport/core/SmtpPassword.h"
#include "crashreport/jovMailSettings.h"
#include "crashreport/jovMailSmtp.h"
#include "crashreport/LoopbackSmtpServer.h"
#include "crashreport/jovWinsock.h"

#include <deque>
#include <functional>
#include <thread>

constinit const jov::CrashSettings jov::ProgramCrashSettings = DormantCrashSettings();

namespace {

using namespace jov::test;

// Answers every query that arrives with what `respond` makes of it, until told to stop.
class LoopbackDnsServer {
public:
    explicit LoopbackDnsServer(std::function<std::vector<std::string>(const std::string& query)> respond)
        : respond_(std::move(respond)), socket_(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)) {
        const sockaddr_in local = Loopback(0);
        bind(socket_.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local);
        port = BoundPort(socket_.get());
        thread_ = std::thread([this] { Serve(); });
    }
    ~LoopbackDnsServer() { Stop(); }
    void Stop() {
        if (!thread_.joinable()) return;
        // An empty datagram from the test itself ends the loop.
        jov::OwnedSocket stopper(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
        const sockaddr_in to = Loopback(port);
        sendto(stopper.get(), "", 0, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        thread_.join();
    }

    uint16_t port = 0;
    std::vector<std::string> queries; // read after Stop

private:
    void Serve() {
        char buffer[512];
        for (;;) {
            sockaddr_in from{};
            int length = sizeof from;
            const int received = recvfrom(socket_.get(), buffer, sizeof buffer, 0,
                                          reinterpret_cast<sockaddr*>(&from), &length);
            if (received <= 0) return;
            queries.emplace_back(buffer, size_t(received));
            for (const std::string& reply : respond_(queries.back()))
                sendto(socket_.get(), reply.data(), int(reply.size()), 0, reinterpret_cast<sockaddr*>(&from),
                       length);
        }
    }

    std::function<std::vector<std::string>(const std::string&)> respond_;
    jov::OwnedSocket socket_;
    std::thread thread_;
};

class Mail : public testing::Test {
protected:
    jov::WinsockSession winsock;
};

std::string QueryName(const std::string& query) {
    std::string name;
    size_t next = 0;
    jov::DecodeDnsName(query, 12, name, next);
    return name;
}

TEST_F(Mail, MxLookupAtALoopbackNameServer) {
    LoopbackDnsServer dns([](const std::string& query) -> std::vector<std::string> {
        std::string stale = Reply(query, {{15, MxData(1, "stale.example.com")}});
        stale[1] = char(stale[1] ^ 0x5A);
        if (QueryName(query) == "example.com")
            return {stale, Reply(query, {{5, Name("alias.example.com")},
                                         {15, MxData(20, "mx2.example.com")},
                                         {15, MxData(10, "mx1.example.com")}})};
        return {Reply(query, {}, {}, 3)};
    });
    jov::MailNetwork network;
    network.nameServer = "127.0.0.1";
    network.dnsPort = dns.port;
    EXPECT_EQ(jov::LookupMailHosts("Dev <dev@example.com>", network), "mx2.example.com");
    EXPECT_EQ(jov::LookupMailHosts("dev@example.org", network), "");
    dns.Stop();
    ASSERT_EQ(dns.queries.size(), 2u);
    EXPECT_EQ(dns.queries[0], jov::BuildDnsQuery("example.com", jov::DnsTypeMx, 1));
}

TEST_F(Mail, ReferralWalkEndsAfterTenFurtherSteps) {
    // Every NS query is referred on, to the same loopback server, without end.
    LoopbackDnsServer dns([](const std::string& query) -> std::vector<std::string> {
        if (query[query.size() - 3] == jov::DnsTypeMx) return {Reply(query, {})};
        return {Reply(query, {}, {{2, Name("127.0.0.1")}})};
    });
    // The walk runs when the machine knows no name server, which only the finder can be told.
    jov::UdpDnsTransport transport(dns.port);
    jov::MailHostFinder finder(transport, {"127.0.0.1"});
    EXPECT_EQ(finder.LookupMailHosts("dev@a.mail.example.com", ""), "");
    dns.Stop();
    EXPECT_EQ(dns.queries.size(), 1u + 1u + 10u + 2u);
}

jov::SmtpMail ReportMail(const std::string& attachment) {
    jov::SmtpMail mail;
    mail.sender = "jovExcept <dev@example.com>";
    mail.recipients = "a@x.test;b@x.test;c@x.test";
    mail.subject = "bug report";
    mail.body = "date/time : now\r\n.line\r\n";
    mail.attachments = attachment;
    return mail;
}

std::string TempFile(const char* name, const std::string& content) {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + name;
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, content.data(), DWORD(content.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

TEST_F(Mail, SmtpThroughALoopbackServerWithLogin) {
    const std::string attachment = TempFile("ostrel_mail_test.txt", std::string(100, 'M'));
    LoopbackSmtpServer server;
    server.script.refused = {"<b@x.test>"};
    server.script.chunk = 1;
    EXPECT_TRUE(jov::MailViaSmtp(ReportMail(attachment), {"127.0.0.1", server.port, "user", "secret"}));
    server.Join();
    const std::string& transcript = server.script.transcript;
    EXPECT_EQ(transcript.find("EHLO "), 0u);
    EXPECT_NE(transcript.find("\r\nAUTH LOGIN\r\ndXNlcg==\r\nc2VjcmV0\r\nMAIL FROM:<dev@example.com>\r\n"),
              std::string::npos);
    EXPECT_NE(transcript.find("RCPT TO:<c@x.test>\r\nDATA\r\n"), std::string::npos);
    EXPECT_NE(server.script.message.find("\r\n..line\r\n"), std::string::npos);
    std::string line;
    for (int i = 0; i < 19; ++i) line += "TU1N"; // 57 bytes of "M"
    EXPECT_NE(server.script.message.find("filename=\"ostrel_mail_test.txt\"\r\n\r\n" + line + "\r\n"),
              std::string::npos);
    EXPECT_TRUE(server.script.dataEnded);
    EXPECT_EQ(transcript.substr(transcript.size() - 6), "QUIT\r\n");
    DeleteFileA(attachment.c_str());
}

TEST_F(Mail, AHostThatDoesNotAcceptFailsAfterTheReplyTime) {
    // A listener whose queue is full lets further connection requests go unanswered, as a filtered port
    // does; the system would retry them for minutes.
    jov::OwnedSocket listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    const sockaddr_in local = Loopback(0);
    ASSERT_EQ(bind(listener.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local), 0);
    ASSERT_EQ(listen(listener.get(), 1), 0);
    const sockaddr_in to = Loopback(BoundPort(listener.get()));
    std::deque<jov::OwnedSocket> queued;
    for (int i = 0; i < 8; ++i) {
        const SOCKET waiting = queued.emplace_back(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)).get();
        u_long nonBlocking = 1;
        ioctlsocket(waiting, FIONBIO, &nonBlocking);
        connect(waiting, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    const DWORD start = GetTickCount();
    EXPECT_EQ(jov::ConnectTcp("127.0.0.1", ntohs(to.sin_port)), nullptr);
    const DWORD took = GetTickCount() - start;
    EXPECT_GE(took, jov::SmtpWaitMilliseconds - 500);
    EXPECT_LT(took, 3 * jov::SmtpWaitMilliseconds);
}

TEST_F(Mail, AccountWithoutLoginOfferQuitsBeforeMailFrom) {
    LoopbackSmtpServer server;
    server.script.ehloReply = "250-fake.test\r\n250 AUTH PLAIN\r\n";
    EXPECT_FALSE(jov::MailViaSmtp(ReportMail(""), {"127.0.0.1", server.port, "user", "secret"}));
    server.Join();
    EXPECT_EQ(server.script.transcript.substr(server.script.transcript.find("\r\n")), "\r\nQUIT\r\n");
}

TEST_F(Mail, ReportDeliveredDirectlyWithItsAttachments) {
    LoopbackDnsServer dns([](const std::string& query) -> std::vector<std::string> {
        return {Reply(query, {{15, MxData(10, "127.0.0.1")}})};
    });
    LoopbackSmtpServer smtp;
    const std::string report = "date/time : now\r\nexception message : Access violation\r\n";
    const std::string file = TempFile("ostrel_bugreport.txt", report + "\r\n\r\n");

    jov::MailSettings settings;
    settings.MailAddress = "dev@example.com";
    settings.MailSubject = "crash: %exceptMsg%";
    settings.MailViaMapi = false;
    settings.MailViaMailto = false;
    settings.DeleteAfterMail = true;
    jov::MailContext context;
    context.bugReportFileName = file;
    context.network.nameServer = "127.0.0.1";
    context.network.dnsPort = dns.port;
    context.network.directSmtpPort = smtp.port;
    ASSERT_EQ(jov::MailReport(settings, report, "\x89PNG", true, context), jov::MailSent);
    smtp.Join();

    const std::string& message = smtp.script.message;
    EXPECT_NE(smtp.script.transcript.find("MAIL FROM:<dev@example.com>\r\nRCPT TO:<dev@example.com>\r\n"),
              std::string::npos);
    EXPECT_NE(message.find("SUBJECT: =?ISO-8859-1?Q?crash=3A=20Access=20violation?=\r\n"), std::string::npos);
    EXPECT_NE(message.find("\r\n\r\n" + report + "\r\n--"), std::string::npos);
    EXPECT_NE(message.find("filename=\"ostrel_bugreport.txt\""), std::string::npos);
    EXPECT_NE(message.find("Content-Type: image/png; name=\"screenShot.png\""), std::string::npos);
    // Both attachments are gone after the mail went out.
    EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    EXPECT_EQ(GetFileAttributesA((std::string(folder) + "screenShot.png").c_str()), INVALID_FILE_ATTRIBUTES);
}

// Sets the registered "mailto" command for the test's run and puts the old one back.
class MailtoHandler {
public:
    explicit MailtoHandler(const std::string& command) {
        if (RegCreateKeyExA(HKEY_CLASSES_ROOT, "mailto\\shell\\open\\command", 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr) != ERROR_SUCCESS)
            return;
        char value[1024] = {};
        DWORD size = sizeof value - 1;
        hadValue_ = RegQueryValueExA(key_, nullptr, nullptr, &type_, reinterpret_cast<BYTE*>(value), &size) ==
                    ERROR_SUCCESS;
        old_.assign(value, size);
        RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       DWORD(command.size() + 1));
    }
    ~MailtoHandler() {
        if (!key_) return;
        if (hadValue_)
            RegSetValueExA(key_, nullptr, 0, type_, reinterpret_cast<const BYTE*>(old_.data()),
                           DWORD(old_.size()));
        else
            RegDeleteValueA(key_, nullptr);
        RegCloseKey(key_);
    }
    bool set() const { return key_ != nullptr; }

private:
    HKEY key_ = nullptr;
    bool hadValue_ = false;
    DWORD type_ = REG_SZ;
    std::string old_;
};

// The recorder renames its finished file into place; under Wine the name is there a moment before the
// rename lets go of the file, which until then cannot be opened or read.
std::string ReadWhenThere(const std::string& path) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 30000; Sleep(20)) {
        const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        char buffer[4096];
        DWORD read = 0;
        const bool got = ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read;
        CloseHandle(file);
        if (got) return std::string(buffer, read);
    }
    return {};
}

TEST(MailViaShell, StartsTheRegisteredMailtoCommand) {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string folder(exe);
    folder.erase(folder.find_last_of('\\') + 1);
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string record = std::string(temp) + "ostrel_mailto_record.txt";
    DeleteFileA(record.c_str());
    const std::string command = "\"" + folder + "ostrel_command_recorder.exe\" \"" + record + "\" %1";
    const MailtoHandler handler(command);
    ASSERT_TRUE(handler.set());

    ASSERT_TRUE(jov::MailViaShell("a@x.test; b@y.test", "bug report", "a&b \"q\"\r\n"));
    EXPECT_EQ(ReadWhenThere(record),
              "\"" + folder + "ostrel_command_recorder.exe\" \"" + record +
                  "\" mailto:a@x.test,b@y.test?subject=bug%20report&body=a%26b%20%22q%22%0D%0A");
    DeleteFileA(record.c_str());
}

// Enciphered as the program's maker stores it: with the account, then with the server.
std::string StoredPassword(std::string text, const char* account, const char* server) {
    for (const auto& [key, counter] :
         {std::pair{account, jov::SmtpAccountCounter}, {server, jov::SmtpServerCounter}}) {
        const size_t pad = 8 - text.size() % 8;
        text.append(pad, char(pad));
        core::BlowfishBuffer(text.data(), text.size(), true, false, counter, key);
    }
    return text;
}

TEST(MailSettings, TakenFromTheCrashSettings) {
    const std::string stored = StoredPassword("secret", "user", "smtp.test");
    ASSERT_EQ(stored.find('\0'), std::string::npos); // the settings hold texts
    jov::CrashSettings settings;
    settings.MailAddress = "dev@example.com";
    settings.MailFrom = "me@example.com";
    settings.MailSubject = "crash: %exceptMsg%";
    settings.MailViaServer = true;
    settings.SmtpServer = "smtp.test";
    settings.SmtpPort = 587;
    settings.SmtpAccount = "user";
    settings.SmtpPassword = stored.c_str();
    settings.MailCaption = "mail it";
    const jov::MailSettings mail = jov::MailSettingsOf(settings);
    EXPECT_EQ(mail.MailAddress, "dev@example.com");
    EXPECT_EQ(mail.MailFrom, "me@example.com");
    EXPECT_EQ(mail.MailSubject, "crash: %exceptMsg%");
    EXPECT_TRUE(mail.MailViaServer && mail.MailDirect && mail.AttachBugReport && !mail.DeleteAfterMail);
    EXPECT_EQ(mail.SmtpServer, "smtp.test");
    EXPECT_EQ(mail.SmtpPort, 587);
    EXPECT_EQ(mail.SmtpAccount, "user");
    EXPECT_EQ(mail.SmtpPassword, "secret");
    EXPECT_EQ(mail.MailSuccessText, "The mail was sent successfully.");
    EXPECT_EQ(mail.MailFailureText, "Sorry, sending the mail didn't work.");
    EXPECT_EQ(mail.MailCaption, "mail it");
    settings.SmtpPassword = "";
    EXPECT_EQ(jov::MailSettingsOf(settings).SmtpPassword, "");
}

} // namespace
