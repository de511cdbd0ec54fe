// A screenshot routine and a disassembly routine that fault: the report goes on without the picture, and
// the failing disassembly ends it with the failure line and the failure's address, keeping everything
// composed before it.
// EXPECT_EXIT_CODE 1
// EXPECT_LINE An error occurred in the application.
// EXPECT_LINE
// EXPECT_LINE date/time         :
// EXPECT_SOMEWHERE exception message : Access violation at address
// EXPECT_SOMEWHERE main thread ($
// EXPECT_SOMEWHERE modules:
// EXPECT_SOMEWHERE hardware:
// EXPECT_SOMEWHERE An exception occurred during composing the bug report. $
// EXPECT_NOWHERE disassembling:
#include "CrashApp.h"

namespace {

volatile int* volatile badPointer = reinterpret_cast<int*>(0x20);

void FaultingScreenShot(int, std::string& picture) {
    picture = "never kept";
    *badPointer = 1;
}

void FaultingDisassembly(const void*, std::string& text, const void*, int, bool, jov::TFunctionInfo&) {
    text = "never shown";
    *badPointer = 2;
}

constexpr jov::CrashSettings WithFaultingRoutines() {
    jov::CrashSettings settings = crashapp::ConsoleSettings();
    settings.ScreenShotSize = 4;
    settings.ScreenShotProc = FaultingScreenShot;
    return settings;
}

} // namespace

constinit const jov::CrashSettings jov::ProgramCrashSettings = WithFaultingRoutines();

int main() {
    // The start links the program's own disassembler; this one takes its place.
    jov::RunningSettings().DisassemblyProc = FaultingDisassembly;
    *badPointer = 3;
    crashapp::Say("still running");
    return 0;
}
