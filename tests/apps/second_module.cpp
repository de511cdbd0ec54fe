// A second module carrying the crash reporter shares the program's block: it counts itself in, creates no
// mutexes, leaves the main thread's name alone and hooks only its own thread creation. Unloaded (its
// stop runs under the loader lock, where its worker is not waited for), it leaves the block to the
// program.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE users before: 1
// EXPECT_LINE module loaded: yes
// EXPECT_LINE users with the module: 2
// EXPECT_LINE mutexes shared: yes
// EXPECT_LINE main thread named again: no
// EXPECT_LINE module's worker in the shared registry: yes
// EXPECT_LINE module's own thread creation hooked: yes
// EXPECT_LINE program's thread creation still leads to its own hook: yes
// EXPECT_LINE another module's thread creation left alone: yes
// EXPECT_LINE users after the module: 1
// EXPECT_LINE module's worker ended: yes
// EXPECT_LINE block still in use: yes
#include "StartState.h"
#include "crashreport/jovExceptState.h"
#include "crashreport/jovExceptThreads.h"

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

namespace {

template <class F> F Export(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::string ModulePath(const char* name) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.rfind('\\') + 1) + name;
}

} // namespace

int main() {
    jov::TSharedProcessBlock* block = jov::CrashState().Block;
    crashapp::Say("users before: " + std::to_string(block->ReferenceCount));
    const DWORD mainThread = GetCurrentThreadId();
    jov::SetThreadName(mainThread, "renamed main");
    // Loaded after the program's start, which hooked the modules there were then.
    HMODULE plain = LoadLibraryA(ModulePath("crashapp_plain_module.dll").c_str());
    const auto plainCreateThread = Export<void* (*)()>(plain, "PlainModuleCreateThread");
    void* const plainCell = plainCreateThread ? plainCreateThread() : nullptr;
    HMODULE module = LoadLibraryA(ModulePath("crashapp_module.dll").c_str());
    using Query = DWORD(WINAPI*)();
    const auto mutex = Export<HANDLE(WINAPI*)()>(module, "ModuleThreadListMutex");
    const auto workerId = Export<Query>(module, "ModuleWorkerId");
    const auto hooked = Export<BOOL(WINAPI*)()>(module, "ModuleThreadHooked");
    crashapp::Say("module loaded: " + startstate::YesNo(module && mutex && workerId && hooked));
    if (!module || !mutex || !workerId || !hooked) return 1;
    crashapp::Say("users with the module: " + std::to_string(block->ReferenceCount));
    crashapp::Say("mutexes shared: " + startstate::YesNo(mutex() == block->ThreadListMutex));
    crashapp::Say("main thread named again: " +
                  startstate::YesNo(jov::ThreadNameOf(mainThread) != "renamed main"));
    const DWORD moduleWorker = workerId();
    crashapp::Say("module's worker in the shared registry: " +
                  startstate::YesNo(moduleWorker && jov::ThreadNameOf(moduleWorker) == "-"));
    crashapp::Say("module's own thread creation hooked: " + startstate::YesNo(hooked()));
    crashapp::Say("program's thread creation still leads to its own hook: " +
                  startstate::YesNo(reinterpret_cast<void*>(&CreateThread) ==
                                    reinterpret_cast<void*>(&jov::HookedCreateThread)));
    crashapp::Say("another module's thread creation left alone: " +
                  startstate::YesNo(plainCell && plainCreateThread() == plainCell));
    HANDLE worker = OpenThread(SYNCHRONIZE, FALSE, moduleWorker);
    FreeLibrary(module);
    crashapp::Say("users after the module: " + std::to_string(block->ReferenceCount));
    crashapp::Say("module's worker ended: " +
                  startstate::YesNo(worker && WaitForSingleObject(worker, 0) == WAIT_OBJECT_0));
    jov::SetThreadName(mainThread, "main thread");
    crashapp::Say("block still in use: " + startstate::YesNo(startstate::MappingExists() &&
                                                             jov::ThreadNameOf(mainThread) == "main thread"));
    return 0;
}
