#include "crashreport/jovExceptThreads.h"

#include "crashreport/jovExceptState.h"

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

class ListLock {
public:
    ListLock(TSharedProcessBlock* block, DWORD timeout)
        : mutex_(block ? block->ThreadListMutex : nullptr),
          owned_(mutex_ && WaitForSingleObject(mutex_, timeout) != WAIT_TIMEOUT) {}
    ~ListLock() {
        if (owned_) ReleaseMutex(mutex_);
    }
    ListLock(const ListLock&) = delete;
    ListLock& operator=(const ListLock&) = delete;
    bool owned() const { return owned_; }

private:
    HANDLE mutex_;
    bool owned_;
};

TThreadInfoNode*& ListHead(TSharedProcessBlock* block) {
    return reinterpret_cast<TThreadInfoNode*&>(block->ThreadListHead);
}

} // namespace

HANDLE OpenThreadById(DWORD threadId, DWORD access) {
    return OpenThread(access, TRUE, threadId);
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
    TSharedProcessBlock* block = CrashState().Block;
    ListLock lock(block, 50);
    if (!lock.owned()) return {};
    for (TThreadInfoNode* node = ListHead(block); node; node = node->Next)
        if (node->ThreadId == threadId) return node->Name ? node->Name : "";
    return {};
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
