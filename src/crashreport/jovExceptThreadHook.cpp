#include "crashreport/jovExceptThreadHook.h"

#include "crashreport/ThreadClassHook.h"
#include "crashreport/core/ExceptionClass.h"
#include "crashreport/core/ImportTable.h"
#include "crashreport/core/NumberText.h"
#include "crashreport/core/PathText.h"
#include "crashreport/jovDisAsmSafeRead.h"
#include "crashreport/jovExceptState.h"
#include "crashreport/jovExceptThreadCreator.h"
#include "crashreport/jovExceptThreads.h"
#include "crashreport/jovTools.h"
#include "crashreport/jovToolsHelpers.h"

namespace jov {
namespace {

using CreateThreadProc = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, void*, DWORD,
                                         DWORD*);
CreateThreadProc realCreateThread = nullptr;

struct ThreadStart {
    LPTHREAD_START_ROUTINE Routine;
    void* Parameter;
};

DWORD WINAPI ThreadStartWrapper(void* parameter) {
    auto* record = static_cast<ThreadStart*>(parameter);
    const ThreadStart start = *record;
    HeapFree(GetProcessHeap(), 0, record);
    const DWORD result = start.Routine(start.Parameter);
    RecordThreadInfo(GetCurrentThreadId(), nullptr, nullptr, 0, nullptr, nullptr);
    return result;
}

void PatchAll(const void* oldRoutine, const void* newRoutine) {
    if (CrashState().IsMainModule)
        PatchImportsOfModules(ListProcessModules(false), oldRoutine, newRoutine);
    else
        PatchModuleImports(CrashReporterModule(), oldRoutine, newRoutine);
}

// The return address of the frame above `frame` (saved frame pointer, return address), read safely.
bool FrameUp(void* const*& frame, void*& returnAddress) {
    void* pair[2];
    if (!SafeReadMemory(frame, pair, sizeof pair)) return false;
    void* const* up = static_cast<void* const*>(pair[0]);
    void* upPair[2];
    if (!up || up <= frame || !SafeReadMemory(up, upPair, sizeof upPair) || !upPair[1]) return false;
    frame = up;
    returnAddress = upPair[1];
    return true;
}

} // namespace

std::vector<TModuleEntry> ListProcessModules(bool withVersions) {
    std::vector<TModuleEntry> modules;
    modules.reserve(10);
    const void* previousAllocation = nullptr;
    MEMORY_BASIC_INFORMATION region;
    for (const uint8_t* address = nullptr;
         VirtualQueryEx(GetCurrentProcess(), address, &region, sizeof region) == sizeof region;
         address = static_cast<const uint8_t*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.AllocationBase == region.BaseAddress &&
            region.AllocationBase != previousAllocation) {
            const auto module = static_cast<HMODULE>(region.AllocationBase);
            const std::string fullName = ModuleFileName(module);
            if (!fullName.empty()) {
                // The list's folder goes without its trailing backslash.
                std::string folder = ExtractFolderPart(fullName);
                if (!folder.empty() && folder.back() == '\\')
                    folder.pop_back();
                else
                    folder.clear();
                TModuleEntry entry{module, ExtractFileNamePart(fullName), std::move(folder), {}};
                if (withVersions)
                    if (const uint64_t version = GetFileVersionNumber(fullName))
                        entry.Version = FileVersionText(version);
                modules.push_back(std::move(entry));
            }
        }
        previousAllocation = region.AllocationBase;
        if (region.RegionSize == 0) break;
    }
    return modules;
}

