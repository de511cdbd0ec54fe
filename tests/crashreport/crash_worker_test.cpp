#include "crashreport/core/CrashRequest.h"
#include "crashreport/core/NumberText.h"
#include "crashreport/jovDisAsmSafeRead.h"
#include "crashreport/jovExcept.h"
#include "crashreport/jovExceptHandlers.h"
#include "crashreport/jovExceptHooks.h"
#include "crashreport/jovExceptLastChance.h"
#include "crashreport/jovExceptState.h"
#include "crashreport/jovExceptThreads.h"
#include "crashreport/jovExceptWorker.h"
#include "crashreport/jovStepGuard.h"
#include "crashreport/jovTypes.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>

// Reports come back to the caller as text instead of being shown.
constexpr jov::CrashSettings ReturnReports() {
    jov::CrashSettings settings;
    settings.ReturnReport = true;
    settings.FreezeTimeout = 0;
    settings.IgnoreClasses = "std::length_error, Ignored";
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = ReturnReports();

namespace {

// Constructed after the crash reporter's start-up object, like every initialisation of a program.
struct SeenAtStart {
    SeenAtStart() : started(jov::CrashState().Started), mainThread(jov::CrashState().MainThreadId) {}
    bool started;
    DWORD mainThread;
} seenAtStart;

struct Ignored : std::exception {};

DWORD WINAPI WaitForEvent(void* event) {
    return WaitForSingleObject(event, INFINITE);
}

std::string ReportOf(const std::exception_ptr& exception) {
    std::string report;
    jov::QueueCxxException(exception, true, &report);
    return report;
}

template <class E> std::exception_ptr Thrown(E exception) {
    try {
        throw exception;
    } catch (...) {
        return std::current_exception();
    }
}

} // namespace

TEST(CrashStart, StartsBeforeEveryOtherInitialisation) {
    EXPECT_TRUE(seenAtStart.started);
    EXPECT_EQ(seenAtStart.mainThread, GetCurrentThreadId());
    const std::string block = jov::CrashObjectName("jovExceptThreadNameBuf", GetCurrentProcessId());
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, block.c_str());
    EXPECT_NE(mapping, nullptr);
    if (mapping) CloseHandle(mapping);
    EXPECT_EQ(jov::ThreadNameOf(GetCurrentThreadId()), "main thread");
    ASSERT_NE(jov::CrashWorkerThreadId(), 0u);
    EXPECT_EQ(jov::ThreadNameOf(jov::CrashWorkerThreadId()), "-");
    EXPECT_FALSE(jov::IsLoaderLockHeld());
    // The program's own settings are in force, with what the start-up adds to them.
    const jov::CrashSettings& running = jov::RunningSettings();
    EXPECT_TRUE(running.ReturnReport);
    EXPECT_EQ(running.IgnoreClasses, jov::ProgramCrashSettings.IgnoreClasses);
    EXPECT_NE(running.DisassemblyProc, nullptr);
    EXPECT_NE(running.HtmlReportProc, nullptr);
}

TEST(CrashWorker, ReportsFromTheMainThreadAndOthers) {
    const std::string fromMain = ReportOf(Thrown(std::runtime_error("from\tthe main thread")));
    EXPECT_EQ(fromMain.rfind("date/time         : ", 0), 0u) << fromMain;
    EXPECT_NE(fromMain.find("\r\nexception class   : runtime_error\r\n"
                            "exception message : fromthe main thread.\r\n\r\n"
                            "main thread ($"),
              std::string::npos)
        << fromMain;

    std::string fromThread;
    DWORD threadId = 0;
    std::thread([&] {
        threadId = GetCurrentThreadId();
        fromThread = ReportOf(Thrown(std::logic_error("elsewhere")));
    }).join();
    // The failing thread's section comes first, then the main thread's.
    const size_t failing =
        fromThread.find("\r\nexception class   : logic_error\r\nexception message : elsewhere."
                        "\r\n\r\nthread " +
                        jov::FormatHex(threadId) + ":");
    EXPECT_NE(failing, std::string::npos) << fromThread;
    EXPECT_GT(fromThread.find("\r\n\r\nmain thread ($"), failing) << fromThread;
}

