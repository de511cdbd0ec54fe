// A main thread busy for 0.5 s, half the freeze timeout, is not reported.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE frozen reports 0
// EXPECT_LINE the program goes on
#include "FreezeApp.h"

constinit const jov::CrashSettings jov::ProgramCrashSettings = freezeapp::Settings();

int main() {
    return freezeapp::BlockMainThread(500);
}
