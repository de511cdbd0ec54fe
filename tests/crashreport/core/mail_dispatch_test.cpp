#include <gtest/gtest.h>

#include <set>

#include "crashreport/core/Blowfish.h"
#include "crashreport/core/MailAddress.h"
#include "crashreport/core/MailDispatch.h"
#include "crashreport/core/Mailto.h"
#include "crashreport/core/SmtpPassword.h"

namespace {

// Records what the dispatch asks of the platform, in order; each transport answers as set.
class FakePlatform : public jov::MailPlatform {
public:
    bool connected = true;
    bool directWorks = false, serverWorks = false, shellWorks = true;
    int mapiResult = 0;
    std::set<std::string> files = {"C:\\app\\bugreport.txt"};
    std::string screenshotPath = "C:\\tmp\\screenShot.png";
    std::vector<std::string> calls;
    jov::SmtpMail lastMail;
    std::string mapiAttachments;

    std::string BugReportFileName() override { return "bugreport.txt"; }
    std::string ModuleFolder() override { return "C:\\app\\"; }
    bool FileExists(const std::string& path) override { return files.count(path) > 0; }
    std::string WriteScreenshot(std::string_view png) override {
        calls.push_back("screenshot " + std::string(png));
        return screenshotPath;
    }
    bool IsConnected() override { return connected; }
    bool MailViaSmtp(const jov::SmtpMail& mail, const jov::SmtpServer& server) override {
        lastMail = mail;
        calls.push_back("smtp " + (server.host.empty() ? "direct"
                                                       : server.host + ":" + std::to_string(server.port) +
                                                             " " + server.account + "/" + server.password));
        return server.host.empty() ? directWorks : serverWorks;
    }
    int MailViaMapi(const std::string&, const std::string& subject, const std::string&, bool silent,
                    const std::string& attachments) override {
        mapiAttachments = attachments;
        calls.push_back("mapi " + subject + (silent ? " silent" : ""));
        return mapiResult;
    }
    void LeaveTopmost() override { calls.push_back("not topmost"); }
    bool MailViaShell(const std::string& recipients, const std::string&, const std::string&) override {
        calls.push_back("mailto " + recipients);
        return shellWorks;
    }
    void ShowResult(const std::string& text, const std::string& caption, bool failure) override {
        calls.push_back((failure ? "error box " : "info box ") + caption + ": " + text);
    }
    void DeleteAttachment(const std::string& path) override { calls.push_back("delete " + path); }
};

jov::MailSettings Settings() {
    jov::MailSettings settings;
    settings.MailAddress = "dev@example.com";
    settings.MailViaServer = true;
    settings.SmtpServer = "smtp.test";
    settings.SmtpPort = 587;
    settings.SmtpAccount = "user";
    settings.SmtpPassword = "pw";
    settings.MailSuccessText = "sent%LF%fine";
    settings.MailFailureText = "failed";
    return settings;
}

TEST(MailReport, TransportOrderAndBoxes) {
    struct Case {
        const char* what;
        bool silent, connected, direct, server;
        int mapi;
        bool shell;
        int result;
        std::vector<std::string> calls;
    };
    const std::string smtp = "smtp smtp.test:587 user/pw";
    const Case cases[] = {
        {"direct works",
         false,
         true,
         true,
         true,
         0,
         true,
         1,
         {"smtp direct", "info box mail bug report: sent\r\nfine"}},
        {"server after direct",
         false,
         true,
         false,
         true,
         0,
         true,
         1,
         {"smtp direct", smtp, "info box mail bug report: sent\r\nfine"}},
        {"MAPI sends: no box",
         false,
         true,
         false,
         false,
         1,
         true,
         1,
         {"smtp direct", smtp, "mapi bug report"}},
        {"MAPI cancelled: no box, no mailto",
         false,
         true,
         false,
         false,
         2,
         true,
         2,
         {"smtp direct", smtp, "mapi bug report"}},
        {"mailto last",
         false,
         true,
         false,
         false,
         0,
         true,
         1,
         {"smtp direct", smtp, "mapi bug report", "not topmost", "mailto dev@example.com"}},
        {"nothing works",
         false,
         true,
         false,
         false,
         0,
         false,
         0,
         {"smtp direct", smtp, "mapi bug report", "not topmost", "mailto dev@example.com",
          "error box mail bug report: failed"}},
        {"offline skips SMTP",
         false,
         false,
         true,
         true,
         0,
         false,
         0,
         {"mapi bug report", "not topmost", "mailto dev@example.com", "error box mail bug report: failed"}},
        {"silent: MAPI without a window, never mailto, no box",
         true,
         true,
         false,
         false,
         0,
         true,
         0,
         {"smtp direct", smtp, "mapi bug report silent"}},
        {"silent success: no box", true, true, true, true, 0, true, 1, {"smtp direct"}},
    };
    for (const Case& c : cases) {
        FakePlatform platform;
        platform.connected = c.connected;
        platform.directWorks = c.direct;
        platform.serverWorks = c.server;
        platform.mapiResult = c.mapi;
        platform.shellWorks = c.shell;
        jov::MailSettings settings = Settings();
        settings.AttachBugReport = false;
        EXPECT_EQ(jov::MailReport(settings, "report", "", c.silent, platform), c.result) << c.what;
        EXPECT_EQ(platform.calls, c.calls) << c.what;
    }

    // Switched-off transports are not tried; a server transport needs a server name.
    FakePlatform platform;
    jov::MailSettings settings = Settings();
    settings.MailDirect = false;
    settings.SmtpServer.clear();
    settings.MailViaMapi = false;
    settings.MailViaMailto = false;
    EXPECT_EQ(jov::MailReport(settings, "report", "", false, platform), 0);
    EXPECT_EQ(platform.calls, std::vector<std::string>{"error box mail bug report: failed"});
    // Without recipients there is no SMTP at all.
    settings = Settings();
    settings.MailAddress.clear();
    settings.MailViaMailto = false;
    platform.calls.clear();
    jov::MailReport(settings, "report", "", false, platform);
    EXPECT_EQ(platform.calls,
              (std::vector<std::string>{"mapi bug report", "error box mail bug report: failed"}));
}

TEST(MailReport, SubjectSenderAndAttachments) {
    FakePlatform platform;
    platform.directWorks = true;
    jov::MailSettings settings = Settings();
    settings.MailAddress = " first@example.com ; second@example.com";
    settings.MailSubject = "crash: %EXCEPTMSG% (%exceptMsg%)";
    settings.DeleteAfterMail = true;
    const std::string report =
        "date/time : now\r\nexception message  : Access violation: at 0x1 \r\nnext\r\n";
    EXPECT_EQ(jov::MailReport(settings, report, "PNG", true, platform), 1);
    EXPECT_EQ(platform.lastMail.subject, "crash: Access violation: at 0x1 (Access violation: at 0x1)");
    EXPECT_EQ(platform.lastMail.sender, "jovExcept <first@example.com>");
    EXPECT_EQ(platform.lastMail.body, report);
    EXPECT_EQ(platform.lastMail.attachments, "C:\\app\\bugreport.txt|C:\\tmp\\screenShot.png");
    // Each attached file is deleted, not the list as one name.
    EXPECT_EQ(platform.calls,
              (std::vector<std::string>{"screenshot PNG", "smtp direct", "delete C:\\app\\bugreport.txt",
                                        "delete C:\\tmp\\screenShot.png"}));

    struct SubjectCase {
        const char* report;
        const char* subject;
    };
    const SubjectCase subjects[] = {
        {"exception message : first line has no line break before it", "crash: %EXCEPTMSG% (%exceptMsg%)"},
        {"x\r\nexception message without a colon\r\n", "crash: %EXCEPTMSG% (%exceptMsg%)"},
        {"x\r\nexception message : a:b\r\nexception message : second", "crash: a:b (a:b)"},
        {"x\r\nexception message : last line", "crash: last line (last line)"},
    };
    for (const auto& [text, subject] : subjects)
        EXPECT_EQ(jov::MailSubjectFor(settings, text), subject) << text;

    jov::MailSettings s;
    s.MailAddress = "Dev <dev@example.com>, other@example.com";
    EXPECT_EQ(jov::MailSenderFor(s), "jovExcept <dev@example.com>");
    s.MailFrom = "me@example.com";
    EXPECT_EQ(jov::MailSenderFor(s), "me@example.com");
    s = {};
    s.MailAddress.clear();
    EXPECT_EQ(jov::MailSenderFor(s), "");

    // A report file that does not exist is not attached; no screenshot, no temporary file.
    FakePlatform missing;
    missing.files.clear();
    missing.directWorks = true;
    settings.DeleteAfterMail = false;
    jov::MailReport(settings, report, "", true, missing);
    EXPECT_EQ(missing.lastMail.attachments, "");
    EXPECT_EQ(missing.calls, std::vector<std::string>{"smtp direct"});
    // A screenshot that cannot be written is left out; MAPI gets the same list; mailto gets none.
    FakePlatform noShot;
    noShot.screenshotPath.clear();
    settings.MailDirect = settings.MailViaServer = false;
    jov::MailReport(settings, report, "PNG", false, noShot);
    EXPECT_EQ(noShot.mapiAttachments, "C:\\app\\bugreport.txt");

    const std::pair<const char*, const char*> rooted[] = {
        {"C:\\x\\bug.txt", "C:\\x\\bug.txt"},
        {"\\\\srv\\share\\b.txt", "\\\\srv\\share\\b.txt"},
        {"sub\\b.txt", "C:\\app\\sub\\b.txt"},
        {"C:", "C:\\app\\C:"},
        {"b", "C:\\app\\b"},
    };
    for (const auto& [name, path] : rooted) EXPECT_EQ(jov::RootedFileName(name, "C:\\app\\"), path) << name;
}

TEST(MailReport, DeletesOnlyFilesThatWereSent) {
    // MAPI carries the attachments, so they go once it sent them; a "mailto" mail carries none, so the
    // report file and the screenshot stay for the next try.
    struct Case {
        const char* what;
        int mapi;
        bool shell;
        int result;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"MAPI sent",
         1,
         false,
         1,
         {"screenshot PNG", "mapi bug report", "delete C:\\app\\bugreport.txt",
          "delete C:\\tmp\\screenShot.png"}},
        {"MAPI cancelled", 2, true, 2, {"screenshot PNG", "mapi bug report"}},
        {"mailto started",
         0,
         true,
         1,
         {"screenshot PNG", "mapi bug report", "not topmost", "mailto dev@example.com"}},
    };
    jov::MailSettings settings = Settings();
    settings.MailDirect = settings.MailViaServer = false;
    settings.DeleteAfterMail = true;
    for (const Case& c : cases) {
        FakePlatform platform;
        platform.mapiResult = c.mapi;
        platform.shellWorks = c.shell;
        EXPECT_EQ(jov::MailReport(settings, "report", "PNG", false, platform), c.result) << c.what;
        EXPECT_EQ(platform.calls, c.calls) << c.what;
    }
}

