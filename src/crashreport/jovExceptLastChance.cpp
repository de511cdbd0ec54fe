#include "crashreport/jovExceptLastChance.h"

#include "crashreport/core/ExceptionTexts.h"
#include "crashreport/jovDisAsmSafeRead.h"
#include "crashreport/jovExceptActions.h"
#include "crashreport/jovExceptState.h"
#include "crashreport/jovExceptThreadHook.h"
#include "crashreport/jovExceptThreads.h"
#include "crashreport/jovExceptWorker.h"
#include "crashreport/jovStepGuard.h"
#include "crashreport/jovTools.h"
#include "crashreport/jovToolsHelpers.h"

#include <float.h>

namespace jov {
namespace {

void QueueOsException(const EXCEPTION_RECORD& record, bool canContinue, const void* stackPointer,
                      const void* framePointer, DWORD threadId) {
    // A thread that keeps failing inside its own waits is broken: once the reports it waits for are done,
    // the program ends.
    if (PendingRequestCount() >= MaxPendingRequests) {
        WaitForPendingRequests();
        CloseApplication();
    }
    const JovException exception(OsExceptionMessage(record));
    const TExceptionRef ref{&typeid(JovException), &exception};
    QueueCrashRequest(false, &ref, record.ExceptionAddress, canContinue, stackPointer, framePointer, nullptr,
                      threadId);
}

// A thread whose stack overflowed has almost none left: its report is made on a fresh thread.
struct OverflowReport {
    const EXCEPTION_RECORD* Record;
    const void* StackPointer;
    const void* FramePointer; // the recursion's frames are certain, and it is traced in linear time
    DWORD ThreadId;
    bool CanContinue;
};

DWORD WINAPI ReportOverflow(void* parameter) {
    // One of the crash reporter's own threads: it has no place in the report it makes.
    SetThreadName(GetCurrentThreadId(), "-");
    const auto& report = *static_cast<const OverflowReport*>(parameter);
    QueueOsException(*report.Record, report.CanContinue, report.StackPointer, report.FramePointer,
                     report.ThreadId);
    SetThreadName(GetCurrentThreadId(), "");
    return 0;
}

[[noreturn]] void EndFailedThread() {
    SetThreadName(GetCurrentThreadId(), "");
    // The program goes on: a heap this thread faulted in must not stay locked for all the others.
    LeaveHeapLocks();
    ExitThread(0);
}

} // namespace

std::string AccessViolationText(const EXCEPTION_RECORD& record) {
    HMODULE module;
    std::string moduleName;
    if (ModuleFromAddress(record.ExceptionAddress, module, moduleName))
        moduleName = ExtractFileNamePart(moduleName);
    return AccessViolationText(reinterpret_cast<uint32_t>(record.ExceptionAddress), moduleName,
                               static_cast<uint32_t>(record.ExceptionInformation[0]),
                               static_cast<uint32_t>(record.ExceptionInformation[1]));
}

std::string OsExceptionMessage(const EXCEPTION_RECORD& record) {
    return record.ExceptionCode == AccessViolationCode ? AccessViolationText(record)
                                                       : OsExceptionText(record.ExceptionCode);
}

void ReportOsException(const EXCEPTION_RECORD& record, const void* stackPointer, const void* framePointer) {
    QueueOsException(record, false, stackPointer, framePointer, 0);
}

void ReportThreadExceptionAndExit(const EXCEPTION_RECORD& record, const void* stackPointer) {
    QueueOsException(record, GetCurrentThreadId() != CrashState().MainThreadId, stackPointer, nullptr, 0);
    EndFailedThread();
}

LONG WINAPI ThreadLastChanceHandler(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
    if (record.ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        return EXCEPTION_CONTINUE_SEARCH;
    if (record.ExceptionCode == ThreadNamingCode) {
        // Without vectored handlers (Windows 2000) the name is read here, where an uncaught naming
        // exception ends up; with them it was recorded already and is recorded again alike.
        ThreadNamingHandler(pointers);
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    if (GetCurrentThreadId() == CrashWorkerThreadId()) {
        // Nothing is reported from inside a report.
        ReplaceFailedWorker();
        LeaveHeapLocks();
        ExitThread(0);
    }
    const void* stackPointer = reinterpret_cast<const void*>(pointers->ContextRecord->Esp);
    const bool mainThread = GetCurrentThreadId() == CrashState().MainThreadId;
    if (record.ExceptionCode == StackOverflowCode) {
        OverflowReport report{&record, stackPointer,
                              reinterpret_cast<const void*>(pointers->ContextRecord->Ebp),
                              GetCurrentThreadId(), !mainThread};
        if (HANDLE helper = CreateThreadUnhooked(ReportOverflow, &report)) {
            WaitForSingleObject(helper, INFINITE);
            CloseHandle(helper);
        }
        if (mainThread) CloseApplication();
        EndFailedThread();
    }
    __asm__ volatile("cld");
    _fpreset();
    if (mainThread)
        ReportOsException(record, stackPointer, reinterpret_cast<const void*>(pointers->ContextRecord->Ebp));
    else
        ReportThreadExceptionAndExit(record, stackPointer);
    // The main thread cannot go on from an exception nobody handled; the close rule ends it, and when a
    // handler kept it alive it ends here.
    CloseApplication();
}

LONG WINAPI ThreadNamingHandler(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
    if (record.ExceptionCode != ThreadNamingCode || record.NumberParameters < 4 ||
        record.ExceptionInformation[0] != 0x1000 || record.ExceptionInformation[3] != 0)
        return EXCEPTION_CONTINUE_SEARCH;
    char name[256] = {};
    const auto* source = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
    for (size_t i = 0; i + 1 < sizeof name && SafeReadMemory(source + i, &name[i], 1) && name[i]; ++i) {
    }
    const DWORD threadId = static_cast<DWORD>(record.ExceptionInformation[2]);
    SetThreadName(threadId == 0xFFFFFFFF ? GetCurrentThreadId() : threadId, name);
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace jov
