/* Puts back the trap number that qemu-user leaves out of signal frames, for Wine.
 *
 * qemu-user (i386 guest) writes trapno = -1 into every signal frame; Wine chooses the Windows exception
 * from trapno, so every fault would come out as an illegal instruction.  This library wraps sigaction()
 * for the fault signals and, where the frame's trapno is out of range (never so under a real kernel,
 * where it changes nothing), writes what the kernel would have written before the program's handler
 * runs: SIGSEGV with SI_KERNEL is a general-protection fault, other SIGSEGVs are page faults; SIGTRAP
 * with SI_KERNEL is int3, TRAP_BRKPT a single step.
 * Built for i386 and x86_64; loaded with LD_PRELOAD='/usr/$LIB/libtrapfix.so'. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <ucontext.h>

typedef void (*handler_t)(int, siginfo_t *, void *);
static handler_t volatile program_handler[NSIG]; /* where repair_frame stands in */

static int is_fault_signal(int sig)
{
    return sig == SIGSEGV || sig == SIGILL || sig == SIGFPE || sig == SIGTRAP || sig == SIGBUS;
}

static long kernel_trapno(int sig, int code)
{
    switch (sig) {
    case SIGSEGV: return code == SI_KERNEL ? 13 : 14;
    case SIGILL: return 6;
    case SIGFPE: return code == FPE_INTDIV || code == FPE_INTOVF ? 0 : 16;
    case SIGTRAP: return code == SI_KERNEL ? 3 : 1;
    case SIGBUS: return code == BUS_ADRALN ? 17 : code == SI_KERNEL ? 11 : 14;
    }
    return -1;
}

static void repair_frame(int sig, siginfo_t *si, void *ctx)
{
    greg_t *g = ((ucontext_t *)ctx)->uc_mcontext.gregs;
    handler_t h = program_handler[sig];

    if (g[REG_TRAPNO] < 0 || g[REG_TRAPNO] > 31)
        g[REG_TRAPNO] = kernel_trapno(sig, si->si_code);
    if (h)
        h(sig, si, ctx);
}

int sigaction(int sig, const struct sigaction *act, struct sigaction *old)
{
    static int (*real)(int, const struct sigaction *, struct sigaction *);
    struct sigaction mine;
    handler_t prev;
    int r;

    if (!real)
        real = (int (*)(int, const struct sigaction *, struct sigaction *))dlsym(RTLD_NEXT, "sigaction");
    if (sig <= 0 || sig >= NSIG || !is_fault_signal(sig))
        return real(sig, act, old);

    prev = program_handler[sig];
    if (act && (act->sa_flags & SA_SIGINFO) && act->sa_handler != SIG_DFL && act->sa_handler != SIG_IGN &&
        act->sa_sigaction != repair_frame) {
        mine = *act;
        mine.sa_sigaction = repair_frame;
        program_handler[sig] = act->sa_sigaction; /* first: repair_frame may run as soon as it is in */
        r = real(sig, &mine, old);
        if (r)
            program_handler[sig] = prev;
    } else {
        r = real(sig, act, old);
        if (!r && act)
            program_handler[sig] = 0;
    }
    /* A caller that saves the old handler and puts it back later must get its own, not the wrapper. */
    if (!r && old && (old->sa_flags & SA_SIGINFO) && old->sa_sigaction == repair_frame)
        old->sa_sigaction = prev;
    return r;
}