TEST(Mailto, EscapesAndTheCommandLineLimit) {
    EXPECT_EQ(jov::MailtoText("a@x.test; b@y.test", "bug report", "a&b=c\r\n100% \"ok\" #1 +<x>?"),
              "mailto:a@x.test,b@y.test?subject=bug%20report&body=a%26b=c%0D%0A100%25%20%22ok%22%20%231%20%"
              "2B%3Cx%3E%3F");
    EXPECT_EQ(jov::MailtoCommand("mail.exe -compose \"%1\"", "mailto:x"), "mail.exe -compose \"mailto:x\"");
    EXPECT_EQ(jov::MailtoCommand("mail.exe", "mailto:x"), "mail.exe mailto:x");
    EXPECT_EQ(jov::MailtoCommand("mail.exe ", "mailto:x"), "mail.exe mailto:x");

    // The cut never leaves half of an escape behind.
    const std::string head = "m ";
    struct Cut {
        size_t percentAt; // 1-based position of a "%" near the limit, 0 for none
        size_t length;
    };
    for (const Cut& c : {Cut{0, 32766}, Cut{32766, 32765}, Cut{32765, 32764}, Cut{32764, 32766}}) {
        std::string text(40000, 'a');
        if (c.percentAt) text[c.percentAt - 1 - head.size()] = '%';
        const std::string command = jov::MailtoCommand(head + "%1", text);
        EXPECT_EQ(command.size(), c.length) << c.percentAt;
    }
    EXPECT_EQ(jov::MailtoCommand("m %1", "short").size(), 7u);
}

