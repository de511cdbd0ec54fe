// abort() raises SIGABRT: the crash reporter reports it and closes the program.
// EXPECT_EXIT_CODE 1
// EXPECT_LINE An error occurred in the application.
// EXPECT_LINE
// EXPECT_LINE date/time         :
// EXPECT_SOMEWHERE exception class   : JovException
// EXPECT_SOMEWHERE exception message : Abnormal program termination.
#include "CrashApp.h"

#include <cstdlib>

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

int main() {
    std::abort();
}
