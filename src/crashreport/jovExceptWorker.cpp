#include "crashreport/jovExceptWorker.h"

#include "crashreport/core/ExceptionClass.h"
#include "crashreport/core/ListText.h"
#include "crashreport/jovDisAsmSafeRead.h"
#include "crashreport/jovExceptActions.h"
#include "crashreport/jovExceptHandlers.h"
#include "crashreport/jovExceptHooks.h"
#include "crashreport/jovExceptReport.h"
#include "crashreport/jovExceptState.h"
#include "crashreport/jovExceptThreads.h"
#include "crashreport/jovExceptWatchdog.h"
#include "crashreport/jovExceptWindowingProbe.h"
#include "crashreport/jovStepGuard.h"
#include "crashreport/jovTools.h"
#include "crashreport/jovToolsHelpers.h"

#include <float.h>

#include <array>
#include <exception>
#include <new>
#include <optional>

namespace jov {
namespace {

DWORD workerId = 0;
HANDLE workerThread = nullptr;
HANDLE pipeRead = nullptr;
HANDLE pipeWrite = nullptr;

// Requests still being handled, by requesting thread and the event it waits on. The main thread
// dispatches messages while it waits and may fail again meanwhile: that request is queued behind the
// first, and only a thread failing again inside its second wait is not queued, so that waits do not nest
// without bound.
constexpr int PendingSlots = 64;
struct PendingRequest {
    volatile LONG Thread;
    HANDLE volatile Event;
};
PendingRequest pendingRequests[PendingSlots];

class PendingMark {
public:
    explicit PendingMark(DWORD threadId) {
        for (PendingRequest& slot : pendingRequests)
            if (InterlockedCompareExchange(&slot.Thread, static_cast<LONG>(threadId), 0) == 0) {
                slot_ = &slot;
                return;
            }
    }
    ~PendingMark() {
        if (!slot_) return;
        slot_->Event = nullptr;
        InterlockedExchange(&slot_->Thread, 0);
    }
    PendingMark(const PendingMark&) = delete;
    PendingMark& operator=(const PendingMark&) = delete;
    void setEvent(HANDLE event) {
        if (slot_) slot_->Event = event;
    }

private:
    PendingRequest* slot_ = nullptr;
};

struct RtlCriticalSection {
    void* DebugInfo;
    LONG LockCount;
    LONG RecursionCount;
    HANDLE OwningThread;
    HANDLE LockSemaphore;
    ULONG_PTR SpinCount;
};

// The id of the thread that owns the critical section the pointer at `pointerAddress` leads to; 0 when
// none does or it cannot be read.
DWORD CriticalSectionOwner(uint32_t pointerAddress) {
    RtlCriticalSection* section = nullptr;
    RtlCriticalSection copy;
    if (!SafeReadMemory(reinterpret_cast<const void*>(pointerAddress), &section, sizeof section) ||
        !section || !SafeReadMemory(section, &copy, sizeof copy))
        return 0;
    return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(copy.OwningThread));
}

// The owners of the loader lock and of the process-environment lock, both reached through the process
// environment block.
std::array<DWORD, 2> LoaderLockOwners() {
    const uint32_t peb = PebPointer();
    return {CriticalSectionOwner(peb + PebLoaderLockOffset), CriticalSectionOwner(peb + PebFastLockOffset)};
}

// What a request hands the worker, held by the requester and the worker until the later of them lets go:
// a main thread that stops waiting on a quit message returns while the worker still reads the exception
// and writes the report.
struct RequestData {
    TExceptionRef Exception;
    std::exception_ptr Thrown;       // keeps a thrown object alive
    std::optional<JovException> Own; // a copy of the crash reporter's own exception object
    std::string Report;              // the report, when it is handed back instead of shown
    volatile LONG Users = 1;
};

void Release(RequestData* data) {
    if (data && InterlockedDecrement(&data->Users) == 0) delete data;
}

RequestData* MakeRequestData(const TExceptionRef& exception, const std::exception_ptr* thrown) {
    auto* data = new (std::nothrow) RequestData;
    if (!data) return nullptr;
    data->Exception = exception;
    if (thrown) data->Thrown = *thrown;
    if (exception.Type && *exception.Type == typeid(JovException)) {
        data->Own.emplace(*static_cast<const JovException*>(exception.Object));
        data->Exception.Object = &*data->Own;
    }
    return data;
}

bool ReadExceptionRef(const TExceptionRef* exception, TExceptionRef& out) {
    if (!exception || !SafeReadMemory(exception, &out, sizeof out)) return false;
    // A class description that cannot be read counts as no object.
    void* descriptionTable;
    return out.Type && SafeReadMemory(out.Type, &descriptionTable, sizeof descriptionTable);
}

int ScreenShotMode(int size) {
    switch (size) {
    case 4:
        return 1;
    case 51200:
        return 2;
    case 102400:
        return 3;
    case 204800:
        return 4;
    case 307200:
        return 5;
    }
    return 0;
}

// True when a handler took the action over.
bool RunAction(TCrashAction action, bool frozen, bool& canContinue, std::string& screenShot,
               std::string& report, const CrashRequest& request, const TExceptionRef* exception) {
    bool handled = false;
    CallExceptionHandlers(hkAction, action, frozen, handled, canContinue, screenShot, report,
                          request.ThreadId, reinterpret_cast<const void*>(request.ExceptionAddress),
                          exception);
    // A failure that cannot be continued stays so whatever a handler says.
    canContinue = canContinue && request.CanContinue;
    return handled;
}

BOOL CALLBACK DestroyOwnWindow(HWND window, LPARAM) {
    DestroyWindow(window);
    return TRUE;
}

// The request the worker is on, so that a worker lost to a fault can still release its requester.
volatile LONG currentEvent = 0;
volatile LONG currentRequester = 0;

void ReleaseRequester(HANDLE event, DWORD requester) {
    // The event is the worker's own duplicate: the requester may have stopped waiting and closed its own.
    SetEvent(event);
    CloseHandle(event);
    PostThreadMessageA(requester, WM_NULL, 0, 0);
}

DWORD WINAPI CrashWorker(void*) {
    for (;;) {
        CrashRequestBytes bytes;
        DWORD read = 0;
        if (!ReadFile(pipeRead, bytes.data(), bytes.size(), &read, nullptr)) break;
        if (read != bytes.size()) continue;
        const CrashRequest request = DecodeCrashRequest(bytes);
        if (!request.Event) break;
        InterlockedExchange(&currentRequester, static_cast<LONG>(request.ThreadId));
        InterlockedExchange(&currentEvent, static_cast<LONG>(request.Event));
        ProcessCrashRequest(request);
        if (InterlockedExchange(&currentEvent, 0))
            ReleaseRequester(reinterpret_cast<HANDLE>(request.Event), request.ThreadId);
        Release(reinterpret_cast<RequestData*>(request.Shared));
    }
    return 0;
}

bool StartWorkerThread() {
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, CrashWorker, nullptr, 0, &id);
    if (!thread) return false;
    workerThread = thread;
    workerId = id;
    SetThreadName(id, "-");
    SetThreadPriority(thread, THREAD_PRIORITY_HIGHEST);
    return true;
}

