// A stack overflow in the main thread is reported from a helper thread (the failing one has no stack
// left) and closes the program; the helper, one of the crash reporter's own threads, has no section.
// EXPECT_EXIT_CODE 1
// EXPECT_LINE An error occurred in the application.
// EXPECT_LINE
// EXPECT_LINE date/time         :
// EXPECT_SOMEWHERE exception class   : JovException
// EXPECT_SOMEWHERE exception message : Stack overflow.
// EXPECT_SOMEWHERE main thread ($
// EXPECT_NOWHERE thread $
#include "CrashApp.h"

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

static volatile int deepest = 0x7FFFFFFF; // far beyond any stack

static int Recurse(int depth) {
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    return depth < deepest ? Recurse(depth + 1) + frame[0] : 0;
}

int main() {
    return Recurse(0);
}
