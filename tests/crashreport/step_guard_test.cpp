#include "crashreport/jovDisAsmSafeRead.h"
#include "crashreport/jovExceptReport.h"
#include "crashreport/jovStepGuard.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>

namespace {

constexpr jov::CrashSettings GuardSettings() {
    jov::CrashSettings settings;
    settings.FreezeTimeout = 0;
    settings.ShowExceptionBox = false;
    return settings;
}

} // namespace

constinit const jov::CrashSettings jov::ProgramCrashSettings = GuardSettings();

namespace {

volatile int* volatile badPointer = reinterpret_cast<int*>(0x20);
volatile int zero = 0;

__attribute__((noinline)) void WriteThroughBadPointer() {
    *badPointer = 1;
}

void ThrowLanguageException() {
    throw std::runtime_error("step failed");
}

void ReadInForeignModule() {
    using Length = size_t(__cdecl*)(const char*);
    const auto length = reinterpret_cast<Length>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), "strlen")));
    zero = static_cast<int>(length(reinterpret_cast<const char*>(0x20)));
}

void DivideByZero() {
    int quotient = 1;
    __asm__ volatile("cltd\n\tidivl %1" : "+a"(quotient) : "r"(int(zero)) : "edx");
    zero = quotient;
}

void IllegalInstruction() {
    __asm__ volatile("ud2");
}

void InPageError() {
    RaiseException(EXCEPTION_IN_PAGE_ERROR, 0, 0, nullptr);
}

volatile int deepest = 0x7FFFFFFF; // far beyond any stack

__attribute__((noinline)) int Recurse(int depth) {
    volatile char frame[4096];
    frame[0] = static_cast<char>(depth);
    return depth < deepest ? Recurse(depth + 1) + frame[0] : 0;
}

void OverflowTheStack() {
    zero = Recurse(0);
}

// The image (or other allocation) that holds an address.
const void* AllocationOf(uint32_t address) {
    MEMORY_BASIC_INFORMATION region{};
    VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof region);
    return region.AllocationBase;
}

struct Failure {
    bool completed;
    jov::TStepFailure failure;
};

Failure RunStep(void (*step)()) {
    Failure result;
    result.completed = jov::RunGuarded([&] { step(); }, result.failure);
    return result;
}

DWORD WINAPI RunOnSmallStack(void* parameter) {
    auto& failures = *static_cast<std::vector<Failure>*>(parameter);
    for (Failure& failure : failures) failure = RunStep(OverflowTheStack);
    return 0;
}

TEST(StepGuard, EveryKindOfFailureReturnsToTheGuard) {
    const void* self = AllocationOf(reinterpret_cast<uint32_t>(&DivideByZero));
    const struct {
        const char* name;
        void (*step)();
        DWORD code;
        const void* where; // the image the failure is in; nil: not checked
    } cases[] = {
        {"C++ throw", ThrowLanguageException, 0, nullptr},
        {"access violation", WriteThroughBadPointer, EXCEPTION_ACCESS_VIOLATION, self},
        {"access violation in a foreign module", ReadInForeignModule, EXCEPTION_ACCESS_VIOLATION,
         GetModuleHandleA("msvcrt.dll")},
        {"divide", DivideByZero, EXCEPTION_INT_DIVIDE_BY_ZERO, self},
        {"illegal instruction", IllegalInstruction, EXCEPTION_ILLEGAL_INSTRUCTION, self},
        {"in-page error", InPageError, EXCEPTION_IN_PAGE_ERROR, nullptr},
        {"stack fault", OverflowTheStack, EXCEPTION_STACK_OVERFLOW, self},
    };
    for (const auto& c : cases) {
        const Failure result = RunStep(c.step);
        EXPECT_FALSE(result.completed) << c.name;
        EXPECT_EQ(c.code, result.failure.Code) << c.name;
        if (c.where) {
            EXPECT_EQ(c.where, AllocationOf(result.failure.Address)) << c.name;
        }
    }
    // The thread goes on as before: the guard left nothing on its handler chain.
    EXPECT_TRUE(RunStep([] {}).completed);
}

TEST(StepGuard, AThreadSurvivesOneStackOverflowAfterAnother) {
    std::vector<Failure> failures(3);
    HANDLE thread = CreateThread(nullptr, 256 * 1024, RunOnSmallStack, &failures,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_TRUE(thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 30000));
    DWORD code = 1;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    EXPECT_EQ(0u, code);
    for (const Failure& failure : failures) {
        EXPECT_FALSE(failure.completed);
        EXPECT_EQ(DWORD(EXCEPTION_STACK_OVERFLOW), failure.failure.Code);
    }
}

TEST(StepGuard, ForeignCodeKeepsTheExceptionsItHandlesItself) {
    BOOL bad = FALSE;
    jov::TStepFailure failure;
    EXPECT_TRUE(jov::RunGuarded(
        [&] {
            bad = IsBadReadPtr(const_cast<int*>(badPointer), sizeof(int));
            OutputDebugStringA("a step may write debug output");
        },
        failure));
    EXPECT_TRUE(bad);
}

TEST(StepGuard, GuardsNest) {
    jov::TStepFailure outer, inner;
    bool innerCompleted = true, afterInner = false;
    EXPECT_TRUE(jov::RunGuarded(
        [&] {
            innerCompleted = jov::RunGuarded([] { WriteThroughBadPointer(); }, inner);
            afterInner = true;
        },
        outer));
    EXPECT_FALSE(innerCompleted);
    EXPECT_TRUE(afterInner);
    EXPECT_EQ(DWORD(EXCEPTION_ACCESS_VIOLATION), inner.Code);

    EXPECT_FALSE(jov::RunGuarded(
        [&] {
            innerCompleted = jov::RunGuarded([] {}, inner);
            WriteThroughBadPointer();
        },
        outer));
    EXPECT_TRUE(innerCompleted);
    EXPECT_EQ(DWORD(EXCEPTION_ACCESS_VIOLATION), outer.Code);
}

