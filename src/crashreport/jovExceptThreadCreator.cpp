#include "crashreport/jovExceptThreadCreator.h"

#include "crashreport/jovDisAsm.h"
#include "crashreport/jovDisAsmSafeRead.h"
#include "crashreport/jovToolsHelpers.h"

#include <process.h>
#include <pthread.h>

#include <algorithm>
#include <cstdint>
#include <vector>

// The C++ library's thread start is a private member of std::thread: reached by its linker name.
extern "C" void StdThreadStartThread() __asm__(
    "__ZNSt6thread15_M_start_threadESt10unique_ptrINS_6_StateESt14default_deleteIS1_EEPFvvE");

namespace jov {
namespace {

core::Address AddressOf(const void* pointer) {
    return static_cast<core::Address>(reinterpret_cast<uintptr_t>(pointer));
}

// A routine reached through an import thunk (jmp [cell]) is the routine the cell holds.
core::Address ThroughThunk(core::Address routine) {
    const TInstructionInfo thunk = DecodeInstructionAt(reinterpret_cast<const void*>(routine));
    return thunk.IsValid && thunk.IsJump && !thunk.IsRelative && thunk.Target ? thunk.Target : routine;
}

std::vector<TFunctionInfo> AnalyseThreadStarts() {
    std::vector<TFunctionInfo> starts;
    for (const void* entry :
         {reinterpret_cast<const void*>(&StdThreadStartThread),
          reinterpret_cast<const void*>(&pthread_create), reinterpret_cast<const void*>(&_beginthreadex),
          reinterpret_cast<const void*>(&_beginthread)}) {
        TFunctionInfo info;
        AnalyseFunctionAt(reinterpret_cast<const void*>(ThroughThunk(AddressOf(entry))), info);
        if (info.IsValid) starts.push_back(std::move(info));
    }
    return starts;
}

// The thread-start routine whose code holds the return address; null when none does.
const TFunctionInfo* ThreadStartHolding(core::Address returnAddress) {
    static const std::vector<TFunctionInfo> starts = AnalyseThreadStarts();
    for (const TFunctionInfo& start : starts)
        for (const TCodeArea& area : start.CodeAreas)
            if (area.AreaBegin < returnAddress && returnAddress <= area.AreaEnd + 1) return &start;
    return nullptr;
}

// The routine that the call ending at `returnAddress` leads to (a direct call or one through a cell);
// 0 when no call ends there.
core::Address CalledRoutine(core::Address returnAddress) {
    uint8_t before[6];
    if (returnAddress < 0x10000 ||
        !SafeReadMemory(reinterpret_cast<const void*>(returnAddress - 6), before, 6))
        return 0;
    const int length = before[1] == 0xE8 ? 5 : before[0] == 0xFF && before[1] == 0x15 ? 6 : 0;
    if (!length) return 0;
    const TInstructionInfo call = DecodeInstructionAt(reinterpret_cast<const void*>(returnAddress - length));
    return call.IsValid && call.IsCall && call.Next == returnAddress ? ThroughThunk(call.Target) : 0;
}

} // namespace

void* CreatorAboveThreadStarts(void* const* returnSlot, void* returnAddress) {
    try {
        const auto* stackBase = static_cast<void* const*>(OwnStackBase());
        for (const TFunctionInfo* start; (start = ThreadStartHolding(AddressOf(returnAddress)));) {
            // The routines' frames are small; a caller further up is no caller of theirs.
            void* const* end = std::min(stackBase, returnSlot + 1024);
            void* const* slot = returnSlot + 1;
            while (slot < end && CalledRoutine(AddressOf(*slot)) != start->EntryPoint) ++slot;
            if (slot >= end) break;
            returnSlot = slot;
            returnAddress = *slot;
        }
    } catch (...) {
        // The program's thread starts all the same, named after the caller found so far.
    }
    return returnAddress;
}

} // namespace jov
