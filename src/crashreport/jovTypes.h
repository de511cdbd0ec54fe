#pragma once
// The crash reporter's settings record and the types its parts share. The settings are constants of the
// executable: each program defines ProgramCrashSettings once, at compile time, so that they exist before
// any initialisation runs and test programs can carry settings of their own.
#include "crashreport/core/CrashHistory.h"
#include "crashreport/jovDisAsm.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <typeinfo>

namespace jov {

// A settings text of at most N characters; a longer literal does not compile.
template <size_t N> class FixedText {
public:
    constexpr FixedText() = default;
    constexpr FixedText(const char* text) : text_(text) {
        if (text_.size() > N) throw "settings text longer than its capacity";
    }
    constexpr std::string_view view() const { return text_; }
    std::string str() const { return std::string(text_); }
    constexpr bool empty() const { return text_.empty(); }

private:
    std::string_view text_;
};

// An exception as the crash reporter receives it: the thrown object and its type. Failures without a
// C++ object (operating-system exceptions, runtime errors) carry a JovException.
struct TExceptionRef {
    const std::type_info* Type = nullptr;
    const void* Object = nullptr;
};

enum TCrashAction : uint8_t {
    caMail = 0,
    caSave = 1,
    caPrint = 2,
    caShow = 3,
    caContinue = 4,
    caRestart = 5,
    caClose = 6,
};

using THtmlReportProc = std::string (*)(const std::string& report);
using TScreenShotProc = void (*)(int mode, std::string& picture);

struct CrashSettings {
    bool ShowExceptionBox = true;
    bool PauseThreads = true;
    bool AutoSave = false;
    bool AutoMail = false;
    bool CopyReportOnShow = true;
    bool ContinueIsDefault = false;
    int AutoRestart = 0; // 0 never, 1 always, N > 1: the tenth exception within N seconds
    int AutoClose = 0;
    int AutoClickSeconds = 60;
    std::string_view MailFrom;
    FixedText<75> MailAddress = "ostrel-bugs@lintra.example";
    FixedText<50> MailSubject = "bug report";
    bool AttachBugReport = true;
    bool DeleteAfterMail = false;
    int ScreenShotSize = 0;
    bool MailDirect = true;
    bool MailViaServer = false;
    bool MailViaMapi = true;
    bool MailViaMailto = true;
    FixedText<50> SmtpServer;
    int SmtpPort = 25;
    FixedText<50> SmtpAccount;
    FixedText<75> SmtpPassword; // enciphered
    FixedText<200> MailSuccessText = "The mail was sent successfully.";
    FixedText<200> MailFailureText = "Sorry, sending the mail didn't work.";
    FixedText<255> BugReportFile = "bugreport.txt";
    int BugReportFileCap = 100000;
    FixedText<100> DialogTitle = "%appname%";
    FixedText<255> ExceptionText = "An error occurred in the application.";
    FixedText<255> FrozenText = "The application seems to be frozen.";
    FixedText<30> MailCaption = "mail bug report";
    FixedText<30> SaveCaption;
    FixedText<30> PrintCaption;
    FixedText<30> ShowCaption = "show bug report";
    FixedText<30> ContinueCaption = "continue application";
    FixedText<30> RestartCaption = "restart application";
    FixedText<30> CloseCaption = "close application";
    int DefaultAction = caMail;
    bool ShowReportAtStart = false;
    bool ListAllThreads = true;
    bool ListLoadedModules = true;
    bool ListHardware = true;
    bool HideItemsWithoutLine = false;
    bool ShowRelativeAddress = false;
    bool ShowRelativeLine = false;
    bool DisasmFlag = true;
    int DisasmLineLimit = 10;
    bool ShowCommandLine = true;
    bool FlashButtons = true;
    bool ConsoleNoBox = true;
    bool ResetFpu = false;
    std::string_view IgnoreClasses; // class names separated by ","
    bool ReturnReport = false;
    THtmlReportProc HtmlReportProc = nullptr; // nil: the dialog's own page (BuildWebErrorPage)
    TScreenShotProc ScreenShotProc = nullptr;
    TDisassemblyProc DisassemblyProc = nullptr; // set at start by linking the disassembler
    bool Enabled = true;
    int FreezeTimeout = 60000; // milliseconds; 0 = no watchdog
    const std::string* VersionVariable = nullptr;
    bool PatchRuntime = true;
};

// Defined once by every executable that carries the crash reporter; never changed at run time.
extern const CrashSettings ProgramCrashSettings;

// The copy the crash reporter works with: start-up fills in what only the running program knows (the
// disassembly routine, the report-return switch).
CrashSettings& RunningSettings();

} // namespace jov
