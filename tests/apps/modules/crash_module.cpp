// A second module carrying the crash reporter, loaded by the program second_module: it hooks only its own
// thread creation and keeps a watchdog of its own; what it found is asked through its exports.
#include "crashreport/jovExceptState.h"
#include "crashreport/jovExceptThreadHook.h"
#include "crashreport/jovExceptWorker.h"
#include "crashreport/jovTypes.h"

constexpr jov::CrashSettings SecondModule() {
    jov::CrashSettings settings;
    settings.PatchRuntime = false; // the program's own module patches the runtime
    settings.FreezeTimeout = 600000;
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = SecondModule();

extern "C" __declspec(dllexport) HANDLE __stdcall ModuleThreadListMutex() {
    return jov::CrashState().Block ? jov::CrashState().Block->ThreadListMutex : nullptr;
}

extern "C" __declspec(dllexport) DWORD __stdcall ModuleWorkerId() {
    return jov::CrashWorkerThreadId();
}

// The module's own import cell of CreateThread leads to its hook.
extern "C" __declspec(dllexport) BOOL __stdcall ModuleThreadHooked() {
    return reinterpret_cast<void*>(&CreateThread) == reinterpret_cast<void*>(&jov::HookedCreateThread);
}
