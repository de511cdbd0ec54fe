// A thread names itself through the thread-naming exception; its later failure is reported under that
// name.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE An error occurred in the application.
// EXPECT_LINE
// EXPECT_LINE date/time         :
// EXPECT_SOMEWHERE exception class   : JovException
// EXPECT_SOMEWHERE worker one ($
// EXPECT_SOMEWHERE thread exit code 0
#include "CrashApp.h"

#include <string>

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

static volatile int* volatile unmapped = reinterpret_cast<int*>(4);

static DWORD WINAPI NameThenFail(void*) {
    const char* name = "worker one";
    const ULONG_PTR information[4] = {0x1000, reinterpret_cast<ULONG_PTR>(name), 0xFFFFFFFF, 0};
    RaiseException(0x406D1388, 0, 4, information);
    return static_cast<DWORD>(*unmapped);
}

int main() {
    crashapp::Say("thread exit code " + std::to_string(crashapp::RunThread(NameThenFail)));
    return 0;
}
