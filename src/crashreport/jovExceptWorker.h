#pragma once
// Every road by which the crash reporter learns of a failure ends in QueueCrashRequest: it filters what
// must not be reported and hands the rest through a pipe to the crash worker, which makes the report.
#include "crashreport/core/CrashRequest.h"
#include "crashreport/jovTypes.h"

#include <windows.h>

#include <string>

namespace jov {

// Returns when the report is done, or at once when the failure is filtered out. `exception` is nil for
// a freeze or when the failure has no object. A thread id other than 0 reports for that thread (a
// thread without stack left has its report queued by a helper).
void QueueCrashRequest(bool frozen, const TExceptionRef* exception, const void* address, bool canContinue,
                       const void* stackPointer, const void* framePointer, std::string* reportResult,
                       DWORD threadId = 0);
// One report, on the worker (or inline under the loader lock).
void ProcessCrashRequest(const CrashRequest& request);

// True while the calling thread waits for its own report: a second failure there is not queued.
bool IsCrashRequestPending();

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
