// A save handler that faults in every report, while the report holds the main thread: the fault ends only
// the handler, the report is saved all the same, the held main thread runs on, and the main thread's own
// failure still ends the program as its report decides (closed, exit code 1).
// EXPECT_EXIT_CODE 1
// EXPECT_LINE An error occurred in the application.
// EXPECT_SOMEWHERE exception message : Access violation at address $
// EXPECT_SOMEWHERE the save handler faulted: yes
// EXPECT_SOMEWHERE the main thread goes on after the report
// EXPECT_SOMEWHERE the report was saved: yes
// EXPECT_SOMEWHERE the main thread fails
#include "CrashApp.h"
#include "crashreport/jovExceptHandlers.h"

#include <fstream>
#include <sstream>
#include <string>

constexpr jov::CrashSettings SaveEveryReport() {
    jov::CrashSettings settings = crashapp::ConsoleSettings();
    settings.AutoSave = true;
    settings.BugReportFile = "%appname%.txt"; // beside the program
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = SaveEveryReport();

namespace {

volatile int* volatile nil = nullptr;
volatile bool saveHandlerRan = false;

// Stands for foreign code the action reaches (a shell extension, a printer driver, a mail program).
void FaultingSave(jov::THandlerCall& call) {
    if (call.Action != jov::caSave) return;
    saveHandlerRan = true;
    *nil = 1;
}

DWORD WINAPI ReadNil(void*) {
    return static_cast<DWORD>(*nil);
}

std::string ReportFileName() {
    char path[MAX_PATH];
    std::string name(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return name.substr(0, name.rfind('.')) + ".txt";
}

} // namespace

int main() {
    const std::string file = ReportFileName();
    DeleteFileA(file.c_str());
    jov::AddExceptionHandler(jov::hkAction, FaultingSave);
    HANDLE thread = CreateThread(nullptr, 0, ReadNil, nullptr, 0, nullptr);
    if (!thread) return 3;
    // Held by the report meanwhile: without it let go, the program stands still here for good.
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    crashapp::Say(std::string("the save handler faulted: ") + (saveHandlerRan ? "yes" : "no"));
    crashapp::Say("the main thread goes on after the report");
    std::ifstream in(file, std::ios::binary);
    std::stringstream saved;
    saved << in.rdbuf();
    in.close();
    crashapp::Say(std::string("the report was saved: ") +
                  (saved.str().find("date/time         :") == 0 ? "yes" : "no"));
    DeleteFileA(file.c_str());
    crashapp::Say("the main thread fails");
    *nil = 2;
    return 0;
}
