#include "crashreport/core/PeImage.h"
#include "crashreport/core/TestPeImage.h"
#include "crashreport/jovTools.h"
#include "crashreport/jovToolsMsgHandlers.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace jov;

TEST(Tools, OsUnderWineIsNtNew) {
    TOS os;
    GetOsInfo(os);
    EXPECT_TRUE(os.IsWinNT);
    EXPECT_FALSE(os.IsWin9x);
    EXPECT_EQ(os.OsEnum, 12);
    EXPECT_EQ(os.WinNTEnum, 12);
    EXPECT_EQ(os.Description.rfind("Windows NT New", 0), 0u) << os.Description;
    TOS again;
    GetOsInfo(again);
    EXPECT_EQ(again.Description, os.Description);
    EXPECT_EQ(again.Build, os.Build);
}

// After the crash reporter's stop, the OS record is detected again and handlers get a fresh mutex.
TEST(Tools, FinalizeStartsAfresh) {
    TOS before;
    GetOsInfo(before);
    static int received = 0;
    const TMsgHandlerProc count = [](HWND, UINT, WPARAM, LPARAM, LRESULT&) { ++received; };
    const UINT first = AddMessageHandler(count);
    ASSERT_NE(0u, first);
    RemoveMessageHandler(count);
    FinalizeTools();
    FinalizeTools(); // a second stop finds nothing to close
    TOS after;
    GetOsInfo(after);
    EXPECT_EQ(before.Description, after.Description);
    EXPECT_EQ(before.Build, after.Build);
    const UINT message = AddMessageHandler(count);
    ASSERT_NE(0u, message) << "the registry works without the closed mutex";
    SendMessageA(GetHandlerWindow(), message, 0, 0);
    EXPECT_EQ(1, received);
    RemoveMessageHandler(count);
}

TEST(Tools, Kernel32ExportsMatchTheSystem) {
    const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    ASSERT_TRUE(kernel32);
    const IMAGE_NT_HEADERS* headers = ImageNtHeaders(kernel32);
    ASSERT_TRUE(headers);
    const std::span<const uint8_t> image(reinterpret_cast<const uint8_t*>(kernel32),
                                         headers->OptionalHeader.SizeOfImage);
    const auto exports = PeExports::Read({image, false});
    ASSERT_TRUE(exports);
    EXPECT_EQ(ImageDataDirectory(kernel32, IMAGE_DIRECTORY_ENTRY_EXPORT),
              image.data() + headers->OptionalHeader.DataDirectory[0].VirtualAddress);

    // The file offset of the export directory holds the same directory on disk.
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(kernel32, path, MAX_PATH), 0u);
    const uint32_t exportRva = headers->OptionalHeader.DataDirectory[0].VirtualAddress;
    const uint32_t offset = RvaToFileOffset(headers, exportRva);
    EXPECT_NE(offset, exportRva);
    const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    IMAGE_EXPORT_DIRECTORY onDisk{};
    DWORD read = 0;
    SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN);
    ReadFile(file, &onDisk, sizeof onDisk, &read, nullptr);
    CloseHandle(file);
    EXPECT_EQ(std::memcmp(&onDisk, image.data() + exportRva, sizeof onDisk), 0);

    int forwarders = 0, compared = 0;
    for (uint32_t i = 0; i < exports->NameCount(); ++i) {
        const std::string name(exports->Name(i).value_or(""));
        ASSERT_FALSE(name.empty()) << i;
        const FARPROC system = GetProcAddress(kernel32, name.c_str());
        const auto index = exports->FunctionIndexByName(name);
        ASSERT_TRUE(index) << name;
        if (exports->IsForwarder(exports->FunctionRva(*index).value_or(0))) ++forwarders;
        EXPECT_EQ(ExportByName(kernel32, name.c_str()), system) << name;
        EXPECT_EQ(ExportByOrdinal(kernel32, exports->OrdinalBase() + *index), system) << name;
        ++compared;
    }
    EXPECT_GT(compared, 500);
    EXPECT_GT(forwarders, 50);

    // The exported name of a routine of kernel32's own names it (or an alias at the same address).
    const FARPROC own = ExportByName(kernel32, "GetModuleHandleA");
    const std::string name = ExportNameOfAddress(kernel32, reinterpret_cast<const void*>(own), true);
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(ExportByName(kernel32, name.c_str()), own) << name;
    EXPECT_EQ(ExportNameOfAddress(kernel32, reinterpret_cast<const char*>(own) + 1, true), "");
    EXPECT_EQ(ExportNameOfAddress(kernel32, nullptr, false), "");
    EXPECT_EQ(ExportByName(kernel32, "NoSuchRoutine"), nullptr);
}

