#include "crashreport/jovExceptHooks.h"

#include "crashreport/CrashHook.h"
#include "crashreport/jovExceptActions.h"
#include "crashreport/jovExceptLastChance.h"
#include "crashreport/jovExceptPatch.h"
#include "crashreport/jovExceptState.h"
#include "crashreport/jovExceptThreads.h"
#include "crashreport/jovExceptWorker.h"
#include "crashreport/jovThrowSite.h"
#include "crashreport/jovTools.h"

#include <windows.h>

#include <csignal>
#include <cstring>

namespace jov {
namespace {

LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
std::terminate_handler previousTerminate = nullptr;
void (*previousAbortHandler)(int) = SIG_DFL;
void* namingHandler = nullptr;
bool installed = false;

const char* const AbnormalTermination = "Abnormal program termination";

// Code that installs its own filter after us (a library, a later initialisation) gets its filter recorded
// as the one to restore, while ours stays in place.
LPTOP_LEVEL_EXCEPTION_FILTER WINAPI GuardedSetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter) {
    LPTOP_LEVEL_EXCEPTION_FILTER replaced = previousFilter;
    previousFilter = filter;
    return replaced;
}

// libstdc++ keeps the thrown object's address as the only member of std::exception_ptr.
const void* ThrownObject(const std::exception_ptr& exception) {
    const void* object = nullptr;
    static_assert(sizeof(std::exception_ptr) == sizeof object);
    std::memcpy(&object, &exception, sizeof object);
    return object;
}

} // namespace

void QueueCxxException(const std::exception_ptr& exception, bool canContinue, std::string* reportResult) {
    TExceptionRef ref{exception.__cxa_exception_type(), ThrownObject(exception)};
    const void* address = nullptr;
    const void* stackPointer = nullptr;
    const void* framePointer = nullptr;
    // Held until the report is done: the thread may throw again while it waits (its messages run).
    const ThrowSiteHold hold = ThrowSiteHold::OfObject(GetCurrentThreadId(), ref.Type, ref.Object);
    if (const TThrowSite* site = hold.get()) {
        address = reinterpret_cast<const void*>(site->ReturnAddress);
        stackPointer = reinterpret_cast<const void*>(site->StackPointer);
        framePointer = reinterpret_cast<const void*>(site->FramePointer);
    }
    QueueCrashRequest(false, &ref, address, canContinue, stackPointer, framePointer, reportResult, 0,
                      &exception);
}

namespace {

void QueueTermination(bool canContinue) {
    const JovException exception(AbnormalTermination);
    const TExceptionRef ref{&typeid(JovException), &exception};
    QueueCrashRequest(false, &ref, __builtin_return_address(0), canContinue, __builtin_frame_address(0),
                      __builtin_frame_address(0), nullptr);
}

} // namespace

bool CatchPointReport(std::exception_ptr exception) {
    if (!exception) return false;
    // A drag that holds the mouse (the finder, a caption button, the taskbar) ends before the report: it
    // would otherwise go on behind the dialog and take the clicks meant for it.
    if (HWND capture = GetCapture())
        SendMessageTimeoutA(capture, WM_CANCELMODE, 0, 0, SMTO_ABORTIFHUNG, 1000, nullptr);
    QueueCxxException(exception, true, nullptr);
    return true;
}

void TerminateReport() {
    const bool mainThread = GetCurrentThreadId() == CrashState().MainThreadId;
    if (std::exception_ptr exception = std::current_exception())
        QueueCxxException(exception, !mainThread, nullptr);
    else
        QueueTermination(!mainThread);
    if (mainThread) CloseApplication();
    // Nothing of this thread can run on; the program goes on without it.
    ReplaceFailedWorker();
    SetThreadName(GetCurrentThreadId(), "");
    ExitThread(0);
}

void AbortSignalReport(int) {
    QueueTermination(false);
    CloseApplication();
}

bool InstallRuntimeHooks() {
    if (installed) return true;
    installed = true;
    previousFilter = SetUnhandledExceptionFilter(ThreadLastChanceHandler);
    bool complete = PatchJump(reinterpret_cast<void*>(&SetUnhandledExceptionFilter),
                              reinterpret_cast<const void*>(&GuardedSetUnhandledExceptionFilter));
    previousTerminate = std::set_terminate(TerminateReport);
    previousAbortHandler = std::signal(SIGABRT, AbortSignalReport);
    if (previousAbortHandler == SIG_ERR) previousAbortHandler = SIG_DFL, complete = false;
    namingHandler = AddVectoredExceptionHandler(1, ThreadNamingHandler);
    CatchPointHook = CatchPointReport;
    return complete && namingHandler;
}

void RemoveRuntimeHooks() {
    if (!installed) return;
    installed = false;
    CatchPointHook = nullptr;
    if (namingHandler) RemoveVectoredExceptionHandler(namingHandler);
    namingHandler = nullptr;
    std::signal(SIGABRT, previousAbortHandler);
    std::set_terminate(previousTerminate);
    SetUnhandledExceptionFilter(previousFilter);
}

} // namespace jov
