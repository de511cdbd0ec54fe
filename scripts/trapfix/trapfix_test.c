/* Raises real faults and checks what an SA_SIGINFO handler is shown.  Run natively on x86_64 (the shim
 * must change nothing) and as i386 under qemu-user with the shim preloaded (it must repair the frame).
 * Exit status: the number of failures. */
#define _GNU_SOURCE
#include <setjmp.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <ucontext.h>

static sigjmp_buf jb;
static volatile int seen_by, seen_sig;
static volatile long seen_trapno, seen_err;
static void *volatile seen_addr;
static int failures;

static void record(int who, int sig, siginfo_t *si, void *ctx)
{
    greg_t *g = ((ucontext_t *)ctx)->uc_mcontext.gregs;
    seen_by = who;
    seen_sig = sig;
    seen_addr = si->si_addr;
    seen_trapno = (long)g[REG_TRAPNO];
    seen_err = (long)g[REG_ERR];
    siglongjmp(jb, 1);
}
static void first(int sig, siginfo_t *si, void *ctx) { record(1, sig, si, ctx); }
static void second(int sig, siginfo_t *si, void *ctx) { record(2, sig, si, ctx); }

static void install(int sig, void (*h)(int, siginfo_t *, void *), struct sigaction *old)
{
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_sigaction = h;
    sa.sa_flags = SA_SIGINFO;
    sigaction(sig, &sa, old);
}

static void write_0x10(void) { *(volatile int *)0x10 = 1; }
static void call_null(void) { void (*volatile f)(void) = 0; f(); }
static void divide_by_zero(void) { volatile int zero = 0, r = 100 / zero; (void)r; }
static void breakpoint(void) { __asm__ volatile("int3"); }
static void bad_opcode(void) { __asm__ volatile("ud2"); }

static void fault(void (*fn)(void))
{
    seen_by = seen_sig = 0;
    seen_trapno = seen_err = -99;
    seen_addr = (void *)-1;
    if (!sigsetjmp(jb, 1))
        fn();
}

static void expect(int ok, const char *what)
{
    printf("%s - %s [handler %d signal %d trapno %ld err %#lx addr %p]\n", ok ? "ok" : "not ok", what, seen_by,
           seen_sig, seen_trapno, (unsigned long)seen_err, seen_addr);
    failures += !ok;
}

int main(void)
{
    struct sigaction old;

    install(SIGSEGV, first, NULL);
    install(SIGFPE, first, NULL);
    install(SIGTRAP, first, NULL);
    install(SIGILL, first, NULL);

    fault(write_0x10);
    expect(seen_by == 1 && seen_trapno == 14 && (seen_err & 2) && seen_addr == (void *)0x10,
           "write to 0x10: page fault, write bit, address 0x10");
    fault(call_null);
    expect(seen_sig == SIGSEGV && seen_trapno == 14 && (seen_err & 0x10) && seen_addr == 0,
           "call through null: page fault, instruction-fetch bit");
    fault(divide_by_zero);
    expect(seen_sig == SIGFPE && seen_trapno == 0, "integer divide by zero: trap 0");
    fault(breakpoint);
    expect(seen_sig == SIGTRAP && seen_trapno == 3, "int3: trap 3");
    fault(bad_opcode);
    expect(seen_sig == SIGILL && seen_trapno == 6, "ud2: trap 6");

    install(SIGSEGV, second, &old);
    expect(old.sa_sigaction == first, "replacing a handler hands back the program's own");
    fault(write_0x10);
    expect(seen_by == 2 && seen_trapno == 14, "the new handler runs");
    sigaction(SIGSEGV, &old, NULL);
    fault(write_0x10);
    expect(seen_by == 1 && seen_trapno == 14, "the old handler put back runs");
    return failures;
}