namespace {

class ExportTestModule : public ::testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryA("exporttest.dll");
        ASSERT_TRUE(module);
    }
    void TearDown() override { FreeLibrary(module); }
    // The function-table entry of an ordinal, as the loader mapped it.
    DWORD* functionEntry(uint32_t ordinal) const {
        const auto* directory = static_cast<const IMAGE_EXPORT_DIRECTORY*>(ImageDataDirectory(module, 0));
        auto* table =
            reinterpret_cast<DWORD*>(reinterpret_cast<uint8_t*>(module) + directory->AddressOfFunctions);
        return table + (ordinal - directory->Base);
    }
    HMODULE module = nullptr;
};

} // namespace

TEST_F(ExportTestModule, NamedUnnamedAndForwarded) {
    const FARPROC hidden = GetProcAddress(module, MAKEINTRESOURCEA(7));
    ASSERT_TRUE(hidden);
    EXPECT_EQ(ExportByOrdinal(module, 7), hidden);
    EXPECT_EQ(ExportNameOfAddress(module, reinterpret_cast<const void*>(hidden), false), "#7");
    EXPECT_EQ(
        ExportNameOfAddress(module, reinterpret_cast<const void*>(GetProcAddress(module, "Named")), true),
        "Named");

    const FARPROC tick = GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount");
    EXPECT_EQ(ExportByName(module, "FwdTick"), tick);
    EXPECT_EQ(ExportByName(module, "FwdChain"), tick); // a forwarder to a forwarder
    EXPECT_EQ(ExportByOrdinal(module, 3), tick);
    EXPECT_EQ(ExportByOrdinal(module, 6), nullptr); // a gap in the table
    EXPECT_EQ(ExportByOrdinal(module, 1000), nullptr);
}

TEST_F(ExportTestModule, ForwardersByOrdinalAndDottedNameAreFollowed) {
    // The linker writes no forwarder by ordinal, so one by name is turned into one in memory.
    const FARPROC hidden = GetProcAddress(module, MAKEINTRESOURCEA(7));
    auto* text = reinterpret_cast<char*>(module) + *functionEntry(5);
    ASSERT_STREQ(text, "exporttest.FwdTick");
    DWORD protect = 0;
    ASSERT_TRUE(VirtualProtect(text, 32, PAGE_READWRITE, &protect));
    std::strcpy(text, "exporttest.#7");
    EXPECT_EQ(ExportByName(module, "FwdChain"), hidden);
    std::strcpy(text, "exporttest.#9"); // no such ordinal
    EXPECT_EQ(ExportByName(module, "FwdChain"), nullptr);
    std::strcpy(text, "exporttest.D.N"); // the routine's name holds a dot
    EXPECT_EQ(ExportByName(module, "FwdChain"), GetProcAddress(module, "Second"));
    std::strcpy(text, "exporttest.FwdChain"); // a forwarder to itself must end
    EXPECT_EQ(ExportByName(module, "FwdChain"), nullptr);
    std::strcpy(text, "exporttest.FwdTick");
    VirtualProtect(text, 32, protect, &protect);
}

TEST_F(ExportTestModule, EntryChangedInMemoryIsReadFromDisk) {
    const FARPROC named = GetProcAddress(module, "Named");
    DWORD* entry = functionEntry(1);
    DWORD protect = 0;
    ASSERT_TRUE(VirtualProtect(entry, 4, PAGE_READWRITE, &protect));
    const DWORD original = *entry;
    *entry = 0x7FFFFFF0;
    EXPECT_EQ(ExportByName(module, "Named"), named);
    EXPECT_EQ(ExportByOrdinal(module, 1), named);
    *entry = original;
    VirtualProtect(entry, 4, protect, &protect);
}

TEST_F(ExportTestModule, DamagedHeadersReadAsNone) {
    // A block of memory that merely starts with "MZ" and points its headers far away.
    std::vector<uint8_t> fake(4096);
    fake[0] = 'M';
    fake[1] = 'Z';
    const uint32_t distant = 0x7FFF0000;
    std::memcpy(&fake[60], &distant, 4);
    const auto base = reinterpret_cast<HMODULE>(fake.data());
    EXPECT_EQ(ImageNtHeaders(base), nullptr);
    EXPECT_EQ(ImageDataDirectory(base, 0), nullptr);
    EXPECT_EQ(ExportNameOfAddress(base, fake.data() + 16, false), "");
    EXPECT_EQ(ImageNtHeaders(nullptr), nullptr);
    EXPECT_EQ(RvaToFileOffset(nullptr, 0x1234), 0x1234u);
    EXPECT_NE(ImageNtHeaders(module), nullptr);
}

namespace {

struct PageToggler {
    uint8_t* page;
    volatile LONG stop = 0;
    volatile LONG rounds = 0;
};

DWORD WINAPI TogglePage(void* parameter) {
    auto& t = *static_cast<PageToggler*>(parameter);
    for (DWORD old; !t.stop; InterlockedIncrement(&t.rounds))
        for (DWORD protection : {PAGE_NOACCESS, PAGE_READWRITE | PAGE_GUARD, PAGE_READONLY})
            VirtualProtect(t.page, 0x1000, protection, &old);
    return 0;
}

} // namespace