TEST(CrashWorker, OnlyThreadsTheProgramSuspendedAreMarked) {
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD heldId = 0;
    HANDLE held = CreateThread(nullptr, 0, WaitForEvent, go, 0, &heldId);
    ASSERT_NE(held, nullptr);
    jov::SetThreadName(heldId, "held by the program");
    ASSERT_EQ(SuspendThread(held), 0u);
    std::string report;
    std::thread([&] { report = ReportOf(Thrown(std::runtime_error("marks"))); }).join();
    ResumeThread(held);
    SetEvent(go);
    WaitForSingleObject(held, INFINITE);
    CloseHandle(held);
    CloseHandle(go);
    // The report holds the main thread itself: that pause is no state of the program's.
    EXPECT_NE(report.find("\r\n\r\nmain thread (" + jov::FormatHex(GetCurrentThreadId()) + "):\r\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("\r\n\r\nheld by the program (" + jov::FormatHex(heldId) + "): <suspended>\r\n"),
              std::string::npos)
        << report;
}

namespace {

bool cancelModeSeen = false;
bool captureLost = false;
bool cancelledBeforeReport = false;

LRESULT CALLBACK DragWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CANCELMODE) cancelModeSeen = true;
    if (message == WM_CAPTURECHANGED) captureLost = true;
    return DefWindowProcA(window, message, wParam, lParam);
}

void NoteCancelMode(jov::THandlerCall&) {
    cancelledBeforeReport = cancelModeSeen;
}

} // namespace

TEST(CatchPoint, AWindowHoldingTheMouseCaptureIsCancelledBeforeTheReport) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DragWindow;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "CrashWorkerTestDrag";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("CrashWorkerTestDrag", "drag", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    SetCapture(window);
    ASSERT_EQ(GetCapture(), window);
    jov::AddExceptionHandler(jov::hkException, NoteCancelMode);
    EXPECT_TRUE(jov::CatchPointReport(Thrown(std::runtime_error("during a drag"))));
    jov::RemoveExceptionHandler(jov::hkException, NoteCancelMode);
    EXPECT_TRUE(cancelModeSeen);
    EXPECT_TRUE(cancelledBeforeReport);
    EXPECT_TRUE(captureLost);
    EXPECT_EQ(GetCapture(), nullptr);
    DestroyWindow(window);
}

TEST(CrashWorker, HistoryAndFilters) {
    const int64_t before = jov::CrashState().History[0];
    // A class named in IgnoreClasses goes through with an empty report, by its plain or its qualified
    // name; a class beside it is reported; an EAbort produces nothing.
    EXPECT_EQ(ReportOf(Thrown(Ignored())), "");
    EXPECT_EQ(ReportOf(Thrown(std::length_error("too long"))), "");
    EXPECT_NE(ReportOf(Thrown(std::out_of_range("not ignored"))).find("exception class   : out_of_range"),
              std::string::npos);
    const int64_t afterIgnored = jov::CrashState().History[0];
    EXPECT_GE(afterIgnored, before);
    EXPECT_NE(afterIgnored, 0);
    struct EAbort : std::exception {};
    const jov::ExceptionTimes history = jov::CrashState().History;
    EXPECT_EQ(ReportOf(Thrown(EAbort())), "");
    EXPECT_EQ(jov::CrashState().History, history); // not even counted
}

TEST(CrashWorker, TheLoaderLockIsToldApartByItsHolder) {
    // Another thread's hold keeps reports inline, but a worker ending under it may still be waited for.
    CRITICAL_SECTION* loaderLock =
        *reinterpret_cast<CRITICAL_SECTION**>(jov::PebPointer() + jov::PebLoaderLockOffset);
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        EnterCriticalSection(loaderLock);
        SetEvent(held);
        WaitForSingleObject(release, 10000);
        LeaveCriticalSection(loaderLock);
    });
    WaitForSingleObject(held, 10000);
    EXPECT_TRUE(jov::IsLoaderLockHeld());
    EXPECT_FALSE(jov::IsLoaderLockHeldHere());
    SetEvent(release);
    holder.join();
    EnterCriticalSection(loaderLock);
    EXPECT_TRUE(jov::IsLoaderLockHeld());
    EXPECT_TRUE(jov::IsLoaderLockHeldHere());
    LeaveCriticalSection(loaderLock);
    EXPECT_FALSE(jov::IsLoaderLockHeld());
    CloseHandle(held);
    CloseHandle(release);
}

