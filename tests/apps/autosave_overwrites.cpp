// With AutoSave and a bug-report file cap of 0, every report is saved and each save overwrites the file:
// it holds only the newest report.
// EXPECT_EXIT_CODE 0
// EXPECT_SOMEWHERE reports in the file: 1
// EXPECT_SOMEWHERE the file holds the newest: yes
#include "CrashApp.h"
#include "crashreport/jovExceptHooks.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

constexpr jov::CrashSettings SaveOverwriting() {
    jov::CrashSettings settings = crashapp::ConsoleSettings();
    settings.AutoSave = true;
    settings.BugReportFileCap = 0;
    settings.BugReportFile = "%appname%.txt"; // beside the program
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = SaveOverwriting();

namespace {

std::string ReportFileName() {
    char path[MAX_PATH];
    std::string name(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return name.substr(0, name.rfind('.')) + ".txt";
}

void Fail(const char* message) {
    try {
        throw std::runtime_error(message);
    } catch (...) {
        jov::CatchPointReport(std::current_exception());
    }
}

} // namespace

int main() {
    const std::string file = ReportFileName();
    DeleteFileA(file.c_str());
    Fail("the older failure");
    Fail("the newest failure");
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    in.close();
    const std::string saved = text.str();
    int reports = 0;
    for (size_t at = saved.find("date/time         :"); at != std::string::npos;
         at = saved.find("date/time         :", at + 1))
        reports += at == 0 || saved.compare(at - 2, 2, "\r\n") == 0;
    crashapp::Say("reports in the file: " + std::to_string(reports));
    crashapp::Say(std::string("the file holds the newest: ") +
                  (saved.find("the newest failure") != std::string::npos &&
                           saved.find("the older failure") == std::string::npos
                       ? "yes"
                       : "no"));
    DeleteFileA(file.c_str());
    return 0;
}
