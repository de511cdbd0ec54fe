// Close, clicked while the report holds the program's GUI thread, ends the program at once.
// EXPECT_EXIT_CODE 1
// EXPECT_SOMEWHERE the GUI thread is held: yes
// EXPECT_SOMEWHERE close ended the program with exit code 1
#include "PausedDialog.h"

constinit const jov::CrashSettings jov::ProgramCrashSettings = pauseddialog::Settings();

int main(int argc, char** argv) {
    return pauseddialog::Main(argc, argv, pauseddialog::Close);
}
