#include "crashreport/core/ImportTable.h"
#include "crashreport/jovExceptState.h"
#include "crashreport/jovExceptThreadHook.h"
#include "crashreport/jovExceptThreads.h"
#include "crashreport/jovExceptWindowingProbe.h"
#include "crashreport/jovMapFile.h"
#include "crashreport/jovTools.h"
#include "crashreport/jovTypes.h"

#include <gtest/gtest.h>

#include <process.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <thread>

constexpr jov::CrashSettings RegistrySettings() {
    jov::CrashSettings settings;
    settings.ReturnReport = true;
    settings.FreezeTimeout = 0;
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = RegistrySettings();

namespace {

// Counts for as long as it is let run, until told to stop.
struct Busy {
    std::atomic<long> count{0};
    std::atomic<bool> stop{false};
    HANDLE thread = nullptr;
    DWORD id = 0;

    static DWORD WINAPI Run(void* self) {
        auto* busy = static_cast<Busy*>(self);
        while (!busy->stop) {
            ++busy->count;
            Sleep(1);
        }
        return 0;
    }
    void start() { thread = CreateThread(nullptr, 0, Run, this, 0, &id); }
    // True when the count moves within a second.
    bool running() {
        const long before = count;
        for (int i = 0; i < 100; ++i) {
            if (count != before) return true;
            Sleep(10);
        }
        return false;
    }
    ~Busy() {
        stop = true;
        if (thread) {
            ResumeThread(thread);
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
    }
};

const void* CellHolding(HMODULE module, const void* routine) {
    const auto* base = reinterpret_cast<const uint8_t*>(module);
    const IMAGE_NT_HEADERS* headers = jov::ImageNtHeaders(module);
    const jov::ImportTables tables =
        jov::ReadImportTables(std::span<const uint8_t>(base, headers->OptionalHeader.SizeOfImage));
    for (const jov::ImportAddressTable& table : tables.Tables)
        for (uint32_t i = 0; i < table.Count; ++i) {
            const auto* cell = reinterpret_cast<void* const*>(base + table.Rva + 4 * i);
            if (*cell == routine) return cell;
        }
    return nullptr;
}

DWORD WINAPI ReturnAtOnce(void*) {
    return 0;
}

struct SeenFromInside {
    bool recorded = false;
    jov::ThreadNode info;
};

unsigned __stdcall LookUpSelf(void* p) {
    auto& seen = *static_cast<SeenFromInside*>(p);
    seen.recorded = jov::ThreadNodeOf(GetCurrentThreadId(), seen.info);
    return 0;
}

struct Holder {
    HANDLE held, release;
};

DWORD WINAPI HoldTheList(void* p) {
    auto* holder = static_cast<Holder*>(p);
    WaitForSingleObject(jov::CrashState().Block->ThreadListMutex, INFINITE);
    SetEvent(holder->held);
    WaitForSingleObject(holder->release, 2500);
    ReleaseMutex(jov::CrashState().Block->ThreadListMutex);
    return 0;
}

} // namespace

TEST(ThreadList, TheSystemListAndTheToolhelpListAgree) {
    Busy a, b;
    a.start();
    b.start();
    std::vector<DWORD> bySystem = jov::ListProcessThreadsBySystem();
    std::vector<DWORD> byToolhelp = jov::ListProcessThreadsByToolhelp();
    std::sort(bySystem.begin(), bySystem.end());
    std::sort(byToolhelp.begin(), byToolhelp.end());
    EXPECT_EQ(bySystem, byToolhelp);
    for (DWORD id : {GetCurrentThreadId(), a.id, b.id})
        EXPECT_NE(std::find(bySystem.begin(), bySystem.end(), id), bySystem.end());
}

TEST(ThreadRegistry, NamingKeepsCreatorAndClassAndUnknownThreadsChangeNothing) {
    Busy busy;
    busy.start();
    void* creator = reinterpret_cast<void*>(0x401234);
    jov::RecordThreadInfo(busy.id, busy.thread, nullptr, GetCurrentThreadId(), creator, "TWorker");
    jov::SetThreadName(busy.id, "renamed");
    jov::ThreadNode info;
    ASSERT_TRUE(jov::ThreadNodeOf(busy.id, info));
    EXPECT_EQ(info.Name, "renamed");
    EXPECT_EQ(info.ClassName, "TWorker");
    EXPECT_EQ(info.CreatorAddress, reinterpret_cast<uint32_t>(creator));
    EXPECT_EQ(info.CreatorThreadId, GetCurrentThreadId());
    jov::SetThreadName(0x7ffffff0, "");
    EXPECT_TRUE(jov::ThreadNodeOf(busy.id, info));
    EXPECT_FALSE(jov::ThreadNodeOf(0x7ffffff0, info));
    jov::SetThreadName(busy.id, "");
    EXPECT_FALSE(jov::ThreadNodeOf(busy.id, info));
    // No thread, no handle: a name alone records nothing.
    jov::SetThreadName(0x7ffffff0, "ghost");
    EXPECT_FALSE(jov::ThreadNodeOf(0x7ffffff0, info));
}

TEST(ThreadRegistry, PlainAndRuntimeThreadsAreRecordedUntilTheyReturn) {
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, ReturnAtOnce, nullptr, CREATE_SUSPENDED, &id);
    ASSERT_TRUE(thread);
    // Asked for suspended: it stays suspended, and is recorded meanwhile, with this function as creator.
    EXPECT_EQ(WaitForSingleObject(thread, 200), static_cast<DWORD>(WAIT_TIMEOUT));
    jov::ThreadNode info;
    EXPECT_TRUE(jov::ThreadNodeOf(id, info));
    EXPECT_EQ(info.CreatorThreadId, GetCurrentThreadId());
    jov::AddressInfo where;
    EXPECT_TRUE(jov::GetAddressInfo(uintptr_t(info.CreatorAddress), where));
    EXPECT_NE(where.publicName.find("PlainAndRuntimeThreadsAreRecordedUntilTheyReturn"), std::string::npos)
        << where.publicName;
    ResumeThread(thread);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_FALSE(jov::ThreadNodeOf(id, info)) << "the wrapper removes the entry when the routine returns";

    // Through the C runtime: another module's CreateThread import.
    SeenFromInside seen;
    auto* runtime = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, LookUpSelf, &seen, 0, nullptr));
    ASSERT_TRUE(runtime);
    WaitForSingleObject(runtime, INFINITE);
    CloseHandle(runtime);
    EXPECT_TRUE(seen.recorded);
    EXPECT_NE(seen.info.CreatorAddress, 0u);
    EXPECT_TRUE(seen.info.ClassName.empty());
}

