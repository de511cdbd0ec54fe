#include "crashreport/jovMail.h"

#include "crashreport/core/MailAddress.h"
#include "crashreport/core/Mailto.h"
#include "crashreport/jovHandles.h"
#include "crashreport/jovMailSmtp.h"
#include "crashreport/jovStrings.h"
#include "crashreport/jovTools.h"

#include <mapi.h>

#include <algorithm>
#include <vector>

namespace jov {

namespace {

// The paused threads run, and the owner leaves the topmost band, while the mail program is up.
class MapiCallScope {
public:
    MapiCallScope(HWND owner, void (*pauseOtherThreads)(bool))
        : owner_(owner), pause_(pauseOtherThreads),
          topmost_(owner && (GetWindowLongA(owner, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) {
        if (pause_) pause_(false);
        if (topmost_)
            SetWindowPos(owner_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    ~MapiCallScope() {
        if (topmost_)
            SetWindowPos(owner_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (pause_) pause_(true);
    }
    MapiCallScope(const MapiCallScope&) = delete;
    MapiCallScope& operator=(const MapiCallScope&) = delete;

private:
    HWND owner_;
    void (*pause_)(bool);
    bool topmost_;
};

// The folder of the module this code was linked into, with a final "\".
std::string CrashReporterFolder() {
    HMODULE module = nullptr;
    std::string name;
    if (!ModuleFromAddress(reinterpret_cast<const void*>(&CrashReporterFolder), module, name)) return {};
    return name.substr(0, name.find_last_of('\\') + 1);
}

class WinMailPlatform : public MailPlatform {
public:
    explicit WinMailPlatform(const MailContext& context) : context_(context) {}

    std::string BugReportFileName() override { return context_.bugReportFileName; }
    std::string ModuleFolder() override { return CrashReporterFolder(); }
    bool FileExists(const std::string& path) override {
        return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    std::string WriteScreenshot(std::string_view png) override {
        char folder[MAX_PATH + 1] = {};
        const DWORD length = GetTempPathA(MAX_PATH, folder);
        if (length == 0 || length > MAX_PATH) return {};
        std::string path(folder, length);
        if (path.back() != '\\') path += '\\';
        CreateDirectoryA(path.c_str(), nullptr); // usually there already
        path += "screenShot.png";
        const OwnedFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) return {};
        while (!png.empty()) {
            DWORD written = 0;
            const DWORD piece = static_cast<DWORD>(std::min<size_t>(png.size(), 1 << 20));
            if (!WriteFile(file.handle, png.data(), piece, &written, nullptr) || written == 0) return {};
            png.remove_prefix(written);
        }
        return path;
    }
    bool IsConnected() override { return jov::IsConnected(); }
    bool MailViaSmtp(const SmtpMail& mail, const SmtpServer& server) override {
        return jov::MailViaSmtp(mail, server, context_.network);
    }
    int MailViaMapi(const std::string& recipients, const std::string& subject, const std::string& body,
                    bool silent, const std::string& attachments) override {
        return jov::MailViaMapi(recipients, subject, body, silent, attachments, context_);
    }
    void LeaveTopmost() override {
        if (context_.owner)
            SetWindowPos(context_.owner, HWND_NOTOPMOST, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    bool MailViaShell(const std::string& recipients, const std::string& subject,
                      const std::string& body) override {
        return jov::MailViaShell(recipients, subject, body);
    }
    void ShowResult(const std::string& text, const std::string& caption, bool failure) override {
        MessageBoxA(context_.owner, text.c_str(), caption.c_str(),
                    failure ? MB_ICONERROR : MB_ICONINFORMATION);
    }
    void DeleteAttachment(const std::string& path) override {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }

private:
    const MailContext& context_;
};

} // namespace

bool IsConnected() {
    using GetConnectedStateRoutine = BOOL(WINAPI*)(DWORD*, DWORD);
    constexpr auto libraryName = Scramble("wininet.dll");
    constexpr auto routineName = Scramble("InternetGetConnectedState");
    const RuntimeLibrary library(DescrambleLiteral(libraryName.view()));
    const auto getConnectedState =
        library.Find<GetConnectedStateRoutine>(DescrambleLiteral(routineName.view()));
    DWORD flags = 0;
    return getConnectedState && getConnectedState(&flags, 0);
}

int MailViaMapi(const std::string& recipients, const std::string& subject, const std::string& body,
                bool silent, const std::string& attachments, const MailContext& context) {
    // The mail client loads libraries of its own, which would deadlock under the loader lock.
    if (context.LoaderLockHeld && context.LoaderLockHeld()) return MailNotSent;
    constexpr auto libraryName = Scramble("mapi32.dll");
    constexpr auto routineName = Scramble("MAPISendMail");
    const RuntimeLibrary library(DescrambleLiteral(libraryName.view()));
    const auto sendMail = library.Find<LPMAPISENDMAIL>(DescrambleLiteral(routineName.view()));
    if (!sendMail) return MailNotSent;

    std::string list = recipients;
    const int count = NormaliseRecipients(list);
    std::vector<MailAddressParts> addresses;
    for (int i = 1; i <= count; ++i) addresses.push_back(SplitMailAddress(ListItem(list, i, ',')));
    std::vector<MapiRecipDesc> recipientDescs(addresses.size());
    for (size_t i = 0; i < addresses.size(); ++i) {
        recipientDescs[i].ulRecipClass = MAPI_TO;
        recipientDescs[i].lpszName = addresses[i].name.data();
        recipientDescs[i].lpszAddress = addresses[i].address.data();
    }
    std::string files = attachments;
    NormaliseList(files, '|');
    std::vector<std::string> paths;
    for (int i = 1, n = ListItemCount(files, '|'); i <= n; ++i) paths.push_back(ListItem(files, i, '|'));
    std::vector<MapiFileDesc> fileDescs(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        fileDescs[i].nPosition = static_cast<ULONG>(-1);
        fileDescs[i].lpszPathName = paths[i].data();
    }
    std::string subjectText = subject, bodyText = body;
    MapiMessage message{};
    message.lpszSubject = subjectText.data();
    message.lpszNoteText = bodyText.data();
    message.nRecipCount = static_cast<ULONG>(recipientDescs.size());
    message.lpRecips = recipientDescs.empty() ? nullptr : recipientDescs.data();
    message.nFileCount = static_cast<ULONG>(fileDescs.size());
    message.lpFiles = fileDescs.empty() ? nullptr : fileDescs.data();
    const FLAGS flags = silent && count > 0 ? 0 : MAPI_LOGON_UI | MAPI_DIALOG;

    ULONG result;
    {
        const MapiCallScope scope(context.owner, context.PauseOtherThreads);
        result = sendMail(0, reinterpret_cast<ULONG_PTR>(context.owner), &message, flags, 0);
    }
    if (result == SUCCESS_SUCCESS) return MailSent;
    return result == MAPI_USER_ABORT ? MailCancelled : MailNotSent;
}

bool MailViaShell(const std::string& recipients, const std::string& subject, const std::string& body) {
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "mailto\\shell\\open\\command", 0, KEY_QUERY_VALUE, &key.handle) !=
        ERROR_SUCCESS)
        return false;
    char value[261] = {};
    DWORD size = 260;
    DWORD type = 0;
    if (RegQueryValueExA(key.handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    char expanded[MAX_PATH * 4] = {};
    const DWORD length = ExpandEnvironmentStringsA(value, expanded, sizeof expanded);
    if (length <= 1 || length > sizeof expanded) return false;
    std::string command = MailtoCommand(expanded, MailtoText(recipients, subject, body));

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

int MailReport(const MailSettings& settings, std::string_view report, std::string_view screenshot,
               bool silent, const MailContext& context) {
    try {
        WinMailPlatform platform(context);
        return MailReport(settings, report, screenshot, silent, platform);
    } catch (...) { // out of memory while the process is failing anyway
        return MailNotSent;
    }
}

} // namespace jov
