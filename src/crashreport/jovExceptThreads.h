#pragma once
// The process-wide thread registry in the shared block: names ("main thread", "-" for the crash
// reporter's own threads, names a thread gives itself), creators and thread classes.
#include "crashreport/core/ReportThreads.h"

#include <windows.h>

#include <string>

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

} // namespace jov
