// A fault in a destructor of a static object that is made early and so destroyed late, after main has
// returned and the program's other statics are gone: the report's disassembly still names the faulting
// function from the program's symbols.
// EXPECT_EXIT_CODE 1
// EXPECT_LINE main returns
// EXPECT_LINE An error occurred in the application.
// EXPECT_SOMEWHERE . Write of address $20.
// EXPECT_SOMEWHERE disassembling:
// EXPECT_SOMEWHERE public WriteWhenDestroyed
#include "CrashApp.h"

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

namespace {

volatile int* volatile badPointer = reinterpret_cast<int*>(0x20);

__attribute__((noinline)) void WriteWhenDestroyed(int value) {
    *badPointer = value;
}

struct FaultsWhenDestroyed {
    ~FaultsWhenDestroyed() { WriteWhenDestroyed(1); }
} faults __attribute__((init_priority(200)));

} // namespace

int main() {
    crashapp::Say("main returns");
    return 0;
}