PVOID volatile turnMutex = nullptr;
volatile LONG turnOwner = 0;

HANDLE TurnMutex() {
    if (!turnMutex) {
        HANDLE made = CreateMutexA(nullptr, FALSE, nullptr);
        if (made && InterlockedCompareExchangePointer(&turnMutex, made, nullptr)) CloseHandle(made);
    }
    return turnMutex;
}

// A thread that holds the loader lock cannot wait for another, and one that holds a heap's lock (it faulted
// inside the heap) would wait for a worker that needs that heap: either makes its report itself, where its
// own hold does not stand in its way.
bool MustReportInline() {
    return IsLoaderLockHeld() || HoldsHeapLock();
}

} // namespace

ReportTurn::ReportTurn() {
    HANDLE mutex = TurnMutex();
    const DWORD got =
        mutex ? WaitForSingleObject(mutex, IsLoaderLockHeldHere() || HoldsHeapLock() ? 2000 : INFINITE)
              : WAIT_FAILED;
    owned_ = got == WAIT_OBJECT_0 || got == WAIT_ABANDONED;
    if (!owned_) return;
    // A turn left behind by a thread that died with it names that thread, whose id may be ours by now.
    const DWORD self = GetCurrentThreadId();
    outermost_ = got == WAIT_ABANDONED || static_cast<DWORD>(turnOwner) != self;
    if (outermost_) InterlockedExchange(&turnOwner, static_cast<LONG>(self));
}

