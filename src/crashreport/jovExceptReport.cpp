#include "crashreport/jovExceptReport.h"

#include "crashreport/core/ExceptionClass.h"
#include "crashreport/core/ExceptionTexts.h"
#include "crashreport/core/NumberText.h"
#include "crashreport/core/ReportText.h"
#include "crashreport/core/TextHelpers.h"
#include "crashreport/jovDisAsmSafeRead.h"
#include "crashreport/jovExceptHardware.h"
#include "crashreport/jovExceptState.h"
#include "crashreport/jovExceptThreadHook.h"
#include "crashreport/jovExceptThreads.h"
#include "crashreport/jovExceptWatchdog.h"
#include "crashreport/jovExceptWorker.h"
#include "crashreport/jovStackTrace.h"
#include "crashreport/jovStepGuard.h"
#include "crashreport/jovStrings.h"
#include "crashreport/jovTools.h"
#include "crashreport/jovToolsHelpers.h"

#include <exception>

namespace jov {
namespace {

bool ReadRef(const TExceptionRef* exception, TExceptionRef& out) {
    void* descriptionTable;
    return exception && SafeReadMemory(exception, &out, sizeof out) && out.Type &&
           SafeReadMemory(out.Type, &descriptionTable, sizeof descriptionTable);
}

// A virtual call on an object whose table cannot be read would fault inside the report.
bool HasReadableTable(const void* object) {
    void* table;
    void* firstEntry;
    return object && SafeReadMemory(object, &table, sizeof table) &&
           SafeReadMemory(table, &firstEntry, sizeof firstEntry);
}

uint32_t AddressOf(const void* pointer) {
    return reinterpret_cast<uint32_t>(pointer);
}
const void* Pointer(uint32_t address) {
    return reinterpret_cast<const void*>(address);
}

// The live process as the thread sections see it.
class LiveThreads final : public ReportThreadSource {
public:
    LiveThreads(bool showProgress, const TThrowSite* throwSite)
        : throwSite_(throwSite), tracker_(showProgress ? CreateProgressTracker() : nullptr),
          // A bar left on the screen by a failed report would stay there for the program's life.
          release_(
              [](void* resource) {
                  auto* tracker = static_cast<ProgressTracker*>(resource);
                  FreeProgressTracker(tracker);
              },
              tracker_) {}
    ~LiveThreads() override { FreeProgressTracker(tracker_); }
    LiveThreads(const LiveThreads&) = delete;
    LiveThreads& operator=(const LiveThreads&) = delete;

