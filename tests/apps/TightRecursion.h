#pragma once
// Recursions as tight as code gets: each level is push ebp; mov ebp, esp; [n pushes of 0;] call self, so
// that a frame takes 8 bytes (or 8 + 4n: its locals written, as code writes them). A level counts the
// counter down and, when it reaches 0, calls the bottom routine instead of itself; a counter far beyond any
// stack recurses until the stack overflows. TIGHT_RECURSION(attributes, name, local dwords, counter,
// bottom) defines `name`; counter (a volatile int) and bottom (void()) are extern "C".
#define TIGHT_RECURSION(attributes, name, locals, counter, bottom)                                           \
    extern "C" attributes __attribute__((naked)) void name() {                                               \
        __asm__ volatile("pushl %ebp\n\t"                                                                    \
                         "movl %esp, %ebp\n\t"                                                               \
                         ".rept " #locals "\n\t"                                                             \
                         "pushl $0\n\t"                                                                      \
                         ".endr\n\t"                                                                         \
                         "decl _" #counter "\n\t"                                                            \
                         "jz 1f\n\t"                                                                         \
                         "call _" #name "\n\t"                                                               \
                         "jmp 2f\n"                                                                          \
                         "1:\n\t"                                                                            \
                         "call _" #bottom "\n"                                                               \
                         "2:\n\t"                                                                            \
                         "movl %ebp, %esp\n\t"                                                               \
                         "popl %ebp\n\t"                                                                     \
                         "ret");                                                                             \
    }
