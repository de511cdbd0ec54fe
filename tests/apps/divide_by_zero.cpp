// An integer division by zero in the main thread: reported with the runtime's text, and the close rule
// ends the program.
// EXPECT_EXIT_CODE 1
// EXPECT_LINE An error occurred in the application.
// EXPECT_LINE
// EXPECT_LINE date/time         :
// EXPECT_SOMEWHERE exception class   : JovException
// EXPECT_SOMEWHERE exception message : Division by zero.
// EXPECT_SOMEWHERE main thread ($
#include "CrashApp.h"

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

// Both volatile: a constant dividend lets the compiler do without the division.
static volatile int dividend = 7, divisor = 0;

int main() {
    const int quotient = dividend / divisor;
    crashapp::Say("still running: " + std::to_string(quotient));
    return 0;
}
