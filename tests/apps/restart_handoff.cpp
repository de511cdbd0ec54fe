// A restart hands the exception-time history to the new process. Started plainly, this program starts
// itself as the "parent", whose access violation restarts it (AutoRestart 1, exit code 2); the restarted
// child finds the parent's failure in its history and says so through a mapping the launcher made.
// EXPECT_EXIT_CODE 0
// EXPECT_SOMEWHERE parent exit code 2
// EXPECT_SOMEWHERE child history: 1 time(s)
#include "CrashApp.h"
#include "crashreport/jovExceptState.h"

#include <cstdio>
#include <cstring>
#include <string>

constexpr jov::CrashSettings RestartAlways() {
    jov::CrashSettings settings = crashapp::ConsoleSettings();
    settings.AutoRestart = 1;
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = RestartAlways();

namespace {

volatile int* volatile unmapped = nullptr;

std::string ResultName(unsigned long launcher) {
    return "OstrelRestartTest" + std::to_string(launcher);
}

int Launch() {
    const std::string name = ResultName(GetCurrentProcessId());
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, name.c_str());
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, (name + "Done").c_str());
    auto* count = static_cast<volatile LONG*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 4));
    if (!mapping || !done || !count) return 3;
    *count = -1;
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string commandLine =
        "\"" + std::string(program) + "\" parent " + std::to_string(GetCurrentProcessId());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return 4;
    // Each wait well inside the runner's deadline, so that a hang says where it is.
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
        crashapp::Say("the parent (pid " + std::to_string(process.dwProcessId) + ") did not end within 30 s");
        return 5;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    crashapp::Say("parent exit code " + std::to_string(code));
    if (WaitForSingleObject(done, 30000) != WAIT_OBJECT_0) {
        crashapp::Say("the restarted child gave no word within 30 s of the parent's end");
        return 5;
    }
    crashapp::Say("child history: " + std::to_string(*count) + " time(s)");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Launch();
    const jov::ExceptionTimes& history = jov::CrashState().History;
    if (history[0] == 0) {
        *unmapped = 0; // the parent fails; the restart rule starts the child
        return 6;
    }
    const std::string name = ResultName(std::strtoul(argv[2], nullptr, 10));
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name.c_str());
    HANDLE done = OpenEventA(EVENT_MODIFY_STATE, FALSE, (name + "Done").c_str());
    auto* count =
        mapping ? static_cast<volatile LONG*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 4)) : nullptr;
    if (!count || !done) return 7;
    LONG filled = 0;
    for (int64_t time : history) filled += time != 0;
    *count = filled;
    SetEvent(done);
    return 0;
}