bool PatchModuleImports(HMODULE module, const void* oldRoutine, const void* newRoutine) {
    TLoadedImage image(module);
    if (!image.size()) return false;
    const ImportTables tables = ReadImportTables(image.image());
    if (tables.Damaged) {
        if (module == CrashReporterModule())
            MessageBoxA(
                nullptr,
                "The import table is invalid.\r\n\r\nThis way jovExcept can't install the thread hooks.",
                ExtractFileNamePart(ModuleFileName(module)).c_str(), MB_OK | MB_ICONERROR | MB_TASKMODAL);
        return false;
    }
    auto* base = reinterpret_cast<uint8_t*>(module);
    for (const ImportAddressTable& table : tables.Tables)
        for (uint32_t i = 0; i < table.Count; ++i) {
            auto* cell = reinterpret_cast<void**>(base + table.Rva + 4 * i);
            const void* current = nullptr;
            if (!SafeReadMemory(cell, &current, sizeof current) || current != oldRoutine) continue;
            DWORD protection;
            if (!VirtualProtect(cell, sizeof *cell, PAGE_EXECUTE_READWRITE, &protection)) continue;
            InterlockedExchangePointer(cell, const_cast<void*>(newRoutine));
            VirtualProtect(cell, sizeof *cell, protection, &protection);
        }
    return true;
}

void PatchImportsOfModules(const std::vector<TModuleEntry>& modules, const void* oldRoutine,
                           const void* newRoutine) {
    for (const TModuleEntry& module : modules) PatchModuleImports(module.Handle, oldRoutine, newRoutine);
}

void PatchCreateThreadImports() {
    realCreateThread = reinterpret_cast<CreateThreadProc>(
        reinterpret_cast<void*>(ExportByName(GetModuleHandleA("kernel32.dll"), "CreateThread")));
    if (realCreateThread)
        PatchAll(reinterpret_cast<const void*>(realCreateThread),
                 reinterpret_cast<const void*>(&HookedCreateThread));
}

void RestoreCreateThreadImports() {
    if (!realCreateThread) return;
    PatchAll(reinterpret_cast<const void*>(&HookedCreateThread),
             reinterpret_cast<const void*>(realCreateThread));
}

HANDLE CreateThreadUnhooked(LPTHREAD_START_ROUTINE routine, void* parameter) {
    const CreateThreadProc create = realCreateThread ? realCreateThread : &CreateThread;
    return create(nullptr, 0, routine, parameter, 0, nullptr);
}

HANDLE WINAPI HookedCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stackSize,
                                 LPTHREAD_START_ROUTINE routine, void* parameter, DWORD flags,
                                 DWORD* threadId) {
    const CreateThreadProc create = realCreateThread ? realCreateThread : &CreateThread;
    void* const* frame = static_cast<void* const*>(__builtin_frame_address(0));
    void* creator = __builtin_return_address(0);
    std::string className;
    const TThreadClassHook hook = ThreadClassHook;
    if (hook.StartRoutine && reinterpret_cast<const void*>(routine) == hook.StartRoutine && parameter) {
        // A thread object: its creator is the code that started it, not the framework's start.
        if (hook.ClassOf) className = PlainClassName(hook.ClassOf(parameter));
        FrameUp(frame, creator);
    } else {
        creator = CreatorAboveThreadStarts(frame + 1, creator);
    }
    auto* start = static_cast<ThreadStart*>(HeapAlloc(GetProcessHeap(), 0, sizeof(ThreadStart)));
    if (!start) return create(security, stackSize, routine, parameter, flags, threadId);
    *start = {routine, parameter};
    // Suspended until recorded: a thread that ran, ended or failed before would be missing from reports.
    DWORD id = 0;
    HANDLE thread = create(security, stackSize, ThreadStartWrapper, start, flags | CREATE_SUSPENDED, &id);
    if (!thread) {
        const DWORD error = GetLastError();
        HeapFree(GetProcessHeap(), 0, start);
        SetLastError(error);
        return nullptr;
    }
    if (threadId) *threadId = id;
    RecordThreadInfo(id, thread, nullptr, GetCurrentThreadId(), creator,
                     className.empty() ? nullptr : className.c_str());
    if (!(flags & CREATE_SUSPENDED)) ResumeThread(thread);
    return thread;
}

} // namespace jov