    std::vector<uint32_t> Threads() override {
        const std::vector<DWORD> ids = ListProcessThreads();
        return {ids.begin(), ids.end()};
    }
    bool Node(uint32_t threadId, ThreadNode& node) override { return ThreadNodeOf(threadId, node); }
    bool Context(uint32_t threadId, ThreadContextData& context) override {
        return ThreadContextInfo(threadId, context);
    }
    std::string Describe(uint32_t address) override { return DescribeAddress(Pointer(address)); }
    std::string Trace(const TraceCall& call, FailureRecords& records) override {
        const CrashSettings& settings = RunningSettings();
        const void* address = Pointer(records.Address);
        const void* entry = Pointer(records.EntryPoint);
        // A caught C++ exception as its stack stood at the throw: the catch has reused that stack since.
        const TThrowSite* site = call.Exception ? throwSite_ : nullptr;
        std::string text =
            site ? TraceThrowSite(settings.HideItemsWithoutLine, settings.ShowRelativeAddress,
                                  settings.ShowRelativeLine, *site, Pointer(call.StackEnd),
                                  Pointer(call.CreatorAddress), address, entry, tracker_)
                 : TraceStack(settings.HideItemsWithoutLine, settings.ShowRelativeAddress,
                              settings.ShowRelativeLine, Pointer(call.Address), call.Exception, call.External,
                              Pointer(call.StackBegin), Pointer(call.StackEnd), Pointer(call.CreatorAddress),
                              address, entry, tracker_, Pointer(call.FramePointer));
        records = {AddressOf(address), AddressOf(entry)};
        return text;
    }
    void AddPhase(uint64_t weight) override { AddProgressPhase(tracker_, weight); }
    void NextPhase() override { NextProgressPhase(tracker_); }

private:
    const TThrowSite* throwSite_;
    ProgressTracker* tracker_;
    TFaultRelease release_;
};

std::string LocalDateTime(const SYSTEMTIME& time) {
    return ReportDateTime(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute);
}

std::string ModuleVersionText(const std::string& fileName) {
    const uint64_t version = GetFileVersionNumber(fileName);
    return version ? FileVersionText(version) : std::string();
}

std::string ProcessorLineFromRegistry() {
    std::vector<std::string> names;
    for (int i = 0; i < 16; ++i) {
        const std::string key = "hardware\\description\\system\\centralProcessor\\" + FormatInt(i);
        HKEY handle;
        std::string name;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS) {
            char buffer[256];
            DWORD size = sizeof buffer, type;
            if (RegQueryValueExA(handle, "ProcessorNameString", nullptr, &type,
                                 reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS &&
                type == REG_SZ && size > 0)
                name.assign(buffer, strnlen(buffer, size));
            RegCloseKey(handle);
        }
        if (name.empty()) break;
        names.push_back(name);
    }
    return ProcessorLine(names);
}

using GetDiskFreeSpaceExProc = BOOL(WINAPI*)(const char*, ULARGE_INTEGER*, ULARGE_INTEGER*, ULARGE_INTEGER*);

uint64_t DiskFreeBytes(char letter, GetDiskFreeSpaceExProc freeSpaceEx) {
    const char root[] = {letter, ':', '\\', 0};
    ULARGE_INTEGER available, total, free;
    if (freeSpaceEx && freeSpaceEx(root, &available, &total, &free)) return free.QuadPart;
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, clusters;
    if (GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return uint64_t{sectorsPerCluster} * bytesPerSector * freeClusters;
    return 0;
}

std::string TerminalClientName(const TOS& os) {
    if (os.IsWin9x || GetSystemMetrics(SM_REMOTESESSION) == 0) return {};
    HMODULE wts = LoadLibraryA("wtsapi32.dll");
    if (!wts) return {};
    using QueryProc = BOOL(WINAPI*)(HANDLE, DWORD, int, char**, DWORD*);
    using FreeProc = void(WINAPI*)(void*);
    auto query = reinterpret_cast<QueryProc>(
        reinterpret_cast<void*>(GetProcAddress(wts, "WTSQuerySessionInformationA")));
    auto release = reinterpret_cast<FreeProc>(reinterpret_cast<void*>(GetProcAddress(wts, "WTSFreeMemory")));
    std::string name;
    char* buffer = nullptr;
    DWORD bytes = 0;
    constexpr int WTSClientName = 10;
    constexpr DWORD currentSession = static_cast<DWORD>(-1);
    if (query && release && query(nullptr, currentSession, WTSClientName, &buffer, &bytes)) {
        if (bytes > 1 && buffer) name.assign(buffer, bytes - 1);
        release(buffer);
    }
    FreeLibrary(wts);
    return name;
}

int64_t FileTimeMs(const FILETIME& time) {
    return static_cast<int64_t>((uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime) / 10000);
}

std::string ProgramUpTime() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    FILETIME nowFile, startFile;
    if (!SystemTimeToFileTime(&now, &nowFile) || !SystemTimeToFileTime(&CrashState().StartTime, &startFile))
        return {};
    const int64_t milliseconds = FileTimeMs(nowFile) - FileTimeMs(startFile);
    return milliseconds < 0 ? std::string() : ProgramUpTimeText(milliseconds);
}

void AddIf(std::string& header, const char* label, const std::string& value) {
    if (!value.empty()) header += ReportLine(label, value);
}

std::string ComposeModuleSection() {
    std::vector<ModuleRow> rows;
    for (const TModuleEntry& module : ListProcessModules(true))
        rows.push_back({AddressOf(module.Handle), module.FileName, module.Version, module.Folder});
    return ModuleSection(rows);
}

std::string ComposeDisassemblySection(const void* exceptionAddress, const FailureRecords& records) {
    const CrashSettings& settings = RunningSettings();
    if (!settings.DisassemblyProc) return {};
    const void* start = records.EntryPoint ? Pointer(records.EntryPoint) : exceptionAddress;
    const void* fault = records.Address ? Pointer(records.Address) : exceptionAddress;
    std::string text;
    TFunctionInfo info{};
    settings.DisassemblyProc(start, text, fault, settings.DisasmLineLimit, settings.DisasmFlag, info);
    return text.empty() ? std::string() : "\r\n\r\ndisassembling:\r\n" + text;
}

} // namespace

std::string ExceptionClassName(const TExceptionRef* exception, bool qualified) {
    TExceptionRef ref;
    if (!ReadRef(exception, ref)) return "Unknown";
    return qualified ? TypeClassName(ref.Type) : PlainClassName(ref.Type);
}

std::string ExceptionMessageText(const TExceptionRef* exception) {
    TExceptionRef ref;
    if (!ReadRef(exception, ref)) return "Unknown";
    std::string message = PlainClassName(ref.Type);
    try {
        if (auto* own =
                static_cast<const JovException*>(UpcastObject(typeid(JovException), ref.Type, ref.Object)))
            message = own->Message();
        else if (auto* standard = static_cast<const std::exception*>(
                     UpcastObject(typeid(std::exception), ref.Type, ref.Object));
                 standard && HasReadableTable(standard))
            message = standard->what();
    } catch (...) {
    }
    return CleanExceptionMessage(message);
}

bool IsThreadSuspended(DWORD threadId, HANDLE thread) {
    if (threadId == GetCurrentThreadId()) return false;
    DWORD previous = SuspendThread(thread);
    if (previous == static_cast<DWORD>(-1)) return false;
    ResumeThread(thread);
    if (previous > 0 && IsHeldByPause(threadId)) --previous;
    return previous > 0;
}

bool ThreadContextInfo(DWORD threadId, ThreadContextData& data) {
    HANDLE thread =
        OpenThreadById(threadId, THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_QUERY_INFORMATION);
    if (!thread) thread = OpenThreadById(threadId, THREAD_GET_CONTEXT);
    if (!thread) return false;
    CONTEXT context{};
    context.ContextFlags = CONTEXT_FULL;
    MEMORY_BASIC_INFORMATION region;
    bool result = false;
    if (GetThreadContext(thread, &context) &&
        VirtualQuery(Pointer(context.Esp), &region, sizeof region) == sizeof region) {
        data.StackPointer = context.Esp;
        data.StackTop = AddressOf(region.BaseAddress) + region.RegionSize;
        data.InstructionPointer = context.Eip;
        data.FramePointer = context.Ebp;
        result = true;
    }
    const int priority = GetThreadPriority(thread);
    data.Priority = priority == THREAD_PRIORITY_ERROR_RETURN ? 0 : priority;
    data.Suspended = IsThreadSuspended(threadId, thread);
    CloseHandle(thread);
    return result;
}

std::string ComposeReportHeader() {
    const CrashSettings& settings = RunningSettings();
    TOS os;
    GetOsInfo(os);
    std::string header;
    SYSTEMTIME now;
    GetLocalTime(&now);
    header += ReportLine("date/time", LocalDateTime(now));
    char buffer[MAX_PATH + 1];
    DWORD size = sizeof buffer;
    header += ReportLine("computer name", GetComputerNameA(buffer, &size) ? buffer : "");
    AddIf(header, "wts client name", TerminalClientName(os));
    size = sizeof buffer;
    header += ReportLine("user name", GetUserNameA(buffer, &size) ? buffer : "");
    header += ReportLine("operating system", os.Description + " build " + FormatCardinal(os.Build));
    if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_SENGLANGUAGE, buffer, sizeof buffer) >= 1)
        header += ReportLine("system language", buffer);
    LARGE_INTEGER counter{}, frequency{};
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    AddIf(header, "system up time", SystemUpTimeText(counter.QuadPart, frequency.QuadPart));
    AddIf(header, "program up time", ProgramUpTime());
    header += ProcessorLineFromRegistry();
    // The older query wraps or caps its sizes above 2-4 GB.
    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof memory;
    GlobalMemoryStatusEx(&memory);
    header += ReportLine("physical memory", PhysicalMemoryText(memory.ullAvailPhys, memory.ullTotalPhys));
    if (os.IsWin9x)
        header += ReportLine("system resources",
                             SystemResourcesText(FreeSystemResources(1), FreeSystemResources(2)));
    const auto freeSpaceEx = reinterpret_cast<GetDiskFreeSpaceExProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA")));
    const std::string executable = ModuleFileName(nullptr);
    char windowsDrive = GetWindowsDirectoryA(buffer, sizeof buffer) ? buffer[0] : 'C';
    const char executableDrive = executable.empty() ? windowsDrive : executable[0];
    header +=
        ReportLine("free disk space",
                   DiskLineValue(windowsDrive, DiskFreeBytes(windowsDrive, freeSpaceEx), executableDrive,
                                 DiskFreeBytes(executableDrive, freeSpaceEx), DecimalSeparator()));
    int bits = 0;
    if (HDC screen = GetDC(nullptr)) {
        bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
        ReleaseDC(nullptr, screen);
    }
    header += ReportLine("display mode",
                         DisplayModeText(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), bits));
    header += ReportLine("process id", FormatHex(GetCurrentProcessId()));
    if (settings.ShowCommandLine && __argc > 1) header += ReportLine("command line", GetCommandLineA());
    header += ReportLine("executable", ExtractFileNamePart(executable));
    const std::string module = ModuleFileName(CrashReporterModule());
    const bool isExecutable = SameTextNoCase(module, executable);
    if (!isExecutable) header += ReportLine("current module", module);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(module.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
        FILETIME local;
        SYSTEMTIME written;
        if (FileTimeToLocalFileTime(&found.ftLastWriteTime, &local) && FileTimeToSystemTime(&local, &written))
            header +=
                ReportLine(isExecutable ? "exec. date/time" : "module date/time", LocalDateTime(written));
        const std::string* variable = settings.VersionVariable;
        AddIf(header, "version", variable && !variable->empty() ? *variable : ModuleVersionText(module));
    }
    if (HMODULE bde = GetModuleHandleA("idapi32.dll")) {
        const std::string bdeFile = ModuleFileName(bde);
        if (!bdeFile.empty()) AddIf(header, "bde version", ModuleVersionText(bdeFile));
    }
    header += ReportLine("jovExcept version", "2.7c");
    return header;
}

