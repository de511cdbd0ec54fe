#include "crashreport/jovExceptActions.h"

#include "crashreport/core/CrashRequest.h"
#include "crashreport/core/ExceptionBoxLayout.h"
#include "crashreport/core/TextHelpers.h"
#include "crashreport/jovExceptReport.h"
#include "crashreport/jovExceptState.h"
#include "crashreport/jovTools.h"
#include "crashreport/jovToolsHelpers.h"

#include <cstring>

namespace jov {

void CloseApplication() {
    TerminateProcess(GetCurrentProcess(), 1);
    ExitProcess(1);
}

namespace {

// The new process waits suspended for its hand-over; whatever happens while that is written, it runs.
class SuspendedChild {
public:
    explicit SuspendedChild(const PROCESS_INFORMATION& process) : process_(process) {}
    ~SuspendedChild() {
        if (ResumeThread(process_.hThread) == static_cast<DWORD>(-1)) TerminateProcess(process_.hProcess, 2);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    SuspendedChild(const SuspendedChild&) = delete;
    SuspendedChild& operator=(const SuspendedChild&) = delete;

private:
    PROCESS_INFORMATION process_;
};

void WriteRestartHandoff(const PROCESS_INFORMATION& process) {
    // No access list: the new process (another user's, too) may open it.
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    const std::string name = CrashObjectName("jovExceptRestart", process.dwProcessId);
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE, 0,
                                        RestartHandoffSize, name.c_str());
    if (!mapping) return;
    if (void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, RestartHandoffSize)) {
        RestartHandoff handoff;
        handoff.OldProcessId = GetCurrentProcessId();
        HANDLE planted = nullptr;
        // The mapping must outlive this process until the new one has opened it.
        DuplicateHandle(GetCurrentProcess(), mapping, process.hProcess, &planted, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        handoff.MappingHandle = reinterpret_cast<uint32_t>(planted);
        HANDLE self = nullptr;
        DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), process.hProcess, &self, SYNCHRONIZE, FALSE,
                        0);
        handoff.OldProcessHandle = reinterpret_cast<uint32_t>(self);
        handoff.History = CrashState().History;
        const RestartHandoffBytes bytes = EncodeRestartHandoff(handoff);
        std::memcpy(view, bytes.data(), bytes.size());
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
}

} // namespace

void RestartProcess() {
    try {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        std::string commandLine = GetCommandLineA();
        if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                           nullptr, &startup, &process)) {
            SuspendedChild child(process);
            WriteRestartHandoff(process);
        }
    } catch (...) {
    }
    TerminateProcess(GetCurrentProcess(), 2);
    ExitProcess(2);
}

std::string ExceptionBoxMessage(bool frozen, const TExceptionRef* exception) {
    const CrashSettings& settings = RunningSettings();
    return BoxMessageText(frozen ? settings.FrozenText.view() : settings.ExceptionText.view(),
                          ExceptionMessageText(exception));
}

} // namespace jov
