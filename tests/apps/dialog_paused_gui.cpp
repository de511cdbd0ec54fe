// The dialog answers every click while the report holds the program's GUI thread: mail (the mail program
// runs with the GUI thread let go, then the failure box), save (the file dialog) and print 50 times each,
// show (the dialog grows, the report goes to the clipboard the GUI thread's window owned), then continue,
// after which the report lets the GUI thread go (a dialog closed by a sent click used to leave its loop
// waiting for a posted message, every thread still held).
// EXPECT_EXIT_CODE 0
// EXPECT_SOMEWHERE the GUI thread is held: yes
// EXPECT_SOMEWHERE mail: 50 of 50 clicks answered, boxes cancelled: 50
// EXPECT_SOMEWHERE save: 50 of 50 clicks answered, boxes cancelled: 50
// EXPECT_SOMEWHERE print: 50 of 50 clicks answered
// EXPECT_SOMEWHERE show answered: yes, the report shown: yes
// EXPECT_SOMEWHERE the report on the clipboard: yes
// EXPECT_SOMEWHERE the GUI thread is still held: yes
// EXPECT_SOMEWHERE continue answered: yes, the dialog gone: yes
// EXPECT_SOMEWHERE the GUI thread answers again: yes
// EXPECT_SOMEWHERE mail program calls: 50, with the GUI thread running: yes
// EXPECT_SOMEWHERE the program goes on
#include "PausedDialog.h"

constinit const jov::CrashSettings jov::ProgramCrashSettings = pauseddialog::Settings();

int main(int argc, char** argv) {
    return pauseddialog::Main(argc, argv, pauseddialog::Continue);
}
