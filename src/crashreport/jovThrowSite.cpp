#include "crashreport/jovThrowSite.h"

#include "crashreport/jovDisAsmSafeRead.h"

#include <windows.h>

#include <algorithm>
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
struct ThrowSlot {
    volatile LONG ThreadId;
    TThrowSite* Record;
};
ThrowSlot slots[SlotCount];

bool ThreadHasEnded(DWORD threadId) {
    HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, threadId);
    if (!thread) return true;
    const bool ended = WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
    CloseHandle(thread);
    return ended;
}

TThrowSite* ClaimSlot(DWORD threadId) {
    for (ThrowSlot& slot : slots)
        if (static_cast<DWORD>(slot.ThreadId) == threadId) return slot.Record;
    for (int pass = 0; pass < 2; ++pass) {
        for (ThrowSlot& slot : slots) {
            const LONG owner = slot.ThreadId;
            if (pass == 0 ? owner != 0 : owner == 0 || !ThreadHasEnded(static_cast<DWORD>(owner))) continue;
            if (InterlockedCompareExchange(&slot.ThreadId, static_cast<LONG>(threadId), owner) != owner)
                continue;
            if (!slot.Record)
                slot.Record = static_cast<TThrowSite*>(
                    VirtualAlloc(nullptr, sizeof(TThrowSite), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
            if (!slot.Record) slot.ThreadId = 0;
            return slot.Record;
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
    TThrowSite* site = ClaimSlot(threadId);
    if (!site) return;
    ++site->Sequence;
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
    ++site->Sequence;
}

} // namespace

const TThrowSite* FindThrowSite(uint32_t threadId) {
    for (const ThrowSlot& slot : slots)
        if (static_cast<uint32_t>(slot.ThreadId) == threadId && slot.Record && slot.Record->Type)
            return slot.Record;
    return nullptr;
}

const TThrowSite* FindThrowSiteOfObject(uint32_t threadId, const void* object) {
    const TThrowSite* site = FindThrowSite(threadId);
    return site && object && site->Object == object ? site : nullptr;
}

bool ReadThrowSiteMemory(const TThrowSite& site, uint32_t address, void* destination, size_t length) {
    auto* out = static_cast<uint8_t*>(destination);
    while (length > 0) {
        const uint32_t end = site.StackCopyBase + site.StackCopySize;
        if (address >= site.StackCopyBase && address < end) {
            const size_t chunk = std::min<size_t>(length, end - address);
            std::memcpy(out, site.StackCopy + (address - site.StackCopyBase), chunk);
            out += chunk, address += static_cast<uint32_t>(chunk), length -= chunk;
            continue;
        }
        size_t chunk = length;
        if (address < site.StackCopyBase && site.StackCopySize && address + length > site.StackCopyBase)
            chunk = site.StackCopyBase - address;
        if (!SafeReadMemory(reinterpret_cast<const void*>(address), out, chunk)) return false;
        out += chunk, address += static_cast<uint32_t>(chunk), length -= chunk;
    }
    return true;
}

} // namespace jov

extern "C" void __wrap___cxa_throw(void* object, std::type_info* type,
                                   void(_GLIBCXX_CDTOR_CALLABI* destroy)(void*)) {
    jov::RecordThrow(object, type, static_cast<void**>(__builtin_frame_address(0)));
    __real___cxa_throw(object, type, destroy);
}
