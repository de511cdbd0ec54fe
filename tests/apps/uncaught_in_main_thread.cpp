// A C++ exception that leaves the main thread uncaught reaches std::terminate: it is reported with the
// thrown class, cannot be continued, and the close rule ends the program.
// EXPECT_EXIT_CODE 1
// EXPECT_LINE An error occurred in the application.
// EXPECT_LINE
// EXPECT_LINE date/time         :
// EXPECT_SOMEWHERE exception class   : runtime_error
// EXPECT_SOMEWHERE exception message : nobody catches this either.
// EXPECT_SOMEWHERE main thread ($
#include "CrashApp.h"

#include <stdexcept>

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

int main() {
    throw std::runtime_error("nobody catches this either");
}
