#pragma once
// What the crash reporter's parts know about the running process once it has started.
#include "crashreport/core/CrashHistory.h"

#include <windows.h>

namespace jov {

// The per-process block every module carrying the crash reporter maps ("jovExceptThreadNameBuf$<pid>").
struct TSharedProcessBlock {
    HANDLE WatchdogMutex;
    HANDLE ThreadListMutex;
    void* ThreadListHead; // TThreadInfoNode
    volatile LONG ReferenceCount;
    HANDLE Mapping;
};
static_assert(sizeof(void*) != 4 || sizeof(TSharedProcessBlock) == 20, "the block is shared across modules");

struct TCrashState {
    TSharedProcessBlock* Block;
    ExceptionTimes History; // newest first; taken over from the process that restarted this one
    SYSTEMTIME StartTime;   // UTC
    DWORD MainThreadId;     // the thread that started the crash reporter
    bool IsMainModule;
    bool Started;
};

TCrashState& CrashState();

} // namespace jov