ReportTurn::~ReportTurn() {
    if (!owned_) return;
    if (outermost_) InterlockedExchange(&turnOwner, 0);
    ReleaseMutex(turnMutex);
}

bool HoldsReportTurn() {
    return static_cast<DWORD>(turnOwner) == GetCurrentThreadId();
}

int PendingRequestCount() {
    const LONG self = static_cast<LONG>(GetCurrentThreadId());
    int count = 0;
    for (const PendingRequest& slot : pendingRequests) count += slot.Thread == self;
    return count;
}

void WaitForPendingRequests() {
    const LONG self = static_cast<LONG>(GetCurrentThreadId());
    for (const PendingRequest& slot : pendingRequests)
        if (slot.Thread == self)
            if (HANDLE event = slot.Event) WaitForSingleObject(event, INFINITE);
}

DWORD CrashWorkerThreadId() {
    return workerId;
}

// The lock count's meaning changed with Windows Server 2003 SP1 (a free section may read -2 or less);
// the owning thread is right on every version.
bool IsLoaderLockHeld() {
    const auto owners = LoaderLockOwners();
    return owners[0] || owners[1];
}

bool IsLoaderLockHeldHere() {
    const auto owners = LoaderLockOwners();
    const DWORD self = GetCurrentThreadId();
    return owners[0] == self || owners[1] == self;
}

