#pragma once
// Rewriting code in memory with an undo list: every rewrite is recorded with the bytes found and the
// bytes written, and undone at the end of the run unless somebody changed those bytes again.
#include <cstddef>
#include <cstdint>

namespace jov {

// Writes the bytes when they differ from those at the address; true when it wrote. The page keeps its
// protection and the processor sees the new code.
bool PatchCode(void* address, const void* bytes, size_t count);
// A 5-byte relative jump at the routine's entry; a routine that begins with a jump through a memory cell
// (FF 25 and the cell's address) is patched at the routine the cell holds.
bool PatchJump(void* routine, const void* target);
// The 4 bytes of a call's displacement.
bool PatchDword(void* address, uint32_t value);
// Where PatchJump would write: the routine itself or the end of its chain of FF 25 jumps.
void* FollowImportJumps(void* routine);
// Restores every rewrite whose bytes are still as written, newest first, and empties the list.
void UndoCodePatches();
size_t CodePatchCount();

} // namespace jov