void ComposeCrashReport(bool frozen, const TExceptionRef* exception, const void* address, DWORD threadId,
                        const void* stackPointer, const void* framePointer, bool showProgress,
                        std::string& report) {
    report.clear();
    // Outside the guard, so that a fault inside it still lets the record go.
    const ThrowSiteHold throwSite =
        frozen ? ThrowSiteHold()
               : ThrowSiteHold::AtThrow(threadId, AddressOf(address), AddressOf(stackPointer));
    // Every piece is appended whole, so what a failure leaves is the report so far.
    TStepFailure failure;
    const bool composed = RunGuarded(
        [&] {
            const CrashSettings& settings = RunningSettings();
            FailureRecords records;
            {
                LiveThreads threads(showProgress, throwSite.get());
                ExceptionPartInput input;
                input.Frozen = frozen;
                input.ListAllThreads = settings.ListAllThreads;
                input.ShowProgress = showProgress;
                input.FrozenText = settings.FrozenText.str();
                if (!frozen) {
                    input.ClassName = ExceptionClassName(exception);
                    input.Message = ExceptionMessageText(exception);
                    TExceptionRef ref;
                    input.External = ReadRef(exception, ref) && InheritsFromName(ref.Type, "EExternal");
                }
                input.ExceptionThread = threadId;
                input.MainThread = CrashState().MainThreadId;
                input.WatchdogThread = FreezeWatchdogThreadId();
                input.WorkerThread = CrashWorkerThreadId();
                input.Address = AddressOf(address);
                input.StackPointer = AddressOf(stackPointer);
                input.FramePointer = AddressOf(framePointer);
                ComposeExceptionPart(threads, input, records, report);
            }
            report.insert(0, ComposeReportHeader());
            if (settings.ListLoadedModules) report += "\r\n\r\n" + ComposeModuleSection();
            if (settings.ListHardware) report += "\r\n\r\n" + ComposeHardwareSection();
            report += ComposeDisassemblySection(address, records);
        },
        failure);
    if (composed) return;
    report += "\r\n\r\nAn exception occurred during composing the bug report.";
    if (failure.Address) report += " " + FormatHex(failure.Address);
}

} // namespace jov
