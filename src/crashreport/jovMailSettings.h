#pragma once
// Mailing as the crash reporter's settings configure it.
#include "crashreport/core/MailDispatch.h"
#include "crashreport/jovTypes.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace jov {

// The settings as mailing reads them, the stored SMTP password deciphered.
MailSettings MailSettingsOf(const CrashSettings& settings);

// The report mailed with the running settings: silently by the automatic mail (no owner), or by the
// dialog's mail button. The bug-report file is named by the report actions.
int MailBugReport(std::string_view report, std::string_view screenshot, HWND owner, bool silent,
                  const std::string& bugReportFileName);

} // namespace jov
