// An access violation in a secondary thread is reported as continuable; that thread alone ends, with
// exit code 0, and the program goes on.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE An error occurred in the application.
// EXPECT_LINE
// EXPECT_LINE date/time         :
// EXPECT_SOMEWHERE exception class   : JovException
// EXPECT_SOMEWHERE exception message : Access violation at address $
// EXPECT_SOMEWHERE Read of address $0.
// EXPECT_SOMEWHERE thread exit code 0
// EXPECT_SOMEWHERE the program goes on
#include "CrashApp.h"

#include <string>

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

static volatile int* volatile nil = nullptr;

static DWORD WINAPI ReadNil(void*) {
    return static_cast<DWORD>(*nil) + 7;
}

int main() {
    const DWORD code = crashapp::RunThread(ReadNil);
    crashapp::Say("thread exit code " + std::to_string(code));
    crashapp::Say("the program goes on");
    return 0;
}
