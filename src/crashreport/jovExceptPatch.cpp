#include "crashreport/jovExceptPatch.h"

#include "crashreport/jovDisAsmSafeRead.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace jov {
namespace {

struct CodePatch {
    uint8_t* Address;
    std::vector<uint8_t> Old;
    std::vector<uint8_t> New;
};

// Patching runs on the main thread during start-up and shut-down only.
std::vector<CodePatch>& UndoList() {
    static std::vector<CodePatch>* list = new std::vector<CodePatch>; // outlives every static destructor
    return *list;
}

// Copies into code with the page made writable for the moment; the old protection comes back and the
// instruction cache is flushed.
bool WriteCode(uint8_t* address, const uint8_t* bytes, size_t count) {
    DWORD oldProtection;
    if (!VirtualProtect(address, count, PAGE_EXECUTE_READWRITE, &oldProtection)) return false;
    std::memcpy(address, bytes, count);
    DWORD ignored;
    VirtualProtect(address, count, oldProtection, &ignored);
    FlushInstructionCache(GetCurrentProcess(), address, count);
    return true;
}

} // namespace

bool PatchCode(void* address, const void* bytes, size_t count) {
    auto* at = static_cast<uint8_t*>(address);
    std::vector<uint8_t> old(count);
    if (!SafeReadMemory(at, old.data(), count)) return false;
    if (std::memcmp(old.data(), bytes, count) == 0) return false;
    const auto* source = static_cast<const uint8_t*>(bytes);
    if (!WriteCode(at, source, count)) return false;
    UndoList().push_back({at, std::move(old), std::vector<uint8_t>(source, source + count)});
    return true;
}

void* FollowImportJumps(void* routine) {
    // A chain of import jumps is short; the bound only stops a cycle.
    for (int i = 0; i < 8 && routine; ++i) {
        uint8_t code[6];
        if (!SafeReadMemory(routine, code, sizeof code) || code[0] != 0xFF || code[1] != 0x25) break;
        void** cell;
        std::memcpy(&cell, code + 2, sizeof cell);
        void* next;
        if (!SafeReadMemory(cell, &next, sizeof next)) break;
        routine = next;
    }
    return routine;
}

bool PatchJump(void* routine, const void* target) {
    auto* at = static_cast<uint8_t*>(FollowImportJumps(routine));
    if (!at) return false;
    uint8_t jump[5] = {0xE9};
    const auto distance = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(target) -
                                                (reinterpret_cast<uintptr_t>(at) + sizeof jump));
    std::memcpy(jump + 1, &distance, 4);
    return PatchCode(at, jump, sizeof jump);
}

bool PatchDword(void* address, uint32_t value) {
    return PatchCode(address, &value, sizeof value);
}

void UndoCodePatches() {
    std::vector<CodePatch>& list = UndoList();
    for (auto patch = list.rbegin(); patch != list.rend(); ++patch) {
        std::vector<uint8_t> now(patch->New.size());
        if (!SafeReadMemory(patch->Address, now.data(), now.size()) || now != patch->New) continue;
        WriteCode(patch->Address, patch->Old.data(), patch->Old.size());
    }
    list.clear();
}

size_t CodePatchCount() {
    return UndoList().size();
}

} // namespace jov