void QueueCrashRequest(bool frozen, const TExceptionRef* exception, const void* address, bool canContinue,
                       const void* stackPointer, const void* framePointer, std::string* reportResult,
                       DWORD threadId, const std::exception_ptr* thrown) {
    try {
        const DWORD callingThread = GetCurrentThreadId();
        // Asked without an object or address from inside a catch, the report is of the exception caught.
        if (!frozen && !exception && !address && (!threadId || threadId == callingThread))
            if (const std::exception_ptr current = std::current_exception())
                return QueueCxxException(current, canContinue, reportResult);
        if (callingThread == workerId || HoldsReportTurn()) return;
        if (MainThreadRunsHandlers() && callingThread == CrashState().MainThreadId) return;
        if (!threadId) threadId = callingThread;
        if (PendingRequestCount() >= MaxPendingRequests) return;
        TExceptionRef object;
        const bool hasObject = ReadExceptionRef(exception, object);
        if (hasObject && InheritsFromName(object.Type, "EAbort")) {
            if (!canContinue) CloseApplication();
            return;
        }
        RequestData* data = MakeRequestData(hasObject ? object : TExceptionRef(), thrown);
        if (!data) return;
        PendingMark pending(callingThread);
        WatchdogPause watchdogPause;
        CrashRequest request;
        request.ThreadId = threadId;
        request.Frozen = frozen;
        request.ExceptionObject = hasObject ? reinterpret_cast<uint32_t>(&data->Exception) : 0;
        request.ExceptionAddress = reinterpret_cast<uint32_t>(address);
        request.CanContinue = canContinue;
        request.StackPointer = reinterpret_cast<uint32_t>(stackPointer);
        request.FramePointer = reinterpret_cast<uint32_t>(framePointer);
        request.Shared = reinterpret_cast<uint32_t>(data);
        HANDLE event = nullptr, workerEvent = nullptr;
        if (!MustReportInline() && pipeWrite) {
            event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
            pending.setEvent(event);
            if (event && !DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &workerEvent, 0,
                                          FALSE, DUPLICATE_SAME_ACCESS))
                workerEvent = nullptr;
        }
        const bool mainThread = callingThread == CrashState().MainThreadId;
        if (workerEvent && mainThread) {
            // The worker's wake-up message is lost when the thread has no message queue yet.
            MSG message;
            PeekMessageA(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
        }
        bool done = false;
        if (workerEvent) {
            request.Event = reinterpret_cast<uint32_t>(workerEvent);
            const CrashRequestBytes bytes = EncodeCrashRequest(request);
            DWORD written = 0;
            InterlockedIncrement(&data->Users);
            if (WriteFile(pipeWrite, bytes.data(), bytes.size(), &written, nullptr) &&
                written == bytes.size()) {
                done = true;
                if (mainThread) {
                    // The main thread keeps its windows alive while the worker (and its dialog) runs.
                    MSG message;
                    while (WaitForSingleObject(event, 0) != WAIT_OBJECT_0) {
                        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
                        if (got == 0) {
                            PostQuitMessage(static_cast<int>(message.wParam));
                            done = false;
                            break;
                        }
                        if (got < 0) {
                            WaitForSingleObject(event, INFINITE);
                            break;
                        }
                        TranslateMessage(&message);
                        DispatchMessageA(&message);
                    }
                } else {
                    WaitForSingleObject(event, INFINITE);
                }
            } else {
                CloseHandle(workerEvent);
                Release(data);
            }
        } else if (!event) {
            ProcessCrashRequest(request);
            done = true;
        }
        if (event) CloseHandle(event);
        if (done && reportResult) *reportResult = data->Report;
        Release(data);
        // Reinitialised, not loaded with a control word that unmasks exceptions later code does not expect.
        if (RunningSettings().ResetFpu) _fpreset();
    } catch (...) {
    }
}

