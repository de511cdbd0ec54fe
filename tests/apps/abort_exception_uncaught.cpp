// An EAbort (here a class derived from one) that no code catches cannot be continued: it ends the program
// with exit code 1, and no report is made, not even its first line.
// EXPECT_EXIT_CODE 1
// EXPECT_LINE about to abort
// EXPECT_NOWHERE An error occurred in the application.
// EXPECT_NOWHERE date/time
// EXPECT_NOWHERE went on
#include "CrashApp.h"

#include <exception>

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

struct EAbort : std::exception {};
struct EQuietStop : EAbort {};

int main() {
    crashapp::Say("about to abort");
    throw EQuietStop();
    crashapp::Say("went on");
}
