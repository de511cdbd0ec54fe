// A hook of the system's module-name routine (as a foreign module might install) faults the first time
// the crash worker asks it about a system module, which happens while the main thread's stack is traced:
// that trace becomes the internal-error text of its step with the failure's address and the exception
// location, and the rest of the report is there.
// EXPECT_EXIT_CODE 1
// EXPECT_LINE An error occurred in the application.
// EXPECT_LINE
// EXPECT_LINE date/time         :
// EXPECT_SOMEWHERE exception message : Access violation at address
// EXPECT_SOMEWHERE main thread ($
// EXPECT_SOMEWHERE >> internal error in CollectPossibleStackItems:
// EXPECT_SOMEWHERE FaultingModuleName
// EXPECT_SOMEWHERE >> original exception location:
// EXPECT_SOMEWHERE modules:
// EXPECT_SOMEWHERE kernel32.dll
// EXPECT_SOMEWHERE hardware:
// EXPECT_NOWHERE An exception occurred during composing the bug report.
#include "CrashApp.h"
#include "crashreport/jovExceptWorker.h"

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

using ModuleNameProc = DWORD(WINAPI*)(HMODULE, char*, DWORD);
// The program's import of the routine, which the crash reporter's calls go through.
extern ModuleNameProc moduleNameImport __asm__("__imp__GetModuleFileNameA@12");

namespace {

ModuleNameProc original = nullptr;
volatile LONG faulted = 0;
volatile int* volatile badPointer = reinterpret_cast<int*>(0x20);

} // namespace

extern "C" __attribute__((noinline)) DWORD WINAPI FaultingModuleName(HMODULE module, char* name, DWORD size) {
    if (module && module != GetModuleHandleA(nullptr) && GetCurrentThreadId() == jov::CrashWorkerThreadId() &&
        !InterlockedExchange(&faulted, 1))
        *badPointer = 1;
    return original(module, name, size);
}

int main() {
    DWORD protection;
    VirtualProtect(&moduleNameImport, sizeof moduleNameImport, PAGE_READWRITE, &protection);
    original = moduleNameImport;
    moduleNameImport = FaultingModuleName;
    *badPointer = 2;
    crashapp::Say("still running");
    return 0;
}