// Another thread changes the protection of the page that holds a module's export table while we read
// it, and then takes the page away: each look-up finds the export or nothing, and none faults.
TEST(Tools, ExportsOfAnImageWhosePagesGoAway) {
    const TestImage t;
    auto* base = static_cast<uint8_t*>(
        VirtualAlloc(nullptr, t.mapped.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_TRUE(base);
    std::memcpy(base, t.mapped.data(), t.mapped.size());
    const auto module = reinterpret_cast<HMODULE>(base);
    const auto alpha = reinterpret_cast<FARPROC>(base + 0x1010);
    ASSERT_EQ(ExportNameOfAddress(module, base + 0x1010, false), "Alpha");
    ASSERT_EQ(ExportByName(module, "Alpha"), alpha);
    ASSERT_EQ(ExportByOrdinal(module, 5), alpha);

    PageToggler toggler{base + 0x2000};
    const HANDLE thread = CreateThread(nullptr, 0, TogglePage, &toggler, 0, nullptr);
    ASSERT_TRUE(thread);
    int found = 0;
    for (int i = 0; i < 3000 || toggler.rounds < 100; ++i) {
        const std::string name = ExportNameOfAddress(module, base + 0x1010, false);
        EXPECT_TRUE(name.empty() || name == "Alpha") << name;
        const FARPROC routine = ExportByName(module, "Alpha");
        EXPECT_TRUE(!routine || routine == alpha);
        found += name == "Alpha";
    }
    InterlockedExchange(&toggler.stop, 1);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    std::printf("%d of the look-ups found the export, %ld protection rounds\n", found,
                static_cast<long>(toggler.rounds));

    DWORD old;
    ASSERT_TRUE(VirtualProtect(base + 0x2000, 0x1000, PAGE_NOACCESS, &old));
    EXPECT_EQ(ExportNameOfAddress(module, base + 0x1010, false), "");
    EXPECT_EQ(ExportByName(module, "Alpha"), nullptr);
    EXPECT_EQ(ExportByOrdinal(module, 5), nullptr);
    EXPECT_EQ(ImageDataDirectory(module, 0), base + 0x2000) << "the headers are still there";
    ASSERT_TRUE(VirtualFree(base + 0x2000, 0x1000, MEM_DECOMMIT));
    EXPECT_EQ(ExportNameOfAddress(module, base + 0x1010, false), "");
    ASSERT_TRUE(VirtualFree(base, 0, MEM_RELEASE));
    EXPECT_EQ(ExportNameOfAddress(module, base + 0x1010, false), "");
    EXPECT_EQ(ExportByName(module, "Alpha"), nullptr);
    EXPECT_EQ(ImageDataDirectory(module, 0), nullptr);
    EXPECT_TRUE(CopyImageHeaders(module).empty());
}

TEST(Tools, ModulesAndVersions) {
    HMODULE module = nullptr;
    std::string fileName;
    ASSERT_TRUE(ModuleFromAddress(reinterpret_cast<const void*>(&GetOsInfo), module, fileName));
    EXPECT_EQ(module, GetModuleHandleA(nullptr));
    EXPECT_NE(fileName.find("tools_test.exe"), std::string::npos) << fileName;
    int onStack = 0;
    EXPECT_FALSE(ModuleFromAddress(&onStack, module, fileName));
    EXPECT_FALSE(ModuleFromAddress(nullptr, module, fileName));

    char kernel32[MAX_PATH];
    GetModuleFileNameA(GetModuleHandleA("kernel32.dll"), kernel32, MAX_PATH);
    const uint64_t version = GetFileVersionNumber(kernel32);
    EXPECT_NE(version, 0u);
    const std::string text = FileVersionText(version);
    EXPECT_EQ(std::count(text.begin(), text.end(), '.'), 3) << text;
    EXPECT_EQ(GetFileVersionNumber(fileName), 0u); // the test has no version resource
    EXPECT_EQ(GetFileVersionNumber("C:\\no\\such\\file.dll"), 0u);
    EXPECT_EQ(FreeSystemResources(0), 0);
    EXPECT_LT(TickDelta(GetTickCount()), 1000u);
}

namespace {

struct Counter {
    int base;
    static int __stdcall Add(Counter* self, int tens, int ones) { return self->base + tens * 10 + ones; }
};

} // namespace

TEST(Tools, MethodStubInsertsTheObject) {
    Counter counter{100};
    const MethodStub stub = MakeMethodStub(&counter, reinterpret_cast<const void*>(&Counter::Add));
    ASSERT_TRUE(stub.code());
    const auto call = reinterpret_cast<int(__stdcall*)(int, int)>(stub.code());
    // Called twice in a row: a stub that left the stack unbalanced would corrupt the second call.
    EXPECT_EQ(call(2, 3), 123);
    EXPECT_EQ(call(4, 5), 145);
    MethodStub moved = MakeMethodStub(&counter, reinterpret_cast<const void*>(&Counter::Add));
    moved = MakeMethodStub(&counter, reinterpret_cast<const void*>(&Counter::Add));
    EXPECT_TRUE(moved.code());
}
