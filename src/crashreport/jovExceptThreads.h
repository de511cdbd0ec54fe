#pragma once
// The process-wide thread registry in the shared block: names ("main thread", "-" for the crash
// reporter's own threads, names a thread gives itself), creators and thread classes.
#include "crashreport/core/ReportThreads.h"

#include <windows.h>

#include <string>
#include <vector>

namespace jov {

// One node per registered thread, from the process heap; the layout is shared by every module of the
// process. Nodes of 12 bytes (the first three fields) are accepted from older modules.
struct TThreadInfoNode {
    DWORD ThreadId;
    char* Name;
    TThreadInfoNode* Next;
    char* ClassName;
    void* CreatorAddress;
    DWORD CreatorThreadId;
    HANDLE Thread; // synchronise and query-information access
};

// Records with a name or a creator address, removes with neither. Without a handle (given or opened)
// the thread is not recorded.
void RecordThreadInfo(DWORD threadId, HANDLE thread, const char* name, DWORD creatorThreadId,
                      void* creatorAddress, const char* className);
// An empty name removes the entry.
void SetThreadName(DWORD threadId, const char* name);
// The registered name, empty when the thread has none (or the list cannot be had within 50 ms).
std::string ThreadNameOf(DWORD threadId);

// The registry's entry of a thread; false when it has none or the list cannot be had within 50 ms.
bool ThreadNodeOf(DWORD threadId, ThreadNode& node);

HANDLE OpenThreadById(DWORD threadId, DWORD access);

// Ids of the own process's threads: the system's process information (looked up at run time), else a
// tool-help snapshot. Empty when neither can be had.
std::vector<DWORD> ListProcessThreads();
std::vector<DWORD> ListProcessThreadsBySystem();
std::vector<DWORD> ListProcessThreadsByToolhelp();

// Suspends only when the thread list, the thread-class patch mutex and the loader lock could be had within
// 2000 ms each: a thread is never frozen while it holds any of them, nor a heap's lock, nor (tried again
// a little later, for at most about `windowingBudgetMs`) the windowing system's locks. True when it
// suspended.
bool SuspendThreadGuarded(HANDLE thread, DWORD windowingBudgetMs = 2000);
// Ends one of the crash reporter's own threads that did not stop when asked, never while it is inside the
// loader or a heap: killed in its detach notifications it would leave the loader lock orphaned, and
// ExitProcess waiting for it forever. A thread that keeps the loader lock for 2000 ms is left to run.
void TerminateOwnThread(HANDLE thread);
// The main thread, and threads created by code of a module with symbol data.
bool ShouldPauseThread(DWORD threadId);
// suspend + refresh: lists the threads and holds them; !suspend + refresh: lets them go and remembers the
// threads started meanwhile, which no later pause touches while they run. Without refresh the same
// threads are held or let go again (a mail program may need the paused threads meanwhile).
void PauseOtherThreads(bool suspend, bool refresh);
// True for a thread that the current pause holds: its suspend count has one step of the reporter's own.
bool IsHeldByPause(DWORD threadId);
// For a held thread that was let go for a while and could not be held again: the pause's end leaves it.
void NoLongerHeldByPause(DWORD threadId);
// Forgets the remembered threads that ended.
void PruneEndedThreads();
// Closes what PauseOtherThreads remembered; at stop.
void ClearExcludedThreads();

// Holds the other threads for its lifetime, and lets them go for a while around work that needs them
// (the clipboard's owner, a mail program).
class PausedThreads {
public:
    PausedThreads() { PauseOtherThreads(true, true); }
    ~PausedThreads() { PauseOtherThreads(false, true); }
    PausedThreads(const PausedThreads&) = delete;
    PausedThreads& operator=(const PausedThreads&) = delete;
};
class ResumedThreads {
public:
    ResumedThreads() { PauseOtherThreads(false, false); }
    ~ResumedThreads() { PauseOtherThreads(true, false); }
    ResumedThreads(const ResumedThreads&) = delete;
    ResumedThreads& operator=(const ResumedThreads&) = delete;
};

} // namespace jov
