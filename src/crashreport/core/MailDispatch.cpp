#include "crashreport/core/MailDispatch.h"
#include "crashreport/core/ReportFile.h"

#include "crashreport/core/ListText.h"
#include "crashreport/core/MailAddress.h"
#include "crashreport/core/TextHelpers.h"

namespace jov {

std::string MailSubjectFor(const MailSettings& settings, std::string_view report) {
    std::string subject = settings.MailSubject;
    const std::string_view marker = "\r\nexception message ";
    const size_t line = report.find(marker);
    if (line == std::string_view::npos) return subject;
    std::string_view text = report.substr(line + 2);
    text = text.substr(0, text.find("\r\n"));
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) return subject;
    ReplaceAllNoCase(subject, "%exceptMsg%", TrimBlanksCopy(text.substr(colon + 1)));
    return subject;
}

std::string MailSenderFor(const MailSettings& settings) {
    if (!settings.MailFrom.empty() || settings.MailAddress.empty()) return settings.MailFrom;
    std::string recipients = settings.MailAddress;
    NormaliseRecipients(recipients);
    return "jovExcept " + AngleAddress(ListItem(recipients, 1, ','), false);
}

std::string RootedFileName(const std::string& name, const std::string& folder) {
    return IsRelativeReportName(name) ? folder + name : name;
}

int MailReport(const MailSettings& settings, std::string_view report, std::string_view screenshot,
               bool silent, MailPlatform& platform) {
    SmtpMail mail;
    mail.subject = MailSubjectFor(settings, report);
    mail.sender = MailSenderFor(settings);
    mail.recipients = settings.MailAddress;
    mail.body = std::string(report);
    if (settings.AttachBugReport) {
        const std::string file = RootedFileName(platform.BugReportFileName(), platform.ModuleFolder());
        if (platform.FileExists(file)) mail.attachments = file;
    }
    if (!screenshot.empty()) {
        const std::string file = platform.WriteScreenshot(screenshot);
        if (!file.empty()) mail.attachments += (mail.attachments.empty() ? "" : "|") + file;
    }

    int result = MailNotSent;
    bool viaSmtp = false;
    const bool viaServer = settings.MailViaServer && !settings.SmtpServer.empty();
    const bool online =
        !settings.MailAddress.empty() && (settings.MailDirect || viaServer) && platform.IsConnected();
    if (online && settings.MailDirect) viaSmtp = platform.MailViaSmtp(mail, SmtpServer{});
    if (!viaSmtp && online && viaServer) {
        const SmtpServer server{settings.SmtpServer, static_cast<uint16_t>(settings.SmtpPort),
                                settings.SmtpAccount, settings.SmtpPassword};
        viaSmtp = platform.MailViaSmtp(mail, server);
    }
    if (viaSmtp) result = MailSent;
    if (result == MailNotSent && settings.MailViaMapi)
        result = platform.MailViaMapi(mail.recipients, mail.subject, mail.body, silent, mail.attachments);
    if (result == MailNotSent && settings.MailViaMailto && !silent) {
        // A "mailto" address carries no attachments: nothing of them was sent, so nothing is deleted.
        mail.attachments.clear();
        platform.LeaveTopmost();
        if (platform.MailViaShell(mail.recipients, mail.subject, mail.body)) result = MailSent;
    }

    if (!silent && (viaSmtp || result == MailNotSent)) {
        std::string text = viaSmtp ? settings.MailSuccessText : settings.MailFailureText;
        ReplaceAll(text, "%LF%", "\r\n");
        platform.ShowResult(text, settings.MailCaption, !viaSmtp);
    }
    if (result == MailSent && settings.DeleteAfterMail && !mail.attachments.empty()) {
        const int count = ListItemCount(mail.attachments, '|');
        for (int i = 1; i <= count; ++i) platform.DeleteAttachment(ListItem(mail.attachments, i, '|'));
    }
    return result;
}

} // namespace jov
