#pragma once
// Every road by which the crash reporter learns of a failure ends in QueueCrashRequest: it filters what
// must not be reported and hands the rest through a pipe to the crash worker, which makes the report.
#include "crashreport/core/CrashRequest.h"
#include "crashreport/jovTypes.h"

#include <windows.h>

#include <exception>
#include <string>

namespace jov {

// Returns when the report is done, or at once when the failure is filtered out. `exception` is nil for
// a freeze or when the failure has no object; nil with no address inside a catch means the exception
// being handled. A thread id other than 0 reports for that thread (a
// thread without stack left has its report queued by a helper).
// `thrown`, when given, is kept alive for the worker: the requester may stop waiting before the report
// is done (the main thread on a quit message).
void QueueCrashRequest(bool frozen, const TExceptionRef* exception, const void* address, bool canContinue,
                       const void* stackPointer, const void* framePointer, std::string* reportResult,
                       DWORD threadId = 0, const std::exception_ptr* thrown = nullptr);
// One report, on the worker (or inline under the loader lock).
void ProcessCrashRequest(const CrashRequest& request);

// The calling thread's requests still being handled. A thread with this many is not queued again: it
// fails anew inside its own waits.
constexpr int MaxPendingRequests = 2;
int PendingRequestCount();
// Returns when every pending request of the calling thread is done.
void WaitForPendingRequests();

// One report at a time: the stack tracer's caches and the paused-thread list belong to whoever makes the
// report (the worker, a failing thread under the loader lock, an outside caller of the trace export).
// Held for the object's life; a thread that already holds it holds it again. Waited for without limit,
// except by a thread inside the loader: the report it waits for may need the loader lock, and after
// 2000 ms it goes without.
class ReportTurn {
public:
    ReportTurn();
    ~ReportTurn();
    ReportTurn(const ReportTurn&) = delete;
    ReportTurn& operator=(const ReportTurn&) = delete;
    bool owned() const { return owned_; }

private:
    bool owned_;
    bool outermost_ = false;
};
// True on the thread that makes a report: nothing it fails in is reported from inside that report.
bool HoldsReportTurn();

bool StartCrashWorker();
void StopCrashWorker();
// Called on the worker when a fault ends it: its requester is released and a new worker takes over the
// pipe, so that no later failure waits for a worker that is gone.
void ReplaceFailedWorker();
DWORD CrashWorkerThreadId(); // 0 when there is none

// True when a thread holds the loader lock (or the process-environment lock): a report is then made where
// it fails, and no dialog is shown.
bool IsLoaderLockHeld();
// True when the calling thread holds one of them itself: it cannot wait for a thread that needs them.
bool IsLoaderLockHeldHere();

} // namespace jov
