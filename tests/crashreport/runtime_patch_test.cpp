#include "crashreport/DormantCrashSettings.h"
#include "crashreport/CrashHook.h"
#include "crashreport/jovExceptHooks.h"
#include "crashreport/jovExceptLastChance.h"
#include "crashreport/jovExceptPatch.h"
#include "crashreport/jovToolsHelpers.h"
#include "crashreport/jovTypes.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <csignal>
#include <cstring>

constinit const jov::CrashSettings jov::ProgramCrashSettings = DormantCrashSettings();

namespace {

__attribute__((noinline)) int Original(int value) {
    __asm__ volatile("");
    return value + 1;
}
__attribute__((noinline)) int Replacement(int value) {
    __asm__ volatile("");
    return value * 100;
}
int (*volatile callOriginal)(int) = Original;

// Executable memory holding FF 25 and the address of a cell that holds `target`, as an import thunk.
struct Thunk {
    explicit Thunk(void* target) {
        memory = static_cast<uint8_t*>(VirtualAlloc(nullptr, 64, MEM_COMMIT, PAGE_EXECUTE_READWRITE));
        void** cell = reinterpret_cast<void**>(memory + 16);
        *cell = target;
        memory[0] = 0xFF;
        memory[1] = 0x25;
        std::memcpy(memory + 2, &cell, 4);
    }
    ~Thunk() { VirtualFree(memory, 0, MEM_RELEASE); }
    uint8_t* memory;
};

LONG WINAPI SomeFilter(EXCEPTION_POINTERS*) {
    return EXCEPTION_CONTINUE_SEARCH;
}
LONG WINAPI OtherFilter(EXCEPTION_POINTERS*) {
    return EXCEPTION_CONTINUE_SEARCH;
}
void SomeTerminate() {
    std::abort();
}
void SomeAbortHandler(int) {}

DWORD Protection(const void* address) {
    MEMORY_BASIC_INFORMATION info;
    VirtualQuery(address, &info, sizeof info);
    return info.Protect;
}

} // namespace

TEST(RuntimePatch, JumpOnOwnFunctionAndThroughAThunk) {
    const DWORD protection = Protection(reinterpret_cast<void*>(&Original));
    ASSERT_TRUE(jov::PatchJump(reinterpret_cast<void*>(&Original), reinterpret_cast<void*>(&Replacement)));
    EXPECT_EQ(callOriginal(3), 300);
    EXPECT_EQ(Protection(reinterpret_cast<void*>(&Original)), protection);
    // The same jump again changes nothing and records nothing.
    EXPECT_FALSE(jov::PatchJump(reinterpret_cast<void*>(&Original), reinterpret_cast<void*>(&Replacement)));
    EXPECT_EQ(jov::CodePatchCount(), 1u);
    jov::UndoCodePatches();
    EXPECT_EQ(callOriginal(3), 4);

    Thunk thunk(reinterpret_cast<void*>(&Original));
    uint8_t before[6];
    std::memcpy(before, thunk.memory, 6);
    EXPECT_EQ(jov::FollowImportJumps(thunk.memory), reinterpret_cast<void*>(&Original));
    ASSERT_TRUE(jov::PatchJump(thunk.memory, reinterpret_cast<void*>(&Replacement)));
    EXPECT_EQ(std::memcmp(before, thunk.memory, 6), 0); // the thunk itself stays
    EXPECT_EQ(callOriginal(5), 500);
    jov::UndoCodePatches();
    EXPECT_EQ(callOriginal(5), 6);
    EXPECT_EQ(jov::CodePatchCount(), 0u);
}

