#pragma once
// What the crash reporter has started in this process, as lines of the crash programs' output.
#include "CrashApp.h"
#include "crashreport/CrashHook.h"
#include "crashreport/core/CrashRequest.h"
#include "crashreport/jovExceptHooks.h"
#include "crashreport/jovExceptLastChance.h"
#include "crashreport/jovExceptPatch.h"
#include "crashreport/jovExceptThreadHook.h"
#include "crashreport/jovExceptWatchdog.h"
#include "crashreport/jovExceptWorker.h"
#include "crashreport/jovToolsMsgHandlers.h"

#include <exception>
#include <string>

namespace startstate {

inline std::string YesNo(bool value) {
    return value ? "yes" : "no";
}

inline DWORD WINAPI FindMainHandlerWindow(void* mainThread) {
    // Asked from another thread: the window is then only found, never made.
    return jov::GetHandlerWindow(static_cast<DWORD>(reinterpret_cast<uintptr_t>(mainThread))) != nullptr;
}

inline bool MappingExists() {
    const std::string name = jov::CrashObjectName("jovExceptThreadNameBuf", GetCurrentProcessId());
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
    if (mapping) CloseHandle(mapping);
    return mapping != nullptr;
}

inline bool FilterIsOurs() {
    LPTOP_LEVEL_EXCEPTION_FILTER filter = SetUnhandledExceptionFilter(nullptr);
    SetUnhandledExceptionFilter(filter);
    return filter == &jov::ThreadLastChanceHandler;
}

inline void Say(const std::string& when) {
    const void* mainThread = reinterpret_cast<void*>(static_cast<uintptr_t>(GetCurrentThreadId()));
    crashapp::Say(when + " mapping: " + YesNo(MappingExists()));
    crashapp::Say(when + " worker: " + YesNo(jov::CrashWorkerThreadId() != 0));
    crashapp::Say(when + " handler window: " +
                  YesNo(crashapp::RunThread(FindMainHandlerWindow, const_cast<void*>(mainThread)) == 1));
    crashapp::Say(when + " watchdog: " + YesNo(jov::FreezeWatchdogThreadId() != 0));
    crashapp::Say(when + " code patches: " + std::to_string(jov::CodePatchCount()));
    // The import cell CreateThread is called through.
    crashapp::Say(
        when + " thread hook: " +
        YesNo(reinterpret_cast<void*>(&CreateThread) == reinterpret_cast<void*>(&jov::HookedCreateThread)));
    crashapp::Say(
        when + " runtime hooks: " +
        YesNo(FilterIsOurs() || jov::CatchPointHook || std::get_terminate() == &jov::TerminateReport));
}

} // namespace startstate