TEST(MailAddress, SplitAngleAndEscape) {
    const std::tuple<const char*, const char*, const char*> splits[] = {
        {"dev@example.com", "dev@example.com", "dev@example.com"},
        {"Dev Team <dev@example.com>", "Dev Team ", "dev@example.com"},
        {"<dev@example.com", "", "dev@example.com"},
        {"a <b> <c>", "a ", "b"},
    };
    for (const auto& [text, name, address] : splits) {
        const jov::MailAddressParts parts = jov::SplitMailAddress(text);
        EXPECT_EQ(parts.name, name) << text;
        EXPECT_EQ(parts.address, address) << text;
    }
    EXPECT_EQ(jov::AngleAddress("a@b", false), "<a@b>");
    EXPECT_EQ(jov::AngleAddress("A <a@b>", false), "<a@b>");
    EXPECT_EQ(jov::AngleAddress("A <a@b>", true), "A <a@b>");
    std::string list = " a@b ;; c@d ,";
    EXPECT_EQ(jov::NormaliseRecipients(list), 2);
    EXPECT_EQ(list, "a@b,c@d");
    jov::CharSet set;
    set.set(0xFF);
    set.set('z');
    EXPECT_EQ(jov::HexEscape("az\xFF\x01", set, '%'), "a%7A%FF\x01");
}

// The stored form, as the program's maker makes it: padded and enciphered with the account, then with
// the server.
std::string Encipher(std::string text, std::string_view key, uint64_t counter) {
    const size_t pad = 8 - text.size() % 8;
    text.append(pad, char(pad));
    core::BlowfishBuffer(text.data(), text.size(), true, false, counter, key);
    return text;
}

TEST(SmtpPassword, DeciphersWithServerThenAccount) {
    for (const std::string& password :
         {std::string("secret"), std::string("exactly8"), std::string(75, 'p'), std::string(90, 'q')}) {
        const std::string stored = Encipher(Encipher(password, "user", jov::SmtpAccountCounter), "smtp.test",
                                            jov::SmtpServerCounter);
        EXPECT_NE(stored.substr(0, password.size()), password);
        EXPECT_EQ(jov::DecipherSmtpPassword(stored, "user", "smtp.test"), password.substr(0, 75));
        EXPECT_NE(jov::DecipherSmtpPassword(stored, "smtp.test", "user"), password.substr(0, 75));
    }
}

} // namespace
