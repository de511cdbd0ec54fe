#include "crashreport/jovDisAsmSafeRead.h"

#include "crashreport/jovStrings.h"
#include "crashreport/jovTools.h"

#include <windows.h>

#include <cstring>
#include <new>

namespace jov {
namespace {

using ReadMemoryRoutine = BOOL(WINAPI*)(HANDLE, LPCVOID, LPVOID, SIZE_T, SIZE_T*);

// The thread that looks the read routine up. The look-up reads export tables through the safe read, which
// on that thread copies the memory it has checked itself.
volatile DWORD resolvingThread = 0;

ReadMemoryRoutine ReadRoutine() {
    static const ReadMemoryRoutine routine = [] {
        constexpr auto moduleName = Scramble("kernel32.dll");
        constexpr auto routineName = Scramble("ReadProcessMemory");
        const std::string name = DescrambleLiteral(moduleName.view());
        TOS os;
        GetOsInfo(os);
        const HMODULE module =
            os.IsWin9x
                ? GetModuleHandleA(name.c_str())
                : GetModuleHandleW(reinterpret_cast<const wchar_t*>(AnsiToWideRaw(name, true).c_str()));
        if (!module) return ReadMemoryRoutine{};
        // The own look-up: an export table changed in memory or a hooked system look-up hands out no
        // stranger's routine.
        resolvingThread = GetCurrentThreadId();
        FARPROC found = nullptr;
        try {
            found = ExportByName(module, DescrambleLiteral(routineName.view()).c_str());
        } catch (const std::bad_alloc&) {
        }
        resolvingThread = 0;
        return reinterpret_cast<ReadMemoryRoutine>(reinterpret_cast<void*>(found));
    }();
    return routine;
}

MemoryRegion QueryRegion(const MEMORY_BASIC_INFORMATION& info) {
    return {reinterpret_cast<uintptr_t>(info.BaseAddress), info.RegionSize, info.State == MEM_COMMIT,
            info.Protect};
}

} // namespace

// Some systems' read routine reports success on reserved, no-access and guard pages of the own
// process, so every region the range touches is checked first.
bool IsReadableMemory(const void* start, size_t length) {
    auto address = reinterpret_cast<uintptr_t>(start);
    const uintptr_t end = address + length;
    if (end < address) return false;
    while (address < end) {
        MEMORY_BASIC_INFORMATION info;
        if (VirtualQuery(reinterpret_cast<const void*>(address), &info, sizeof info) != sizeof info)
            return false;
        const MemoryRegion region = QueryRegion(info);
        if (!region.Committed || !IsAccessibleProtection(region.Protect)) return false;
        const uintptr_t next = region.Base + region.Size;
        if (next <= address) return false;
        address = next;
    }
    return true;
}

namespace {

// The thread information block's self pointer.
uint32_t TebSelf() {
    uint32_t value;
    __asm__("movl %%fs:0x18, %0" : "=r"(value));
    return value;
}

bool ReadDword(uintptr_t address, uint32_t& value) {
    return SafeReadMemory(reinterpret_cast<const void*>(address), &value, sizeof value);
}

struct IdValue {
    uint32_t value = 0;
    bool win9x = false;
};

const IdValue& ComputedIdValue() {
    static const IdValue id = [] {
        IdValue result;
        const uint32_t threadId = GetCurrentThreadId();
        const uint32_t processId = GetCurrentProcessId();
        uint32_t found = 0;
        const uint32_t win9x = (TebSelf() - 16) ^ threadId;
        if (ReadDword((threadId ^ win9x) + 8, found) && found == (processId ^ win9x)) {
            result.value = win9x;
            result.win9x = true;
            return result;
        }
        const uint32_t nt = PebPointer() ^ processId;
        if (ReadDword((threadId ^ nt) + 56, found) && found == (processId ^ nt)) result.value = nt;
        return result;
    }();
    return id;
}

} // namespace

void FreeReadableSnapshot(TDATryRead* snapshot) noexcept {
    delete snapshot;
}

ReadableSnapshot TakeReadableSnapshot() {
    try {
        return ReadableSnapshot(
            new TDATryRead(BuildReadableRanges([](uintptr_t address, MemoryRegion& region) {
                MEMORY_BASIC_INFORMATION info;
                if (VirtualQuery(reinterpret_cast<const void*>(address), &info, sizeof info) != sizeof info)
                    return false;
                region = QueryRegion(info);
                return true;
            })));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool SafeReadMemory(const void* address, void* destination, size_t length, const TDATryRead* snapshot) {
    const auto at = reinterpret_cast<uintptr_t>(address);
    if (snapshot && !IsReadableRange(*snapshot, at)) return false;
    if (address == nullptr || destination == nullptr) return false;
    if (length == 0) return true;
    if (snapshot ? !IsReadableSpan(*snapshot, at, length) : !IsReadableMemory(address, length)) return false;
    if (resolvingThread == GetCurrentThreadId()) {
        std::memcpy(destination, address, length); // images' export tables, never freed under the look-up
        return true;
    }
    const ReadMemoryRoutine read = ReadRoutine();
    if (!read) return false;
    SIZE_T done = 0;
    return read(GetCurrentProcess(), address, destination, length, &done) && done == length;
}

uint32_t PebPointer() {
    uint32_t value;
    __asm__("movl %%fs:0x30, %0" : "=r"(value));
    return value;
}

uint32_t ThreadIdObfuscator() {
    return ComputedIdValue().value;
}

bool IsWin9xTebLayout() {
    return ComputedIdValue().win9x;
}

} // namespace jov
