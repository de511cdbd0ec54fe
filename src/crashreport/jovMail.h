#pragma once
// Mailing a bug report: SMTP straight to the recipients' hosts or through a server, the user's MAPI
// client, or the registered "mailto" program, whichever works first.
#include "crashreport/core/MailDispatch.h"
#include "crashreport/jovMailDns.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace jov {

// What mailing needs of the rest of the crash reporter, besides the settings.
struct MailContext {
    HWND owner = nullptr;
    std::string bugReportFileName; // as the report actions name the file
    bool (*LoaderLockHeld)() = nullptr;
    // Lets the threads the reporter paused run (false) and pauses them again (true).
    void (*PauseOtherThreads)(bool pause) = nullptr;
    MailNetwork network;
};

// 0 not sent, 1 sent, 2 cancelled in the mail program. Never raises.
int MailReport(const MailSettings& settings, std::string_view report, std::string_view screenshot,
               bool silent, const MailContext& context);

// True when the system says it is online; false also when it cannot say.
bool IsConnected();
int MailViaMapi(const std::string& recipients, const std::string& subject, const std::string& body,
                bool silent, const std::string& attachments, const MailContext& context);
// True when the "mailto" program was started.
bool MailViaShell(const std::string& recipients, const std::string& subject, const std::string& body);

} // namespace jov
