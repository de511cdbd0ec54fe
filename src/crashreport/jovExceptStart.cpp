#include "crashreport/jovExcept.h"

#include "crashreport/core/CrashRequest.h"
#include "crashreport/jovExceptHandlers.h"
#include "crashreport/jovExceptBox.h"
#include "crashreport/jovExceptHooks.h"
#include "crashreport/jovExceptPatch.h"
#include "crashreport/jovExceptState.h"
#include "crashreport/jovExceptThreadHook.h"
#include "crashreport/jovExceptThreads.h"
#include "crashreport/jovExceptWatchdog.h"
#include "crashreport/jovExceptWeb.h"
#include "crashreport/jovExceptWorker.h"
#include "crashreport/jovLinkDisAsm.h"
#include "crashreport/jovStackTrace.h"
#include "crashreport/jovTools.h"

#include <windows.h>

#include <cstring>

namespace jov {
namespace {

// Constant-initialised: a constructor run among the dynamic initialisations would come after the start-up
// object's and reset the settings it took over.
constinit CrashSettings running;
constinit TCrashState state;

bool StartsAnything(const CrashSettings& settings) {
    return (settings.Enabled && settings.PatchRuntime) || settings.FreezeTimeout > 0;
}

[[noreturn]] void FatalBox(const char* text) {
    MessageBoxA(nullptr, text, "jovExcept", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    TerminateProcess(GetCurrentProcess(), 0);
    ExitProcess(0);
}

// The block every module of the process that carries the crash reporter shares; the module that creates
// it names the thread that starts the crash reporter "main thread".
void MapSharedBlock() {
    const std::string name = CrashObjectName("jovExceptThreadNameBuf", GetCurrentProcessId());
    // Last-error is only meaningful after a fresh start: it tells "already existed" apart.
    SetLastError(0);
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(TSharedProcessBlock), name.c_str());
    const DWORD error = GetLastError();
    if (!mapping) FatalBox("internal error");
    auto* block = static_cast<TSharedProcessBlock*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    if (!block) FatalBox("internal error. please notify ostrel-support@lintra.example");
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mapping);
        InterlockedIncrement(&block->ReferenceCount);
        state.Block = block;
        return;
    }
    block->ReferenceCount = 1;
    block->WatchdogMutex = CreateMutexA(nullptr, FALSE, nullptr);
    block->ThreadListMutex = CreateMutexA(nullptr, FALSE, nullptr);
    block->ThreadListHead = nullptr;
    block->Mapping = mapping;
    state.Block = block;
    SetThreadName(GetCurrentThreadId(), "main thread");
}

void ReleaseSharedBlock() {
    TSharedProcessBlock* block = state.Block;
    if (!block) return;
    if (InterlockedDecrement(&block->ReferenceCount) == 0) {
        SetThreadName(GetCurrentThreadId(), "");
        CloseHandle(block->Mapping);
        CloseHandle(block->WatchdogMutex);
        CloseHandle(block->ThreadListMutex);
    }
    state.Block = nullptr;
    UnmapViewOfFile(block);
}

} // namespace

TCrashState& CrashState() {
    return state;
}

CrashSettings& RunningSettings() {
    return running;
}

void AcceptRestartHandoff() {
    const std::string name = CrashObjectName("jovExceptRestart", GetCurrentProcessId());
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
    if (!mapping) return;
    // Mapped whole: an older process's mapping is shorter than ours.
    if (const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0)) {
        const RestartHandoff handoff = DecodeRestartHandoff(static_cast<const uint8_t*>(view));
        // The old process planted this handle in ours to keep the mapping alive until we opened it.
        CloseHandle(reinterpret_cast<HANDLE>(handoff.MappingHandle));
        // By the handle it planted, which stays its own: by the time we look, its id may name another.
        HANDLE old = handoff.OldProcessHandle ? reinterpret_cast<HANDLE>(handoff.OldProcessHandle)
                                              : OpenProcess(SYNCHRONIZE, FALSE, handoff.OldProcessId);
        if (old) {
            WaitForSingleObject(old, INFINITE);
            CloseHandle(old);
        }
        state.History = handoff.History;
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
}

void StartCrashReporter(bool isMainModule) {
    running = ProgramCrashSettings;
    if (!StartsAnything(running) || state.Started) return;
    state.Started = true;
    HMODULE self = ModuleOfAddress(reinterpret_cast<const void*>(&StartCrashReporter));
    state.IsMainModule = isMainModule || self == GetModuleHandleA(nullptr);
    state.MainThreadId = GetCurrentThreadId();
    GetSystemTime(&state.StartTime);
    LinkDisassembler(running.DisassemblyProc);
    if (!running.HtmlReportProc) running.HtmlReportProc = BuildWebErrorPage;
    MapSharedBlock();
    if (running.Enabled && running.PatchRuntime) {
        // A thread overflowing its stack keeps enough of it for the last-chance handler to start a helper.
        // Looked up: the call is newer than the oldest systems the program runs on.
        using StackGuarantee = BOOL(WINAPI*)(PULONG);
        if (auto setGuarantee = reinterpret_cast<StackGuarantee>(reinterpret_cast<void*>(
                GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetThreadStackGuarantee")))) {
            ULONG guarantee = 64 * 1024;
            setGuarantee(&guarantee);
        }
        InstallRuntimeHooks();
        running.ReturnReport = running.ReturnReport || WebRequestProcedure() != nullptr;
    }
    if (running.Enabled || running.FreezeTimeout > 0) {
        StartCrashWorker();
        InitHandlerWindow();
    }
    if (running.Enabled) PatchCreateThreadImports();
    if (running.FreezeTimeout > 0) StartFreezeWatchdog();
}

void StopCrashReporter() {
    if (!state.Started) {
        DoneWebRequestTable();
        return;
    }
    state.Started = false;
    // The hooks go first: from here on a failure takes the runtime's own way, not to parts being stopped.
    UndoCodePatches();
    RemoveRuntimeHooks();
    StopFreezeWatchdog();
    RestoreCreateThreadImports();
    DoneHandlerWindow();
    StopCrashWorker();
    if (const ReportTurn turn; turn.owned()) FreeStackTraceCaches(); // a report made in place may be tracing
    ReleaseSharedBlock();
    ClearExcludedThreads();
    DoneWebRequestTable();
    FinalizeTools();
}

} // namespace jov
