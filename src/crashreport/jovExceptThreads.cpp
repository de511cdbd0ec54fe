#include "crashreport/jovExceptThreads.h"

#include "crashreport/core/CrashRequest.h"
#include "crashreport/core/ThreadLists.h"
#include "crashreport/jovDisAsmSafeRead.h"
#include "crashreport/jovExceptState.h"
#include "crashreport/jovExceptWindowingProbe.h"
#include "crashreport/jovMapFile.h"
#include "crashreport/jovStepGuard.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstring>

namespace jov {
namespace {

// Nodes and their texts come from the process's local heap, which every module of the process shares.
char* CopyText(const char* text) {
    if (!text) return nullptr;
    const size_t length = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(LocalAlloc(LPTR, length));
    if (copy) std::memcpy(copy, text, length);
    return copy;
}

size_t NodeSize(const TThreadInfoNode* node) {
    return LocalSize(const_cast<TThreadInfoNode*>(node));
}

// A failed wait (a broken handle) owns nothing; an abandoned mutex is owned.
bool TakeMutex(HANDLE mutex, DWORD timeout) {
    const DWORD got = mutex ? WaitForSingleObject(mutex, timeout) : WAIT_FAILED;
    return got == WAIT_OBJECT_0 || got == WAIT_ABANDONED;
}

class ListLock {
public:
    ListLock(TSharedProcessBlock* block, DWORD timeout)
        : mutex_(block ? block->ThreadListMutex : nullptr), owned_(TakeMutex(mutex_, timeout)),
          // A report that fails while it reads the list must not keep every other thread out of it.
          release_(
              [](void* mutex) {
                  if (mutex) ReleaseMutex(mutex);
              },
              owned_ ? mutex_ : nullptr) {}
    ~ListLock() {
        if (owned_) ReleaseMutex(mutex_);
    }
    ListLock(const ListLock&) = delete;
    ListLock& operator=(const ListLock&) = delete;
    bool owned() const { return owned_; }

private:
    HANDLE mutex_;
    bool owned_;
    TFaultRelease release_;
};

TThreadInfoNode*& ListHead(TSharedProcessBlock* block) {
    return reinterpret_cast<TThreadInfoNode*&>(block->ThreadListHead);
}

// A named mutex held for the life of the object; nothing held when the wait fails.
class NamedLock {
public:
    NamedLock(const std::string& name, DWORD timeout)
        : mutex_(CreateMutexA(nullptr, FALSE, name.c_str())), owned_(TakeMutex(mutex_, timeout)) {}
    ~NamedLock() {
        if (owned_) ReleaseMutex(mutex_);
        if (mutex_) CloseHandle(mutex_);
    }
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;
    bool owned() const { return owned_; }

private:
    HANDLE mutex_;
    bool owned_;
};

// Holds the loader lock for its lifetime when it can be had within the time: a thread that stands still or
// dies inside its attach or detach notifications would leave every later loader call (and ExitProcess)
// waiting for it. Taken before the heaps, in the loader's own order.
class LoaderLockHold {
public:
    explicit LoaderLockHold(DWORD timeout) : section_(LoaderLock()) {
        if (!section_) return;
        const DWORD start = GetTickCount();
        while (!(owned_ = TryEnterCriticalSection(section_)) && GetTickCount() - start < timeout) Sleep(1);
    }
    ~LoaderLockHold() {
        if (owned_) LeaveCriticalSection(section_);
    }
    LoaderLockHold(const LoaderLockHold&) = delete;
    LoaderLockHold& operator=(const LoaderLockHold&) = delete;
    bool owned() const { return owned_ || !section_; }

private:
    static CRITICAL_SECTION* LoaderLock() {
        return *reinterpret_cast<CRITICAL_SECTION**>(PebPointer() + PebLoaderLockOffset);
    }
    CRITICAL_SECTION* section_;
    bool owned_ = false;
};

// Holds the process heap and the C runtime's heap for its lifetime: the report allocates from them, so
// no thread may stand still inside one.
class HeapHold {
public:
    HeapHold() : runtime_(RuntimeHeap()), process_(GetProcessHeap()) {
        if (runtime_ && runtime_ != process_) HeapLock(runtime_);
        HeapLock(process_);
    }
    ~HeapHold() {
        HeapUnlock(process_);
        if (runtime_ && runtime_ != process_) HeapUnlock(runtime_);
    }
    HeapHold(const HeapHold&) = delete;
    HeapHold& operator=(const HeapHold&) = delete;

private:
    static HANDLE RuntimeHeap() {
        using GetHeapHandleProc = intptr_t(__cdecl*)();
        static const auto getHeap = reinterpret_cast<GetHeapHandleProc>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), "_get_heap_handle")));
        return getHeap ? reinterpret_cast<HANDLE>(getHeap()) : nullptr;
    }
    HANDLE runtime_;
    HANDLE process_;
};