TEST(LastChance, ANamingExceptionThatReachesItNamesTheThread) {
    // Where the system has no vectored handlers the naming exception is seen only here.
    std::thread([] {
        const char* name = "named at last chance";
        EXCEPTION_RECORD record{};
        record.ExceptionCode = 0x406D1388;
        record.NumberParameters = 4;
        record.ExceptionInformation[0] = 0x1000;
        record.ExceptionInformation[1] = reinterpret_cast<ULONG_PTR>(name);
        record.ExceptionInformation[2] = 0xFFFFFFFF;
        CONTEXT context{};
        EXCEPTION_POINTERS pointers{&record, &context};
        EXPECT_EQ(jov::ThreadLastChanceHandler(&pointers), EXCEPTION_CONTINUE_EXECUTION);
        EXPECT_EQ(jov::ThreadNameOf(GetCurrentThreadId()), name);
        jov::SetThreadName(GetCurrentThreadId(), "");
    }).join();
}

TEST(ThreadRegistry, NothingIsWrittenWithoutTheListMutex) {
    // A wait that fails (here on a handle that is no mutex) owns nothing.
    jov::TSharedProcessBlock* block = jov::CrashState().Block;
    const HANDLE mutex = block->ThreadListMutex;
    block->ThreadListMutex = reinterpret_cast<HANDLE>(0x7ffffff0);
    jov::SetThreadName(GetCurrentThreadId(), "written unguarded");
    block->ThreadListMutex = mutex;
    EXPECT_EQ(jov::ThreadNameOf(GetCurrentThreadId()), "main thread");
}

TEST(ThreadRegistry, NamesReplaceAndEndedThreadsLeave) {
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, WaitForEvent, go, 0, &id);
    ASSERT_NE(thread, nullptr);
    jov::RecordThreadInfo(id, thread, nullptr, GetCurrentThreadId(), reinterpret_cast<void*>(0x401000),
                          "TWorker");
    jov::SetThreadName(id, "first");
    jov::SetThreadName(id, "second");
    EXPECT_EQ(jov::ThreadNameOf(id), "second");
    jov::SetThreadName(0x7ffffff0, ""); // an unknown thread: nothing changes
    EXPECT_EQ(jov::ThreadNameOf(id), "second");
    SetEvent(go);
    WaitForSingleObject(thread, INFINITE);
    // A later registry call drops the ended thread.
    jov::SetThreadName(GetCurrentThreadId(), "main thread");
    EXPECT_EQ(jov::ThreadNameOf(id), "");
    EXPECT_EQ(jov::ThreadNameOf(GetCurrentThreadId()), "main thread");
    CloseHandle(thread);
    CloseHandle(go);
}

namespace {

// The hand-over a restarting process leaves for this one, as RestartProcess writes it.
HANDLE PlantHandoff(const jov::RestartHandoff& handoff) {
    const std::string name = jov::CrashObjectName("jovExceptRestart", GetCurrentProcessId());
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        jov::RestartHandoffSize, name.c_str());
    jov::RestartHandoff planted = handoff;
    HANDLE duplicate = nullptr;
    DuplicateHandle(GetCurrentProcess(), mapping, GetCurrentProcess(), &duplicate, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    planted.MappingHandle = reinterpret_cast<uint32_t>(duplicate);
    void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    const jov::RestartHandoffBytes bytes = jov::EncodeRestartHandoff(planted);
    std::memcpy(view, bytes.data(), bytes.size());
    UnmapViewOfFile(view);
    return mapping;
}

DWORD WINAPI AcceptHandoff(void*) {
    jov::AcceptRestartHandoff();
    return 0;
}

} // namespace