TEST(RuntimePatch, UndoLeavesBytesChangedAgain) {
    auto* code = static_cast<uint8_t*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_EXECUTE_READ));
    ASSERT_NE(code, nullptr);
    const uint8_t first[] = {1, 2, 3, 4};
    ASSERT_TRUE(jov::PatchCode(code, first, sizeof first));
    ASSERT_TRUE(jov::PatchDword(code + 8, 0x11223344));
    EXPECT_EQ(Protection(code), static_cast<DWORD>(PAGE_EXECUTE_READ));
    DWORD old;
    VirtualProtect(code, 4096, PAGE_READWRITE, &old);
    code[1] = 0x77; // somebody else patches over ours
    VirtualProtect(code, 4096, PAGE_EXECUTE_READ, &old);
    jov::UndoCodePatches();
    const uint8_t kept[] = {1, 0x77, 3, 4};
    EXPECT_EQ(std::memcmp(code, kept, 4), 0);
    const uint8_t zeros[4] = {};
    EXPECT_EQ(std::memcmp(code + 8, zeros, 4), 0);
    // An address that cannot be read is no patch.
    EXPECT_FALSE(jov::PatchCode(nullptr, first, sizeof first));
    VirtualFree(code, 0, MEM_RELEASE);
}

TEST(RuntimeHooks, RemovingRestoresWhatWasThere) {
    SetUnhandledExceptionFilter(SomeFilter);
    std::set_terminate(SomeTerminate);
    std::signal(SIGABRT, SomeAbortHandler);
    ASSERT_TRUE(jov::InstallRuntimeHooks());
    EXPECT_EQ(std::get_terminate(), &jov::TerminateReport);
    EXPECT_EQ(jov::CatchPointHook, &jov::CatchPointReport);
    // Code that installs a filter later does not displace ours; its filter is the one restored.
    EXPECT_EQ(SetUnhandledExceptionFilter(OtherFilter), &SomeFilter);
    jov::UndoCodePatches();
    jov::RemoveRuntimeHooks();
    EXPECT_EQ(SetUnhandledExceptionFilter(nullptr), &OtherFilter);
    EXPECT_EQ(std::get_terminate(), &SomeTerminate);
    EXPECT_EQ(std::signal(SIGABRT, SIG_DFL), &SomeAbortHandler);
    EXPECT_EQ(jov::CatchPointHook, nullptr);
}

TEST(LastChance, AccessViolationTextsOfARecord) {
    EXCEPTION_RECORD record{};
    record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
    record.ExceptionAddress = reinterpret_cast<void*>(&Original);
    record.NumberParameters = 2;
    record.ExceptionInformation[0] = 8;
    record.ExceptionInformation[1] = 0x1234;
    const std::string text = jov::OsExceptionMessage(record);
    EXPECT_EQ(text.rfind("Access violation at address $", 0), 0u) << text;
    EXPECT_NE(text.find(" in module 'runtime_patch_test.exe'. Execute of address $1234"), std::string::npos)
        << text;
    record.ExceptionCode = 0xC0000094;
    EXPECT_EQ(jov::OsExceptionMessage(record), "Division by zero");
}

// A string value up to its first zero, other types as their bytes; anything missing gives an empty text.
TEST(Helpers, ReadRegistryString) {
    const char* key = "Software\\OstrelToolsTest";
    HKEY handle;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr),
        ERROR_SUCCESS);
    const char text[] = "first\0second";
    RegSetValueExA(handle, "text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
    RegSetValueExA(handle, "unterminated", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3);
    const BYTE bytes[] = {'x', 0, 'y'};
    RegSetValueExA(handle, "binary", 0, REG_BINARY, bytes, sizeof bytes);
    RegSetValueExA(handle, "empty", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 0);
    RegCloseKey(handle);
    const std::pair<const char*, std::string> cases[] = {
        {"text", "first"}, {"unterminated", "abc"}, {"binary", std::string("x\0y", 3)},
        {"empty", ""},     {"missing", ""},
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(jov::ReadRegistryString(HKEY_CURRENT_USER, key, value), expected) << value;
    EXPECT_EQ(jov::ReadRegistryString(HKEY_CURRENT_USER, "Software\\OstrelNoSuchKey", "text"), "");
    RegDeleteKeyA(HKEY_CURRENT_USER, key);
}
