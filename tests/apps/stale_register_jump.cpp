// A function that loads the address of data into eax, calls another and then jumps through eax (the
// callee's result) faults before the jump: its listing is in the report, the jump left unresolved rather
// than followed into the data.
// EXPECT_EXIT_CODE 1
// EXPECT_LINE An error occurred in the application.
// EXPECT_SOMEWHERE . Write of address $20.
// EXPECT_SOMEWHERE disassembling:
// EXPECT_SOMEWHERE JumpThroughResult:
// EXPECT_SOMEWHERE jmp     eax
#include "CrashApp.h"

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

extern "C" void JumpThroughResult();

extern "C" __attribute__((noinline, used)) void* PickContinuation() {
    return nullptr;
}

// In the code section, so that following the stale eax would walk it as code.
asm(R"(
        .text
        .globl _JumpThroughResult
_JumpThroughResult:
        pushl %ebp
        movl %esp, %ebp
        movl $.LstaleData, %eax
        call _PickContinuation
        movl %eax, 0x20
        jmp *%eax
        .p2align 4
.LstaleData:
        .byte 0xff, 0xff, 0xff, 0xff
)");

int main() {
    JumpThroughResult();
    crashapp::Say("still running");
    return 0;
}
