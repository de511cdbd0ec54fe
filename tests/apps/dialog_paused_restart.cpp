// Restart, clicked while the report holds the program's GUI thread, starts the program anew and ends
// this one.
// EXPECT_EXIT_CODE 2
// EXPECT_SOMEWHERE the GUI thread is held: yes
// EXPECT_SOMEWHERE restart ended the program with exit code 2
#include "PausedDialog.h"

constinit const jov::CrashSettings jov::ProgramCrashSettings = pauseddialog::Settings();

int main(int argc, char** argv) {
    return pauseddialog::Main(argc, argv, pauseddialog::Restart);
}
