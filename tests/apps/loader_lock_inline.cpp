// A failure while the loader lock is held (as in a module's attach code) is reported right where it
// happens, by the failing thread, without the worker; the crash reporter's stop under the lock does not
// wait for its threads either, and ends them.
// EXPECT_EXIT_CODE 0
// EXPECT_SOMEWHERE exception message : under the loader lock.
// EXPECT_SOMEWHERE reported by the failing thread: yes
// EXPECT_SOMEWHERE stopped under the loader lock: yes
// EXPECT_SOMEWHERE worker ended: yes
#include "CrashApp.h"
#include "crashreport/jovDisAsmSafeRead.h"
#include "crashreport/jovExcept.h"
#include "crashreport/jovExceptHandlers.h"
#include "crashreport/jovExceptHooks.h"
#include "crashreport/jovExceptWorker.h"

#include <stdexcept>

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

namespace {

volatile DWORD reportedBy = 0;

void NoteThread(jov::THandlerCall&) {
    reportedBy = GetCurrentThreadId();
}

} // namespace

int main() {
    CRITICAL_SECTION* loaderLock =
        *reinterpret_cast<CRITICAL_SECTION**>(jov::PebPointer() + jov::PebLoaderLockOffset);
    jov::AddExceptionHandler(jov::hkException, NoteThread);
    HANDLE worker = OpenThread(SYNCHRONIZE, FALSE, jov::CrashWorkerThreadId());
    EnterCriticalSection(loaderLock);
    try {
        throw std::runtime_error("under the loader lock");
    } catch (...) {
        jov::CatchPointReport(std::current_exception());
    }
    const bool inline_ = reportedBy == GetCurrentThreadId();
    jov::StopCrashReporter();
    LeaveCriticalSection(loaderLock);
    crashapp::Say(std::string("reported by the failing thread: ") + (inline_ ? "yes" : "no"));
    crashapp::Say("stopped under the loader lock: yes");
    crashapp::Say(std::string("worker ended: ") +
                  (worker && WaitForSingleObject(worker, 0) == WAIT_OBJECT_0 ? "yes" : "no"));
    return 0;
}
