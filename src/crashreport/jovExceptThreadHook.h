#pragma once
// Every thread of the process is registered with the code that created it: the CreateThread imports of
// all loaded modules lead to HookedCreateThread while the crash reporter runs. The modules of the
// process, as the report lists them.
#include <windows.h>

#include <string>
#include <vector>

namespace jov {

struct TModuleEntry {
    HMODULE Handle;
    std::string FileName; // without folder
    std::string Folder;   // without the trailing backslash
    std::string Version;  // empty when not asked for or when the file has none
};

// In ascending address order: the address space is walked from 0.
std::vector<TModuleEntry> ListProcessModules(bool withVersions);

// Replaces every cell of the module's import address tables that holds `oldRoutine`; false when the
// import table is damaged (nothing of it is written then).
bool PatchModuleImports(HMODULE module, const void* oldRoutine, const void* newRoutine);
void PatchImportsOfModules(const std::vector<TModuleEntry>& modules, const void* oldRoutine,
                           const void* newRoutine);
void PatchCreateThreadImports();
void RestoreCreateThreadImports();

// CreateThread itself, past the hook, for a thread of the crash reporter that must start with nothing else
// on the way: the stack-overflow helper starts where the failing thread has almost no stack left.
HANDLE CreateThreadUnhooked(LPTHREAD_START_ROUTINE routine, void* parameter);

HANDLE WINAPI HookedCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stackSize,
                                 LPTHREAD_START_ROUTINE routine, void* parameter, DWORD flags,
                                 DWORD* threadId);

} // namespace jov