// Not inlined: the creator address must fall inside this function.
__attribute__((noinline)) void RunStdThread(SeenFromInside& seen) {
    std::thread([&seen] { seen.recorded = jov::ThreadNodeOf(GetCurrentThreadId(), seen.info); }).join();
}

TEST(ThreadRegistry, AStdThreadIsCreatedByTheCodeThatMadeIt) {
    // The runtime's thread start (the library's thread class, the threads library, the C runtime) is
    // passed over: the creator is the user's code.
    SeenFromInside seen;
    RunStdThread(seen);
    ASSERT_TRUE(seen.recorded);
    EXPECT_EQ(seen.info.CreatorThreadId, GetCurrentThreadId());
    jov::AddressInfo where;
    EXPECT_TRUE(jov::GetAddressInfo(uintptr_t(seen.info.CreatorAddress), where));
    EXPECT_EQ(where.publicName, "RunStdThread");
}

TEST(ThreadRegistry, ImportsLeadToTheHookUntilRestored) {
    const void* real =
        reinterpret_cast<const void*>(jov::ExportByName(GetModuleHandleA("kernel32.dll"), "CreateThread"));
    const void* hook = reinterpret_cast<const void*>(&jov::HookedCreateThread);
    const HMODULE exe = GetModuleHandleA(nullptr);
    EXPECT_NE(CellHolding(exe, hook), nullptr);
    EXPECT_EQ(CellHolding(exe, real), nullptr);
    jov::RestoreCreateThreadImports();
    EXPECT_EQ(CellHolding(exe, hook), nullptr);
    EXPECT_NE(CellHolding(exe, real), nullptr);
    jov::PatchCreateThreadImports();
    EXPECT_NE(CellHolding(exe, hook), nullptr);
}

TEST(ModuleList, OurProgramAndKernel32InAddressOrder) {
    const std::vector<jov::TModuleEntry> modules = jov::ListProcessModules(true);
    ASSERT_FALSE(modules.empty());
    EXPECT_TRUE(std::is_sorted(modules.begin(), modules.end(),
                               [](const auto& a, const auto& b) { return a.Handle < b.Handle; }));
    auto find = [&](HMODULE handle) {
        return std::find_if(modules.begin(), modules.end(),
                            [&](const auto& m) { return m.Handle == handle; });
    };
    const auto exe = find(GetModuleHandleA(nullptr));
    ASSERT_NE(exe, modules.end());
    EXPECT_EQ(exe->FileName, "thread_registry_test.exe");
    EXPECT_FALSE(exe->Folder.empty());
    EXPECT_NE(exe->Folder.back(), '\\');
    const auto kernel = find(GetModuleHandleA("kernel32.dll"));
    ASSERT_NE(kernel, modules.end());
    EXPECT_EQ(CharLowerA(std::string(kernel->FileName).data()), std::string("kernel32.dll"));
    EXPECT_FALSE(kernel->Version.empty());
    EXPECT_TRUE(jov::ListProcessModules(false).front().Version.empty());
}

