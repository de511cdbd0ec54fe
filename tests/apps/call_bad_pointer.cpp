// A call to an address where no code is faults there: the report's first line is that address, and the
// next names the function that made the call.
// EXPECT_EXIT_CODE 1
// EXPECT_LINE An error occurred in the application.
// EXPECT_SOMEWHERE exception message : Access violation at address $10. Execute of address $10.
// EXPECT_SOMEWHERE 00000010 ???
// EXPECT_SOMEWHERE main thread ($
// EXPECT_SOMEWHERE CallThroughBadPointer
// EXPECT_NOWHERE internal error
#include "CrashApp.h"

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

extern "C" __attribute__((noinline)) void CallThroughBadPointer() {
    // Through a register: a direct call's displacement would move with the image, which Wine may load
    // elsewhere than its preferred base.
    __asm__ volatile("movl $0x10, %%eax\n\tcall *%%eax" ::: "eax", "ecx", "edx", "memory");
    crashapp::Say("returned");
}

int main() {
    CallThroughBadPointer();
    return 0;
}