TEST(Restart, TheNewProcessWaitsForTheOldOneByTheHandleItPlanted) {
    const jov::ExceptionTimes ours = jov::CrashState().History;
    const jov::ExceptionTimes theirs{13'000'000'009, 13'000'000'008};
    // The planted handle stands for the old process: an event that is set when "it" ends.
    HANDLE oldProcess = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    struct Case {
        const char* what;
        uint32_t oldProcessId;
        bool planted;
        bool endedAlready;
    };
    // A live process with the old one's id (here our own, which does not end) must not hold the new one up.
    const Case cases[] = {
        {"old process still running", 0x7ffffff0, true, false},
        {"old process ended, its id reused", GetCurrentProcessId(), true, true},
        {"an older process that plants no handle", 0x7ffffff0, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        jov::CrashState().History = ours;
        ResetEvent(oldProcess);
        if (c.endedAlready) SetEvent(oldProcess);
        jov::RestartHandoff handoff;
        handoff.OldProcessId = c.oldProcessId;
        handoff.History = theirs;
        HANDLE planted = nullptr;
        if (c.planted)
            DuplicateHandle(GetCurrentProcess(), oldProcess, GetCurrentProcess(), &planted, 0, FALSE,
                            DUPLICATE_SAME_ACCESS);
        handoff.OldProcessHandle = reinterpret_cast<uint32_t>(planted);
        HANDLE mapping = PlantHandoff(handoff);
        HANDLE accepting = CreateThread(nullptr, 0, AcceptHandoff, nullptr, 0, nullptr);
        if (!c.endedAlready) {
            EXPECT_EQ(WaitForSingleObject(accepting, 500), WAIT_TIMEOUT)
                << "went on before the old one ended";
            SetEvent(oldProcess);
        }
        const bool returned = WaitForSingleObject(accepting, 10000) == WAIT_OBJECT_0;
        EXPECT_TRUE(returned) << "still waiting";
        if (!returned) TerminateThread(accepting, 1);
        CloseHandle(accepting);
        CloseHandle(mapping);
        EXPECT_EQ(jov::CrashState().History, theirs);
    }
    jov::CrashState().History = ours;
    CloseHandle(oldProcess);
}

namespace {

struct HeapFailure {
    HANDLE heap;
    bool heldWhileReporting = false;
    std::string report;
    bool heldAfter = true;
};

DWORD WINAPI FailHoldingTheHeap(void* p) {
    auto& failure = *static_cast<HeapFailure*>(p);
    HeapLock(failure.heap);
    failure.heldWhileReporting = jov::HoldsHeapLock();
    failure.report = ReportOf(Thrown(std::runtime_error("inside the heap")));
    HeapUnlock(failure.heap);
    failure.heldAfter = jov::HoldsHeapLock();
    return 0;
}

} // namespace

TEST(CrashWorker, AThreadFailingInsideAHeapsLockGetsItsReport) {
    using HeapHandleProc = intptr_t(__cdecl*)();
    const auto runtimeHeap = reinterpret_cast<HeapHandleProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), "_get_heap_handle")));
    ASSERT_NE(runtimeHeap, nullptr);
    for (HANDLE heap : {GetProcessHeap(), reinterpret_cast<HANDLE>(runtimeHeap())}) {
        SCOPED_TRACE(heap == GetProcessHeap() ? "process heap" : "the C runtime's heap");
        HeapFailure failure{heap};
        HANDLE thread = CreateThread(nullptr, 0, FailHoldingTheHeap, &failure, 0, nullptr);
        const bool done = WaitForSingleObject(thread, 20000) == WAIT_OBJECT_0;
        ASSERT_TRUE(done) << "the report waits for the heap its requester holds";
        CloseHandle(thread);
        EXPECT_TRUE(failure.heldWhileReporting);
        EXPECT_NE(failure.report.find("exception message : inside the heap."), std::string::npos)
            << failure.report;
        EXPECT_FALSE(failure.heldAfter);
    }
}
