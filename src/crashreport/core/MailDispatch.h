#pragma once
// Which way a bug report is mailed, and what it carries: the rules of the mail button and of the
// automatic mail, over the platform's transports.
#include "crashreport/core/SmtpSession.h"

#include <string>
#include <string_view>

namespace jov {

// What mailing reads of the crash reporter's settings.
struct MailSettings {
    std::string MailAddress;
    std::string MailFrom;
    std::string MailSubject = "bug report";
    bool AttachBugReport = true;
    bool DeleteAfterMail = false;
    bool MailDirect = true;
    bool MailViaServer = false;
    bool MailViaMapi = true;
    bool MailViaMailto = true;
    std::string SmtpServer;
    int SmtpPort = 25;
    std::string SmtpAccount;
    std::string SmtpPassword; // deciphered
    std::string MailSuccessText = "The mail was sent successfully.";
    std::string MailFailureText = "Sorry, sending the mail didn't work.";
    std::string MailCaption = "mail bug report";
};

enum MailResult : int { MailNotSent = 0, MailSent = 1, MailCancelled = 2 };

class MailPlatform {
public:
    virtual ~MailPlatform() = default;
    virtual std::string BugReportFileName() = 0;
    virtual std::string ModuleFolder() = 0; // of the module holding the crash reporter, with a final "\"
    virtual bool FileExists(const std::string& path) = 0;
    // Writes the screenshot to the temporary folder; its path, or empty.
    virtual std::string WriteScreenshot(std::string_view png) = 0;
    virtual bool IsConnected() = 0;
    virtual bool MailViaSmtp(const SmtpMail& mail, const SmtpServer& server) = 0;
    virtual int MailViaMapi(const std::string& recipients, const std::string& subject,
                            const std::string& body, bool silent, const std::string& attachments) = 0;
    // Lets the mail program come in front of the owner window.
    virtual void LeaveTopmost() = 0;
    virtual bool MailViaShell(const std::string& recipients, const std::string& subject,
                              const std::string& body) = 0;
    virtual void ShowResult(const std::string& text, const std::string& caption, bool failure) = 0;
    virtual void DeleteAttachment(const std::string& path) = 0;
};

// Direct SMTP, SMTP through the server, MAPI, then "mailto", each tried while nothing was sent.
int MailReport(const MailSettings& settings, std::string_view report, std::string_view screenshot,
               bool silent, MailPlatform& platform);

// The subject with "%exceptMsg%" replaced by the report's exception message.
std::string MailSubjectFor(const MailSettings& settings, std::string_view report);
std::string MailSenderFor(const MailSettings& settings);
// A name not rooted ("\..." or "X:...") lies in the given folder.
std::string RootedFileName(const std::string& name, const std::string& folder);

} // namespace jov
