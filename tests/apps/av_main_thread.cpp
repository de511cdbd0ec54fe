// An access violation in the main thread cannot be continued: the close rule ends the program.
// EXPECT_EXIT_CODE 1
// EXPECT_LINE An error occurred in the application.
// EXPECT_LINE
// EXPECT_LINE date/time         :
// EXPECT_SOMEWHERE exception class   : JovException
// EXPECT_SOMEWHERE exception message : Access violation at address $
// EXPECT_SOMEWHERE . Write of address $10.
// EXPECT_SOMEWHERE crashapp_av_main_thread.exe
// EXPECT_SOMEWHERE main thread ($
#include "CrashApp.h"

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

static volatile int* volatile unmapped = reinterpret_cast<int*>(0x10);

int main() {
    *unmapped = 1;
    crashapp::Say("still running");
    return 0;
}
