#include "ReleaseCheck.h"

#include <algorithm>

namespace peinfo {

namespace {
const char* const lacking[] = {
    // comctl32 before version 6 exports these by ordinal only
    "SetWindowSubclass",
    "GetWindowSubclass",
    "RemoveWindowSubclass",
    "DefSubclassProc",
    // Windows XP
    "AddVectoredExceptionHandler",
    "RemoveVectoredExceptionHandler",
    "AddVectoredContinueHandler",
    "RemoveVectoredContinueHandler",
    "GetModuleHandleExA",
    "GetModuleHandleExW",
    "AttachConsole",
    "IsWow64Process",
    "GetNativeSystemInfo",
    "GetProcessId",
    "GetLogicalProcessorInformation",
    "RtlCaptureContext",
    // Windows Vista
    "GetTickCount64",
    "RegDeleteTreeA",
    "RegDeleteTreeW",
    "RegGetValueA",
    "RegGetValueW",
    "InitializeConditionVariable",
    "SleepConditionVariableCS",
    "SleepConditionVariableSRW",
    "WakeConditionVariable",
    "WakeAllConditionVariable",
    "InitializeSRWLock",
    "AcquireSRWLockExclusive",
    "AcquireSRWLockShared",
    "ReleaseSRWLockExclusive",
    "ReleaseSRWLockShared",
    "TryAcquireSRWLockExclusive",
    "TryAcquireSRWLockShared",
    "InitOnceInitialize",
    "InitOnceExecuteOnce",
    "InitOnceBeginInitialize",
    "InitOnceComplete",
    "GetThreadId",
    "SetThreadStackGuarantee",
    "FlsAlloc",
    "FlsFree",
    "FlsGetValue",
    "FlsSetValue",
    "InterlockedCompareExchange64",
    "QueryFullProcessImageNameA",
    "QueryFullProcessImageNameW",
    "CreateSymbolicLinkA",
    "CreateSymbolicLinkW",
    "GetFinalPathNameByHandleA",
    "GetFinalPathNameByHandleW",
    // Windows 8 and later
    "GetSystemTimePreciseAsFileTime",
    "SetThreadDescription",
    "GetThreadDescription",
};
} // namespace

std::span<const char* const> FunctionsWindows2000Lacks() {
    return lacking;
}

std::vector<std::string> Windows2000MissingImports(const PeFile& image) {
    std::vector<std::string> found;
    for (const Import& import : image.Imports()) {
        auto it = std::find_if(std::begin(lacking), std::end(lacking),
                               [&](const char* name) { return import.function == name; });
        if (it != std::end(lacking)) found.push_back(import.module + "!" + import.function);
    }
    return found;
}

std::vector<std::string> ReleaseProblems(const PeFile& image, std::size_t sizeLimit) {
    std::vector<std::string> problems;
    if (image.Machine() != machineI386 || !image.Pe32()) problems.push_back("not a 32-bit x86 image (PE32)");
    if (image.Subsystem() != subsystemWindowsGui) problems.push_back("not a GUI image");
    if (image.FileSize() >= sizeLimit)
        problems.push_back(std::to_string(image.FileSize()) + " bytes, not under " +
                           std::to_string(sizeLimit));
    if (!image.FileVersion()) problems.push_back("no version resource");
    if (!image.HasResource({0, "JOV"}, {0, "EXCEPT"}))
        problems.push_back("no symbol resource \"EXCEPT\" of type JOV");
    for (const std::string& import : Windows2000MissingImports(image))
        problems.push_back("imports " + import + ", which Windows 2000 lacks");
    return problems;
}

} // namespace peinfo