// The threads the last pause listed, and whether it held each: only those are let go again, so that a
// thread the program suspended itself stays suspended.
struct PausedThread {
    DWORD Id;
    bool Pause; // decided before the first thread is held: the decision may load symbols
    bool Held;
};
std::vector<PausedThread>& HeldThreads() {
    static auto& threads = *new std::vector<PausedThread>; // outlives every static destructor
    return threads;
}
// Threads started while a report ran (its dialog, the mail code), with a handle to see them end.
struct ExcludedThread {
    DWORD Id;
    HANDLE Thread;
};
std::vector<ExcludedThread>& ExcludedThreads() {
    static auto& threads = *new std::vector<ExcludedThread>; // outlives every static destructor
    return threads;
}

bool IsExcluded(DWORD threadId) {
    return std::any_of(ExcludedThreads().begin(), ExcludedThreads().end(),
                       [threadId](const ExcludedThread& e) { return e.Id == threadId; });
}

using NtQuerySystemInformationProc = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
constexpr ULONG SystemProcessInformation = 5;

// One buffer from the crash reporter's own heap: the process heap may be held by a paused thread.
class SystemInformation {
public:
    explicit SystemInformation(ULONG size) : size_(size), data_(HeapAlloc(Heap(), 0, size)) {}
    ~SystemInformation() {
        if (data_) HeapFree(Heap(), 0, data_);
    }
    SystemInformation(const SystemInformation&) = delete;
    SystemInformation& operator=(const SystemInformation&) = delete;
    void* data() const { return data_; }
    ULONG size() const { return size_; }

private:
    static HANDLE Heap() {
        static HANDLE heap = HeapCreate(0, 0, 0);
        return heap;
    }
    ULONG size_;
    void* data_;
};

} // namespace

HANDLE OpenThreadById(DWORD threadId, DWORD access) {
    return OpenThread(access, TRUE, threadId);
}

std::vector<DWORD> ListProcessThreadsBySystem() {
    const auto query = reinterpret_cast<NtQuerySystemInformationProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return {};
    const uint32_t threadEntries =
        LOBYTE(LOWORD(GetVersion())) >= 5 ? ThreadEntriesOffsetNt5 : ThreadEntriesOffsetNt4;
    ULONG needed = 0;
    query(SystemProcessInformation, nullptr, 0, &needed);
    // Threads may start between the calls: twice the size asked for, or doubling from 128 KB.
    for (ULONG size = needed ? needed * 2 : 128 * 1024; size <= 4 * 1024 * 1024; size *= 2) {
        SystemInformation buffer(size);
        if (!buffer.data()) return {};
        if (query(SystemProcessInformation, buffer.data(), size, nullptr) < 0) continue;
        const std::vector<uint32_t> ids = ThreadIdsOfProcess(
            {static_cast<const uint8_t*>(buffer.data()), size}, GetCurrentProcessId(), threadEntries);
        return {ids.begin(), ids.end()};
    }
    return {};
}

std::vector<DWORD> ListProcessThreadsByToolhelp() {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    const DWORD process = GetCurrentProcessId();
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == process) ids.push_back(entry.th32ThreadID);
    CloseHandle(snapshot);
    return ids;
}

std::vector<DWORD> ListProcessThreads() {
    std::vector<DWORD> ids = ListProcessThreadsBySystem();
    return ids.empty() ? ListProcessThreadsByToolhelp() : ids;
}

namespace {

bool SuspendUnderLocks(HANDLE thread) {
    ListLock list(CrashState().Block, 2000);
    // Named once, before any thread is held.
    static const std::string& patchMutex =
        *new std::string(CrashObjectName("HookTThread", GetCurrentProcessId()));
    NamedLock patch(patchMutex, 2000);
    LoaderLockHold loader(2000);
    if (!list.owned() || !patch.owned() || !loader.owned()) return false;
    // Nor while it holds the lock of the heap the report allocates from (the C runtime's, the process's).
    HeapHold heaps;
    return SuspendThread(thread) != static_cast<DWORD>(-1);
}

} // namespace