TEST(ThreadPause, AThreadHoldingTheListIsNotSuspended) {
    // Started first: creating a thread records it, which waits for the list.
    Busy busy;
    busy.start();
    // The list mutex is held for 2.5 s by another thread: suspension gives up after 2 s.
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Holder holder{held, release};
    HANDLE thread = CreateThread(nullptr, 0, HoldTheList, &holder, 0, nullptr);
    ASSERT_TRUE(thread);
    WaitForSingleObject(held, INFINITE);
    HANDLE target = jov::OpenThreadById(busy.id, THREAD_SUSPEND_RESUME);
    EXPECT_FALSE(jov::SuspendThreadGuarded(target));
    EXPECT_TRUE(busy.running());
    SetEvent(release);
    WaitForSingleObject(thread, INFINITE);
    EXPECT_TRUE(jov::SuspendThreadGuarded(target));
    EXPECT_FALSE(busy.running());
    ResumeThread(target);
    CloseHandle(target);
    CloseHandle(thread);
    CloseHandle(held);
    CloseHandle(release);
}

TEST(ThreadPause, ThreadsOfOurCodeStandStillAndThreadsStartedMeanwhileAreLeftAlone) {
    Busy before;
    before.start();
    ASSERT_TRUE(before.running());
    jov::PauseOtherThreads(true, true);
    EXPECT_FALSE(before.running());
    Busy meanwhile;
    meanwhile.start();
    jov::PauseOtherThreads(false, true);
    EXPECT_TRUE(before.running());

    jov::PauseOtherThreads(true, true);
    EXPECT_FALSE(before.running());
    EXPECT_TRUE(meanwhile.running()) << "started during the last pause";
    jov::PauseOtherThreads(false, false);
    EXPECT_TRUE(before.running()) << "let go for the clipboard or a mail program";
    jov::PauseOtherThreads(true, false);
    EXPECT_FALSE(before.running());
    jov::PauseOtherThreads(false, true);
    EXPECT_TRUE(before.running());

    // Once it ended, a later pause may hold a thread with its id again.
    meanwhile.stop = true;
    WaitForSingleObject(meanwhile.thread, INFINITE);
    jov::PruneEndedThreads();
}

TEST(ThreadPause, APauseLeftBehindIsEndedByTheNextAndTheProgramsOwnSuspensionStays) {
    Busy held, suspendedByProgram;
    held.start();
    suspendedByProgram.start();
    // Suspended in its loop, not while it starts up inside the loader or a heap.
    ASSERT_TRUE(suspendedByProgram.running());
    ASSERT_EQ(SuspendThread(suspendedByProgram.thread), 0u);
    jov::PauseOtherThreads(true, true);
    EXPECT_FALSE(held.running());
    // A report whose worker was lost never ended its pause; the next report's pause begins anew.
    jov::PauseOtherThreads(true, true);
    EXPECT_FALSE(held.running());
    jov::PauseOtherThreads(false, true);
    EXPECT_TRUE(held.running());
    EXPECT_FALSE(suspendedByProgram.running());
    EXPECT_EQ(ResumeThread(suspendedByProgram.thread), 1u) << "the program's own step, and no other";
}

TEST(ThreadPause, AWindowingSystemThatDoesNotAnswerCostsThePauseSecondsNotOneWaitPerThread) {
    // Whichever thread the pause holds, the windowing system does not answer, as when a held thread (or one
    // it waits for) is inside its locks: here the thread that asks it is held.
    DWORD probeId = 0;
    for (DWORD id : jov::ListProcessThreads())
        if (jov::IsWindowingProbe(id)) probeId = id;
    ASSERT_NE(probeId, 0u);
    HANDLE probe = OpenThread(THREAD_SUSPEND_RESUME, FALSE, probeId);
    ASSERT_EQ(SuspendThread(probe), 0u);
    {
        Busy threads[4];
        for (Busy& busy : threads) busy.start();
        const DWORD start = GetTickCount();
        jov::PauseOtherThreads(true, true);
        const DWORD spent = GetTickCount() - start;
        EXPECT_LT(spent, 8000u);
        for (Busy& busy : threads) {
            EXPECT_FALSE(jov::IsHeldByPause(busy.id));
            EXPECT_TRUE(busy.running()) << "left to run rather than held inside the windowing system";
        }
        jov::PauseOtherThreads(false, true);
    }
    ResumeThread(probe);
    CloseHandle(probe);
}
