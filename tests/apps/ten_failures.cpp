// Ten failures within a minute: with AutoClose 60 the first nine are reported and continued, the tenth
// fills the history and the close rule ends the program.
// EXPECT_EXIT_CODE 1
// EXPECT_LINE failure 1
// EXPECT_LINE An error occurred in the application.
// EXPECT_SOMEWHERE failure 9
// EXPECT_SOMEWHERE failure 10
// EXPECT_SOMEWHERE exception message : failure number 10.
#include "CrashApp.h"
#include "crashreport/jovExceptHooks.h"

#include <stdexcept>
#include <string>

constexpr jov::CrashSettings CloseAtTheTenth() {
    jov::CrashSettings settings = crashapp::ConsoleSettings();
    settings.AutoClose = 60;
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = CloseAtTheTenth();

int main() {
    for (int i = 1; i <= 11; ++i) {
        crashapp::Say("failure " + std::to_string(i));
        try {
            throw std::runtime_error("failure number " + std::to_string(i));
        } catch (...) {
            jov::CatchPointReport(std::current_exception());
        }
    }
    crashapp::Say("not closed after ten failures");
    return 0;
}
