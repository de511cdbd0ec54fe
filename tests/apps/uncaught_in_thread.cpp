// A C++ exception that leaves a thread uncaught reaches std::terminate: it is reported as continuable
// with the thrown class, and only that thread ends.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE An error occurred in the application.
// EXPECT_LINE
// EXPECT_LINE date/time         :
// EXPECT_SOMEWHERE exception class   : logic_error
// EXPECT_SOMEWHERE exception message : nobody catches this.
// EXPECT_SOMEWHERE thread exit code 0
#include "CrashApp.h"

#include <stdexcept>
#include <string>

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

static DWORD WINAPI Throw(void*) {
    throw std::logic_error("nobody catches this");
}

int main() {
    crashapp::Say("thread exit code " + std::to_string(crashapp::RunThread(Throw)));
    return 0;
}
