// A main thread that stops answering for 1.5 s with a freeze timeout of 1 s is reported once, as frozen
// and continuable, and the program goes on.
// EXPECT_EXIT_CODE 0
// EXPECT_SOMEWHERE The application seems to be frozen.
// EXPECT_SOMEWHERE frozen reports 1
// EXPECT_SOMEWHERE reported within 1200 ms: yes
// EXPECT_SOMEWHERE the program goes on
#include "FreezeApp.h"

constinit const jov::CrashSettings jov::ProgramCrashSettings = freezeapp::Settings();

int main() {
    return freezeapp::BlockMainThread(1500);
}