bool SuspendThreadGuarded(HANDLE thread, DWORD windowingBudgetMs) {
    // Nor while it holds the windowing system's locks: let go and held again a little later, a thread that
    // only passes through windowing code (as one waiting in GetMessage does) is soon held outside it.
    constexpr int attempts = 20;
    const DWORD start = GetTickCount();
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const DWORD spent = GetTickCount() - start;
        // Past the budget a windowing system that did not answer is taken for stuck: one short look.
        const DWORD answerMs = spent < windowingBudgetMs ? 250 : 50;
        if (!SuspendUnderLocks(thread)) return false;
        if (WindowingAnswers(answerMs)) return true;
        ResumeThread(thread);
        if (GetTickCount() - start >= windowingBudgetMs) return false;
        WindowingAnswers(answerMs);
    }
    return false;
}

void TerminateOwnThread(HANDLE thread) {
    LoaderLockHold loader(2000);
    if (!loader.owned()) return;
    HeapHold heaps;
    if (TerminateThread(thread, 0)) WaitForSingleObject(thread, 1000);
}

bool ShouldPauseThread(DWORD threadId) {
    const bool mainThread = threadId == CrashState().MainThreadId;
    void* creator = nullptr;
    if (!mainThread) {
        TSharedProcessBlock* block = CrashState().Block;
        ListLock lock(block, 50);
        if (lock.owned())
            for (TThreadInfoNode* node = ListHead(block); node; node = node->Next)
                if (node->ThreadId == threadId) {
                    if (NodeSize(node) > 12) creator = node->CreatorAddress;
                    break;
                }
    }
    return ShouldPauseByCreator(mainThread, creator != nullptr,
                                creator && MapFileForAddress(reinterpret_cast<uintptr_t>(creator))->valid);
}

namespace {

void ResumeHeldThreads() {
    for (PausedThread& paused : HeldThreads()) {
        if (!paused.Held) continue;
        HANDLE thread = OpenThreadById(paused.Id, THREAD_SUSPEND_RESUME);
        if (!thread) continue;
        paused.Held = ResumeThread(thread) == static_cast<DWORD>(-1);
        CloseHandle(thread);
    }
}

} // namespace

void PauseOtherThreads(bool suspend, bool refresh) {
    try {
        if (suspend && refresh) {
            // A pause that never ended (its worker was lost) lets its threads go before they are listed anew.
            ResumeHeldThreads();
            HeldThreads().clear();
            const DWORD self = GetCurrentThreadId();
            for (DWORD id : ListProcessThreads())
                HeldThreads().push_back(
                    {id, id != self && !IsWindowingProbe(id) && !IsExcluded(id) && ShouldPauseThread(id),
                     false});
        }
        // Nothing below may allocate from a heap: a held thread may hold its lock.
        if (suspend) {
            // However many threads sit in windowing code, the report starts within a few seconds.
            constexpr DWORD windowingBudgetMs = 4000;
            const DWORD start = GetTickCount();
            for (PausedThread& paused : HeldThreads()) {
                if (!paused.Pause || paused.Held) continue;
                HANDLE thread = OpenThreadById(paused.Id, THREAD_SUSPEND_RESUME);
                if (!thread) continue;
                const DWORD spent = GetTickCount() - start;
                paused.Held =
                    SuspendThreadGuarded(thread, spent < windowingBudgetMs ? windowingBudgetMs - spent : 0);
                CloseHandle(thread);
            }
        } else {
            ResumeHeldThreads();
        }
        if (!suspend && refresh) {
            std::vector<uint32_t> before;
            for (const PausedThread& paused : HeldThreads()) before.push_back(paused.Id);
            const std::vector<DWORD> now = ListProcessThreads();
            const std::vector<uint32_t> nowIds(now.begin(), now.end());
            for (uint32_t id : ThreadsStartedSince(before, nowIds))
                if (HANDLE thread = OpenThreadById(id, SYNCHRONIZE))
                    ExcludedThreads().push_back({id, thread});
            HeldThreads().clear();
        }
    } catch (...) {
    }
}

void NoLongerHeldByPause(DWORD threadId) {
    for (PausedThread& paused : HeldThreads())
        if (paused.Id == threadId) paused.Held = false;
}

bool IsHeldByPause(DWORD threadId) {
    return std::any_of(HeldThreads().begin(), HeldThreads().end(),
                       [threadId](const PausedThread& p) { return p.Id == threadId && p.Held; });
}

