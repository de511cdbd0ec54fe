// Where the system has no vectored handlers (Windows 2000) the naming exception reaches the crash reporter
// only at the last-chance handler, which names the thread there: the main thread names a worker, whose
// later failure is reported under that name.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE vectored handlers: none
// EXPECT_SOMEWHERE exception class   : JovException
// EXPECT_SOMEWHERE named from outside ($
// EXPECT_SOMEWHERE thread exit code 0
#include "CrashApp.h"

#include <string>

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

namespace {

PVOID WINAPI NoVectoredHandlers(ULONG, PVECTORED_EXCEPTION_HANDLER) {
    return nullptr;
}

LONG WINAPI NeverCalled(EXCEPTION_POINTERS*) {
    return EXCEPTION_CONTINUE_SEARCH;
}

volatile int* volatile unmapped = reinterpret_cast<int*>(4);

DWORD WINAPI FailWhenNamed(void* named) {
    WaitForSingleObject(named, 30000);
    return static_cast<DWORD>(*unmapped);
}

} // namespace

using AddVectoredHandler = PVOID(WINAPI*)(ULONG, PVECTORED_EXCEPTION_HANDLER);

// The import cell every caller of the system's AddVectoredExceptionHandler goes through, the crash
// reporter's start among them, filled as on Windows 2000.
extern "C" {
AddVectoredHandler
    importAddVectoredExceptionHandler __asm__("__imp__AddVectoredExceptionHandler@8") = NoVectoredHandlers;
}

int main() {
    crashapp::Say(std::string("vectored handlers: ") +
                  (AddVectoredExceptionHandler(1, NeverCalled) ? "some" : "none"));
    HANDLE named = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, FailWhenNamed, named, 0, &id);
    if (!thread) return 1;
    const char* name = "named from outside";
    const ULONG_PTR information[4] = {0x1000, reinterpret_cast<ULONG_PTR>(name), id, 0};
    RaiseException(0x406D1388, 0, 4, information);
    SetEvent(named);
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeThread(thread, &code);
    crashapp::Say("thread exit code " + std::to_string(code));
    return 0;
}
