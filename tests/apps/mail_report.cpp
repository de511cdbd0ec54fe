// A report mailed through an SMTP server on the loopback address (a fixed port, as the settings are
// constants): the server receives the report whole, with the bug-report file attached.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE mail result 1
// EXPECT_LINE report whole: yes
// EXPECT_LINE attachment whole: yes
#include "../crashreport/LoopbackSmtpServer.h"
#include "CrashApp.h"
#include "crashreport/core/SmtpSession.h"
#include "crashreport/jovExceptHooks.h"
#include "crashreport/jovMailSettings.h"

#include <stdexcept>
#include <string>

constexpr uint16_t MailPort = 52525;

constexpr jov::CrashSettings MailThroughLoopback() {
    jov::CrashSettings settings = crashapp::ConsoleSettings();
    settings.ReturnReport = true;
    settings.MailAddress = "dev@example.com";
    settings.MailDirect = false; // no look-up may leave the machine
    settings.MailViaServer = true;
    settings.SmtpServer = "127.0.0.1";
    settings.SmtpPort = MailPort;
    settings.MailViaMapi = false;
    settings.MailViaMailto = false;
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = MailThroughLoopback();

int main() {
    const jov::WinsockSession winsock;
    jov::test::LoopbackSmtpServer server(1, MailPort);
    if (!server.listening) {
        crashapp::Say("the loopback port is taken");
        return 3;
    }
    std::string report;
    try {
        throw std::runtime_error("mail me");
    } catch (...) {
        jov::QueueCxxException(std::current_exception(), true, &report);
    }

    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string file(exe);
    file = file.substr(0, file.find_last_of('\\') + 1) + "crashapp_mail_report.txt";
    const std::string saved = report + "\r\n\r\n";
    const HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(handle, saved.data(), DWORD(saved.size()), &written, nullptr);
    CloseHandle(handle);

    const int result = jov::MailBugReport(report, "", nullptr, true, file);
    server.Join();
    DeleteFileA(file.c_str());
    crashapp::Say("mail result " + std::to_string(result));
    const std::string& message = server.script.message;
    const bool reportWhole = !report.empty() && message.find("8bit\r\n\r\n" + jov::DotStuff(report) +
                                                             "\r\n--") != std::string::npos;
    crashapp::Say(std::string("report whole: ") + (reportWhole ? "yes" : "no"));
    const bool attachmentWhole = message.find(jov::AttachmentPart(file, saved)) != std::string::npos;
    crashapp::Say(std::string("attachment whole: ") + (attachmentWhole ? "yes" : "no"));
    return 0;
}
