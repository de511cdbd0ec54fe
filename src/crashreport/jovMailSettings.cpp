#include "crashreport/jovMailSettings.h"
#include "crashreport/jovExceptThreads.h"

#include "crashreport/core/SmtpPassword.h"
#include "crashreport/jovExceptWorker.h"
#include "crashreport/jovMail.h"

namespace jov {

MailSettings MailSettingsOf(const CrashSettings& settings) {
    MailSettings mail;
    mail.MailAddress = settings.MailAddress.str();
    mail.MailFrom = std::string(settings.MailFrom);
    mail.MailSubject = settings.MailSubject.str();
    mail.AttachBugReport = settings.AttachBugReport;
    mail.DeleteAfterMail = settings.DeleteAfterMail;
    mail.MailDirect = settings.MailDirect;
    mail.MailViaServer = settings.MailViaServer;
    mail.MailViaMapi = settings.MailViaMapi;
    mail.MailViaMailto = settings.MailViaMailto;
    mail.SmtpServer = settings.SmtpServer.str();
    mail.SmtpPort = settings.SmtpPort;
    mail.SmtpAccount = settings.SmtpAccount.str();
    // The settings are constants of the program, so the clear password is made where it is used.
    if (!settings.SmtpPassword.empty())
        mail.SmtpPassword = DecipherSmtpPassword(settings.SmtpPassword.str(), settings.SmtpAccount.view(),
                                                 settings.SmtpServer.view());
    mail.MailSuccessText = settings.MailSuccessText.str();
    mail.MailFailureText = settings.MailFailureText.str();
    mail.MailCaption = settings.MailCaption.str();
    return mail;
}

int MailBugReport(std::string_view report, std::string_view screenshot, HWND owner, bool silent,
                  const std::string& bugReportFileName) {
    try {
        MailContext context;
        context.owner = owner;
        context.bugReportFileName = bugReportFileName;
        context.LoaderLockHeld = &IsLoaderLockHeld;
        // The mail program may need the threads the report holds; the same ones are held again after.
        context.PauseOtherThreads = [](bool pause) { PauseOtherThreads(pause, false); };
        return MailReport(MailSettingsOf(RunningSettings()), report, screenshot, silent, context);
    } catch (...) {
        return MailNotSent;
    }
}

} // namespace jov
