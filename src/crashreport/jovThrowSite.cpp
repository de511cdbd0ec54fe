#include "crashreport/jovThrowSite.h"

#include <windows.h>

#include <cxxabi.h>
#include <cstring>

// The linker's --wrap=__cxa_throw sends every throw of the executable here first.
extern "C" void __real___cxa_throw(void* object, std::type_info* type,
                                   void(_GLIBCXX_CDTOR_CALLABI* destroy)(void*));
extern "C" void __wrap___cxa_throw(void* object, std::type_info* type,
                                   void(_GLIBCXX_CDTOR_CALLABI* destroy)(void*));

namespace jov {
namespace {

// One slot per thread that ever threw, claimed by thread id. Slots of ended threads are taken over when
// the table is full, so a program with many short-lived throwing threads does not run out.
constexpr int SlotCount = 64;
constexpr int RecordsPerThread = 2;
constexpr LONG BeingWritten = -1;
struct ThrowSlot {
    volatile LONG ThreadId;
    TThrowSite* Records;  // RecordsPerThread of them, committed together
    volatile LONG Newest; // index of the newest record, -1 before the first
    // Per record: the number of holders, or BeingWritten while a throw fills it.
    volatile LONG Readers[RecordsPerThread];
};
ThrowSlot slots[SlotCount];

bool ThreadHasEnded(DWORD threadId) {
    HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, threadId);
    if (!thread) return true;
    const bool ended = WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
    CloseHandle(thread);
    return ended;
}

ThrowSlot* ClaimSlot(DWORD threadId) {
    for (ThrowSlot& slot : slots)
        if (static_cast<DWORD>(slot.ThreadId) == threadId) return slot.Records ? &slot : nullptr;
    for (int pass = 0; pass < 2; ++pass) {
        for (ThrowSlot& slot : slots) {
            const LONG owner = slot.ThreadId;
            if (pass == 0 ? owner != 0 : owner == 0 || !ThreadHasEnded(static_cast<DWORD>(owner))) continue;
            if (InterlockedCompareExchange(&slot.ThreadId, static_cast<LONG>(threadId), owner) != owner)
                continue;
            if (!slot.Records) {
                slot.Records =
                    static_cast<TThrowSite*>(VirtualAlloc(nullptr, sizeof(TThrowSite) * RecordsPerThread,
                                                          MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
                slot.Newest = -1;
            }
            if (!slot.Records) slot.ThreadId = 0;
            return slot.Records ? &slot : nullptr;
        }
    }
    return nullptr;
}

uint32_t StackTop() {
    uint32_t top;
    __asm__("movl %%fs:0x04, %0" : "=r"(top));
    return top;
}

// Inlined into the wrapper so that its frame is the wrapper's.
__attribute__((always_inline)) inline void RecordThrow(void* object, std::type_info* type, void** frame) {
    const DWORD threadId = GetCurrentThreadId();
    ThrowSlot* slot = ClaimSlot(threadId);
    if (!slot) return;
    // The older record first; the newest only when a report holds the older one.
    const LONG newest = slot->Newest;
    for (int k = 1; k <= RecordsPerThread; ++k) {
        const LONG index = (newest + k + RecordsPerThread) % RecordsPerThread;
        if (InterlockedCompareExchange(&slot->Readers[index], BeingWritten, 0) != 0) continue;
        TThrowSite* site = slot->Records + index;
        site->ThreadId = threadId;
        site->Type = type;
        site->Object = object;
        site->FramePointer = reinterpret_cast<uint32_t>(frame[0]);
        site->ReturnAddress = reinterpret_cast<uint32_t>(frame[1]);
        site->StackPointer = reinterpret_cast<uint32_t>(frame + 2);
        const uint32_t top = StackTop();
        uint32_t size = top > site->StackPointer ? top - site->StackPointer : 0;
        if (size > ThrowSiteStackCopyLimit) size = ThrowSiteStackCopyLimit;
        site->StackCopyBase = site->StackPointer;
        std::memcpy(site->StackCopy, frame + 2, size);
        site->StackCopySize = size;
        slot->Newest = index;
        InterlockedExchange(&slot->Readers[index], 0);
        return;
    }
}

bool Hold(volatile LONG& readers) {
    for (LONG now = readers; now != BeingWritten; now = readers)
        if (InterlockedCompareExchange(&readers, now + 1, now) == now) return true;
    return false;
}

} // namespace

// The thread's records newest first, each held while it is looked at; the first that matches stays held.
struct ThrowSiteRecords {
    template <typename Match> static ThrowSiteHold Find(uint32_t threadId, Match matches) {
        for (ThrowSlot& slot : slots) {
            const LONG newest = slot.Newest;
            if (static_cast<uint32_t>(slot.ThreadId) != threadId || !slot.Records || newest < 0) continue;
            for (int k = 0; k < RecordsPerThread; ++k) {
                const LONG index = (newest + RecordsPerThread - k) % RecordsPerThread;
                if (!Hold(slot.Readers[index])) continue;
                const TThrowSite& site = slot.Records[index];
                if (site.ThreadId == threadId && site.Type && matches(site))
                    return ThrowSiteHold(&site, &slot.Readers[index]);
                InterlockedDecrement(&slot.Readers[index]);
            }
        }
        return {};
    }
};

const TThrowSite* FindThrowSite(uint32_t threadId) {
    for (const ThrowSlot& slot : slots)
        if (static_cast<uint32_t>(slot.ThreadId) == threadId && slot.Records && slot.Newest >= 0 &&
            slot.Records[slot.Newest].Type)
            return slot.Records + slot.Newest;
    return nullptr;
}

ThrowSiteHold ThrowSiteHold::OfObject(uint32_t threadId, const std::type_info* type, const void* object) {
    if (!type || !object) return {};
    return ThrowSiteRecords::Find(
        threadId, [&](const TThrowSite& site) { return site.Type == type && site.Object == object; });
}

ThrowSiteHold ThrowSiteHold::AtThrow(uint32_t threadId, uint32_t returnAddress, uint32_t stackPointer) {
    if (!returnAddress) return {};
    return ThrowSiteRecords::Find(threadId, [&](const TThrowSite& site) {
        return site.ReturnAddress == returnAddress && site.StackPointer == stackPointer;
    });
}

ThrowSiteHold::~ThrowSiteHold() {
    if (readers_) InterlockedDecrement(readers_);
}

} // namespace jov

extern "C" void __wrap___cxa_throw(void* object, std::type_info* type,
                                   void(_GLIBCXX_CDTOR_CALLABI* destroy)(void*)) {
    jov::RecordThrow(object, type, static_cast<void**>(__builtin_frame_address(0)));
    __real___cxa_throw(object, type, destroy);
}
