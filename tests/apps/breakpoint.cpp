// A breakpoint instruction without a debugger is an exception without a text of its own: reported as an
// external exception with its code, and the close rule ends the program.
// EXPECT_EXIT_CODE 1
// EXPECT_LINE An error occurred in the application.
// EXPECT_LINE
// EXPECT_LINE date/time         :
// EXPECT_SOMEWHERE exception class   : JovException
// EXPECT_SOMEWHERE exception message : External exception 80000003.
// EXPECT_SOMEWHERE main thread ($
#include "CrashApp.h"

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

int main() {
    __asm__ volatile("int3");
    crashapp::Say("still running");
    return 0;
}