void PruneEndedThreads() {
    for (size_t i = ExcludedThreads().size(); i-- > 0;)
        if (WaitForSingleObject(ExcludedThreads()[i].Thread, 0) == WAIT_OBJECT_0) {
            CloseHandle(ExcludedThreads()[i].Thread);
            ExcludedThreads()[i] = ExcludedThreads().back();
            ExcludedThreads().pop_back();
        }
}

void ClearExcludedThreads() {
    for (const ExcludedThread& excluded : ExcludedThreads()) CloseHandle(excluded.Thread);
    ExcludedThreads().clear();
    HeldThreads().clear();
}

void RecordThreadInfo(DWORD threadId, HANDLE thread, const char* name, DWORD creatorThreadId,
                      void* creatorAddress, const char* className) {
    TSharedProcessBlock* block = CrashState().Block;
    if (!block) return;
    DWORD endedThread = 0;
    {
        ListLock lock(block, INFINITE);
        if (!lock.owned()) return;
        const bool keep = (name && *name) || creatorAddress;
        std::string keptName = name ? name : "";
        std::string keptClass = className ? className : "";
        HANDLE keptHandle = nullptr;
        for (TThreadInfoNode** link = &ListHead(block); *link; link = &(*link)->Next) {
            TThreadInfoNode* node = *link;
            if (node->ThreadId != threadId) continue;
            *link = node->Next;
            const size_t size = NodeSize(node);
            if (keptName.empty() && node->Name) keptName = node->Name;
            if (size > 12) {
                if (keptClass.empty() && node->ClassName) keptClass = node->ClassName;
                if (!creatorAddress)
                    creatorAddress = node->CreatorAddress, creatorThreadId = node->CreatorThreadId;
                LocalFree(node->ClassName);
            }
            if (size > 24) keptHandle = node->Thread;
            LocalFree(node->Name);
            LocalFree(node);
            break;
        }
        if (keep) {
            if (!keptHandle) {
                if (thread)
                    DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &keptHandle,
                                    SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, 0);
                else
                    keptHandle = OpenThreadById(threadId, SYNCHRONIZE | THREAD_QUERY_INFORMATION);
            }
            auto* node = keptHandle ? static_cast<TThreadInfoNode*>(LocalAlloc(LPTR, sizeof(TThreadInfoNode)))
                                    : nullptr;
            if (node) {
                node->ThreadId = threadId;
                node->Name = keptName.empty() ? nullptr : CopyText(keptName.c_str());
                node->ClassName = keptClass.empty() ? nullptr : CopyText(keptClass.c_str());
                node->CreatorAddress = creatorAddress;
                node->CreatorThreadId = creatorThreadId;
                node->Thread = keptHandle;
                node->Next = ListHead(block);
                ListHead(block) = node;
            } else if (keptHandle) {
                CloseHandle(keptHandle);
            }
        } else if (keptHandle) {
            CloseHandle(keptHandle);
        }
        // One ended thread per call leaves the registry, so it does not grow with the program's age.
        for (TThreadInfoNode* node = ListHead(block); node; node = node->Next)
            if (NodeSize(node) > 24 && node->Thread &&
                WaitForSingleObject(node->Thread, 0) == WAIT_OBJECT_0) {
                endedThread = node->ThreadId;
                break;
            }
    }
    if (endedThread) RecordThreadInfo(endedThread, nullptr, nullptr, 0, nullptr, nullptr);
}

void SetThreadName(DWORD threadId, const char* name) {
    RecordThreadInfo(threadId, nullptr, name, 0, nullptr, nullptr);
}

std::string ThreadNameOf(DWORD threadId) {
    ThreadNode node;
    return ThreadNodeOf(threadId, node) ? node.Name : std::string();
}

bool ThreadNodeOf(DWORD threadId, ThreadNode& node) {
    TSharedProcessBlock* block = CrashState().Block;
    ListLock lock(block, 50);
    if (!lock.owned()) return false;
    for (TThreadInfoNode* entry = ListHead(block); entry; entry = entry->Next) {
        if (entry->ThreadId != threadId) continue;
        node = ThreadNode();
        if (entry->Name) node.Name = entry->Name;
        node.Extended = NodeSize(entry) > 12;
        if (node.Extended) {
            if (entry->ClassName) node.ClassName = entry->ClassName;
            node.CreatorAddress = reinterpret_cast<uint32_t>(entry->CreatorAddress);
            node.CreatorThreadId = entry->CreatorThreadId;
        }
        return true;
    }
    return false;
}

} // namespace jov
