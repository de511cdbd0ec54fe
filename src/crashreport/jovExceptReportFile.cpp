#include "crashreport/core/ReportFile.h"
#include "crashreport/jovExceptActions.h"
#include "crashreport/jovMailSettings.h"
#include "crashreport/jovExceptWorker.h"
#include "crashreport/jovStepGuard.h"
#include "crashreport/jovToolsHelpers.h"

#include <windows.h>

#include <commdlg.h>

#include <cstring>

namespace jov {
namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

bool WriteAll(HANDLE file, const std::string& text) {
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

// Moves the newest reports to the start; the length is set only once the view and the mapping are closed,
// as a file cannot be shortened while a mapping of it is open.
void TrimReportFile(HANDLE file, long long cap) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart <= cap || size.HighPart != 0) return;
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
    if (!mapping) return;
    long long keep = -1;
    if (auto* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0))) {
        const long long cut = ReportTrimOffset({view, static_cast<size_t>(size.QuadPart)}, cap);
        if (cut > 0) {
            keep = size.QuadPart - cut;
            std::memmove(view, view + cut, static_cast<size_t>(keep));
        }
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    if (keep < 0) return;
    LARGE_INTEGER end;
    end.QuadPart = keep;
    if (SetFilePointerEx(file, end, nullptr, FILE_BEGIN)) SetEndOfFile(file);
}

bool AskForFileName(std::string& name, HWND owner, const std::string& folder) {
    if (IsLoaderLockHeld()) {
        MessageBeep(0);
        return false;
    }
    char file[MAX_PATH] = {};
    std::strncpy(file, name.c_str(), MAX_PATH - 1);
    const std::string title = RunningSettings().SaveCaption.str();
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = "*.txt\0*.txt\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = folder.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = OFN_HIDEREADONLY | OFN_NOREADONLYRETURN;
    if (!GetSaveFileNameA(&dialog)) return false;
    name = file;
    return true;
}

} // namespace

std::string BugReportFileName() {
    return BugReportFileName(RunningSettings().BugReportFile.view(), ModuleFileName(nullptr));
}

namespace {

bool StoreReportFileUnguarded(const std::string& report, HWND owner, bool silent) {
    std::string name = BugReportFileName();
    if (IsRelativeReportName(name)) {
        const std::string folder = FolderOf(ModuleFileName(nullptr));
        if (silent)
            name = folder + name;
        else if (!AskForFileName(name, owner, folder))
            return false;
    }
    FileHandle file(CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return false;
    const long long cap = RunningSettings().BugReportFileCap;
    if (cap == 0) SetEndOfFile(file.get());
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(file.get(), end, nullptr, FILE_END)) return false;
    if (!WriteAll(file.get(), report + "\r\n\r\n")) return false;
    if (cap > 0) TrimReportFile(file.get(), cap);
    return true;
}

} // namespace

// The save dialog loads the shell's extensions, the mail its transports: a fault in them fails the action.
bool StoreReportFile(const std::string& report, HWND owner, bool silent) {
    return GuardedResult(false, [&] { return StoreReportFileUnguarded(report, owner, silent); });
}

int SendBugReport(const std::string& report, const std::string& screenShot, HWND owner, bool silent) {
    return GuardedResult(
        0, [&] { return MailBugReport(report, screenShot, owner, silent, BugReportFileName()); });
}

bool AutoSaveBugReport(const std::string& report) {
    return StoreReportFile(report, nullptr, true);
}

bool SaveBugReportAs(const std::string& report, HWND owner) {
    return StoreReportFile(report, owner, false);
}

} // namespace jov
