#pragma once
// Everything a test started, and all that those started in turn, in one job: a test that runs out of
// time can say which of its processes still run, and end them all, so that nothing outlives it.
#include <windows.h>

#include <tlhelp32.h>

#include <string>
#include <vector>

namespace testing_common {

class ProcessJob {
public:
    // No kill-on-close limit: a process in a job that ends itself when it closes hangs at its exit under
    // Wine, so what is left is ended on purpose.
    ProcessJob() : job_(CreateJobObjectA(nullptr, nullptr)) {}
    ~ProcessJob() {
        if (job_) CloseHandle(job_);
    }
    ProcessJob(const ProcessJob&) = delete;
    ProcessJob& operator=(const ProcessJob&) = delete;

    bool add(HANDLE process) const { return job_ && AssignProcessToJobObject(job_, process); }

    // The processes of the job that still run.
    std::vector<DWORD> live() const {
        struct {
            JOBOBJECT_BASIC_PROCESS_ID_LIST list;
            ULONG_PTR more[63];
        } ids{};
        std::vector<DWORD> found;
        if (job_ && QueryInformationJobObject(job_, JobObjectBasicProcessIdList, &ids, sizeof ids, nullptr))
            for (DWORD i = 0; i < ids.list.NumberOfProcessIdsInList && i < 64; ++i)
                found.push_back(static_cast<DWORD>(ids.list.ProcessIdList[i]));
        return found;
    }

    // "pid 36 (name.exe), pid 40 (other.exe)" for the processes that still run, or "none".
    std::string describeLive() const {
        std::string text;
        for (DWORD id : live())
            text += (text.empty() ? "pid " : ", pid ") + std::to_string(id) + " (" + ImageName(id) + ")";
        return text.empty() ? "none" : text;
    }

    // Ends every process of the job but the calling one.
    void endOthers(UINT exitCode) const {
        for (DWORD id : live()) {
            if (id == GetCurrentProcessId()) continue;
            if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id)) {
                TerminateProcess(process, exitCode);
                CloseHandle(process);
            }
        }
    }

private:
    static std::string ImageName(DWORD id) {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE) return "?";
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        std::string name = "?";
        for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
            if (entry.th32ProcessID == id) {
                name = entry.szExeFile;
                break;
            }
        CloseHandle(snapshot);
        return name;
    }

    HANDLE job_;
};

} // namespace testing_common