CRITICAL_SECTION* LoaderLock() {
    return *reinterpret_cast<CRITICAL_SECTION**>(jov::PebPointer() + jov::PebLoaderLockOffset);
}

struct Probe {
    HANDLE mutex;
    bool heap = false, runtimeHeap = false, loaderLock = false, mutexFree = false;
};

// What another thread can have within a second.
DWORD WINAPI TakeEverything(void* parameter) {
    auto& probe = *static_cast<Probe*>(parameter);
    probe.mutexFree = WaitForSingleObject(probe.mutex, 1000) == WAIT_OBJECT_0;
    if (probe.mutexFree) ReleaseMutex(probe.mutex);
    probe.heap = HeapLock(GetProcessHeap()) && HeapUnlock(GetProcessHeap());
    void* block = malloc(64);
    free(block);
    probe.runtimeHeap = true;
    probe.loaderLock = TryEnterCriticalSection(LoaderLock());
    if (probe.loaderLock) LeaveCriticalSection(LoaderLock());
    return 0;
}

TEST(StepGuard, WhatTheFailedStepHeldIsGivenBack) {
    Probe probe;
    probe.mutex = CreateMutexA(nullptr, FALSE, nullptr);
    EnterCriticalSection(LoaderLock()); // held before the step: stays held
    jov::TStepFailure failure;
    bool released = false;
    EXPECT_FALSE(jov::RunGuarded(
        [&] {
            EnterCriticalSection(LoaderLock());
            HeapLock(GetProcessHeap());
            WaitForSingleObject(probe.mutex, INFINITE);
            jov::TFaultRelease release([](void* mutex) { ReleaseMutex(mutex); }, probe.mutex);
            jov::TFaultRelease flag([](void* done) { *static_cast<bool*>(done) = true; }, &released);
            WriteThroughBadPointer();
        },
        failure));
    EXPECT_TRUE(released);
    EXPECT_TRUE(TryEnterCriticalSection(LoaderLock()));
    LeaveCriticalSection(LoaderLock());
    LeaveCriticalSection(LoaderLock());

    HANDLE thread = CreateThread(nullptr, 0, TakeEverything, &probe, 0, nullptr);
    ASSERT_TRUE(thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000)) << "a lock of the failed step is still held";
    CloseHandle(thread);
    CloseHandle(probe.mutex);
    EXPECT_TRUE(probe.mutexFree);
    EXPECT_TRUE(probe.heap);
    EXPECT_TRUE(probe.runtimeHeap);
    EXPECT_TRUE(probe.loaderLock);

    // A release of a step that completed is not run.
    released = false;
    EXPECT_TRUE(jov::RunGuarded(
        [&] { jov::TFaultRelease flag([](void* done) { *static_cast<bool*>(done) = true; }, &released); },
        failure));
    EXPECT_FALSE(released);
}

TEST(StepGuard, AFaultInsideACatchLeavesNoExceptionBehind) {
    jov::TStepFailure failure;
    EXPECT_FALSE(jov::RunGuarded(
        [] {
            try {
                throw std::runtime_error("handled");
            } catch (const std::exception&) {
                WriteThroughBadPointer();
            }
        },
        failure));
    EXPECT_EQ(0, std::uncaught_exceptions());
    EXPECT_FALSE(std::current_exception());
}

void FaultingDisassembly(const void*, std::string& text, const void*, int, bool, jov::TFunctionInfo&) {
    text = "never seen";
    WriteThroughBadPointer();
}

const std::string* const badVersion = reinterpret_cast<const std::string*>(0x30);

TEST(Report, AFailingStepEndsTheReportWithTheFailureLineAndKeepsWhatWasComposed) {
    jov::CrashSettings& settings = jov::RunningSettings();
    const jov::CrashSettings saved = settings;
    settings.ListHardware = false;
    const std::string failureLine = "\r\n\r\nAn exception occurred during composing the bug report. $";
    const struct {
        const char* name;
        jov::TDisassemblyProc disassembly;
        const std::string* version;
        std::vector<const char*> kept, lost;
    } cases[] = {
        {"in the disassembly",
         FaultingDisassembly,
         nullptr,
         {"date/time         : ", "exception message : The application seems to be frozen.",
          "\r\n\r\nmain thread ($", "\r\n\r\nmodules:\r\n"},
         {"disassembling:", "never seen"}},
        {"in the header",
         nullptr,
         badVersion,
         {"exception message : The application seems to be frozen.", "\r\n\r\nmain thread ($"},
         {"date/time         : ", "modules:"}},
    };
    for (const auto& c : cases) {
        settings.DisassemblyProc = c.disassembly;
        settings.VersionVariable = c.version;
        std::string text;
        jov::ComposeCrashReport(true, nullptr, nullptr, 0, nullptr, nullptr, false, text);
        const size_t line = text.rfind(failureLine);
        ASSERT_NE(std::string::npos, line) << c.name << "\n" << text;
        // The failure's address follows, and nothing after it.
        const std::string address = text.substr(line + failureLine.size());
        EXPECT_EQ(std::string::npos, address.find_first_not_of("0123456789abcdef")) << c.name << address;
        for (const char* part : c.kept)
            EXPECT_NE(std::string::npos, text.find(part)) << c.name << ": " << part;
        for (const char* part : c.lost)
            EXPECT_EQ(std::string::npos, text.find(part)) << c.name << ": " << part;
    }
    settings = saved;
}

} // namespace