void ProcessCrashRequest(const CrashRequest& request) {
    try {
        ReportTurn turn;
        if (!turn.owned()) return;
        const CrashSettings& settings = RunningSettings();
        PruneEndedThreads();
        // A freeze is reported while the frozen thread stands still anyway.
        std::optional<PausedThreads> paused;
        if (!request.Frozen && CrashState().IsMainModule && settings.PauseThreads) paused.emplace();
        RecordExceptionTime(CrashState().History, NowInSeconds());
        const auto* exception = reinterpret_cast<const TExceptionRef*>(request.ExceptionObject);
        const void* address = reinterpret_cast<const void*>(request.ExceptionAddress);
        auto* data = reinterpret_cast<RequestData*>(request.Shared);
        std::string report, screenShot;
        bool ignored = false;
        if (exception && !settings.IgnoreClasses.empty()) {
            std::string classes(settings.IgnoreClasses);
            NormaliseList(classes, ',');
            // Listed by its own name or as C++ spells it.
            ignored = ListContainsItem(classes, ExceptionClassName(exception), ',') ||
                      ListContainsItem(classes, ExceptionClassName(exception, true), ',');
        }
        if (!ignored) {
            // A picture that fails leaves none; the report is still made.
            TStepFailure failure;
            if (settings.ScreenShotSize > 0 && settings.ScreenShotProc &&
                !RunGuarded(
                    [&] { settings.ScreenShotProc(ScreenShotMode(settings.ScreenShotSize), screenShot); },
                    failure))
                screenShot.clear();
            ComposeCrashReport(request.Frozen, exception, address, request.ThreadId,
                               reinterpret_cast<const void*>(request.StackPointer),
                               reinterpret_cast<const void*>(request.FramePointer),
                               settings.ShowExceptionBox && !settings.ReturnReport, report);
        }
        bool handled = false;
        bool canContinue = request.CanContinue;
        CallExceptionHandlers(hkException, 0, request.Frozen, handled, canContinue, screenShot, report,
                              request.ThreadId, address, exception);
        canContinue = canContinue && request.CanContinue;
        if (!(handled && canContinue)) {
            // Each action runs guarded: a fault in what it reaches (a shell extension, a printer driver, a
            // mail program) costs that action, not the held threads, and the decision below still comes.
            if (!handled && settings.AutoSave)
                RunGuarded([&] {
                    if (!RunAction(caSave, request.Frozen, canContinue, screenShot, report, request,
                                   exception))
                        AutoSaveBugReport(report);
                });
            if (!handled && settings.AutoMail)
                RunGuarded([&] {
                    if (!RunAction(caMail, request.Frozen, canContinue, screenShot, report, request,
                                   exception))
                        SendBugReport(report, screenShot, nullptr, true);
                });
            if (!handled && settings.ShowExceptionBox) {
                if (settings.ReturnReport) {
                    if (data) data->Report = report;
                } else if (!RunGuarded([&] {
                               RunExceptionBox(request.Frozen, exception, address, canContinue, screenShot,
                                               report);
                           })) {
                    // The dialog's window outlived the frames that owned it.
                    EnumThreadWindows(GetCurrentThreadId(), DestroyOwnWindow, 0);
                }
            }
            if (!canContinue || !settings.ShowExceptionBox || settings.ReturnReport ||
                (settings.ConsoleNoBox && IsConsoleProgram())) {
                switch (DecideFinalAction(canContinue, settings.AutoClose, settings.AutoRestart,
                                          CrashState().History, NowInSeconds())) {
                case FinalAction::Close:
                    RunAction(caClose, request.Frozen, canContinue, screenShot, report, request, exception);
                    CloseApplication();
                case FinalAction::Restart:
                    RunAction(caRestart, request.Frozen, canContinue, screenShot, report, request, exception);
                    RestartProcess();
                case FinalAction::Continue:
                    RunAction(caContinue, request.Frozen, canContinue, screenShot, report, request,
                              exception);
                    break;
                }
            }
        }
    } catch (...) {
    }
}

bool StartCrashWorker() {
    if (workerThread) return true;
    if (!CreatePipe(&pipeRead, &pipeWrite, nullptr, 0)) {
        pipeRead = pipeWrite = nullptr;
        return false;
    }
    StartWindowingProbe(); // without it, pauses go on as before
    return StartWorkerThread();
}

void ReplaceFailedWorker() {
    if (GetCurrentThreadId() != workerId) return;
    const auto event = reinterpret_cast<HANDLE>(InterlockedExchange(&currentEvent, 0));
    if (event) ReleaseRequester(event, static_cast<DWORD>(currentRequester));
    // Whatever ended the report, the threads it held run on.
    PauseOtherThreads(false, true);
    HANDLE failed = workerThread;
    SetThreadName(workerId, "");
    if (StartWorkerThread()) CloseHandle(failed);
}

void StopCrashWorker() {
    // Only a caller that holds the loader lock cannot wait for the worker. Any other holder, the ending
    // worker itself among them (its detach notifications take the lock), is waited out.
    const bool mayWait = !IsLoaderLockHeldHere();
    if (pipeWrite) {
        if (workerThread) {
            ResumeThread(workerThread);
            if (mayWait) {
                const CrashRequestBytes stop{};
                DWORD written;
                WriteFile(pipeWrite, stop.data(), stop.size(), &written, nullptr);
            }
        }
        CloseHandle(pipeWrite);
        pipeWrite = nullptr;
    }
    if (workerThread) {
        if (!mayWait || WaitForSingleObject(workerThread, 500) == WAIT_TIMEOUT)
            TerminateOwnThread(workerThread);
        CloseHandle(workerThread);
        workerThread = nullptr;
        SetThreadName(workerId, "");
        workerId = 0;
    }
    if (pipeRead) CloseHandle(pipeRead);
    pipeRead = nullptr;
    StopWindowingProbe();
}

} // namespace jov
