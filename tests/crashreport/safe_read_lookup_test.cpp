// The first safe read of a process looks its system routine up through the program's own export look-up:
// an export entry that a hooking tool changed in memory hands it no stranger's routine. A test program of
// its own, so that no read came before.
#include "crashreport/jovDisAsmSafeRead.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

using namespace jov;

TEST(SafeReadLookUp, AnExportEntryChangedInMemoryIsSeenThrough) {
    const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    ASSERT_TRUE(kernel32);
    auto* base = reinterpret_cast<std::uint8_t*>(kernel32);
    // Walked directly: the image tools read through the safe read, which would look its routine up now.
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const auto* directory = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(
        base + headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress);
    const auto* names = reinterpret_cast<const DWORD*>(base + directory->AddressOfNames);
    const auto* ordinals = reinterpret_cast<const WORD*>(base + directory->AddressOfNameOrdinals);
    DWORD* entry = nullptr;
    for (DWORD i = 0; i < directory->NumberOfNames && !entry; ++i)
        if (std::strcmp(reinterpret_cast<const char*>(base + names[i]), "ReadProcessMemory") == 0)
            entry = reinterpret_cast<DWORD*>(base + directory->AddressOfFunctions) + ordinals[i];
    ASSERT_TRUE(entry);

    DWORD protect = 0;
    ASSERT_TRUE(VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &protect));
    const DWORD original = *entry;
    *entry = 0x7FFFFFF0;
    const bool changed = GetProcAddress(kernel32, "ReadProcessMemory") != nullptr &&
                         GetProcAddress(kernel32, "ReadProcessMemory") ==
                             reinterpret_cast<FARPROC>(reinterpret_cast<std::uintptr_t>(base) + 0x7FFFFFF0);
    const int value = 1234;
    int copy = 0;
    const bool read = SafeReadMemory(&value, &copy, sizeof copy);
    *entry = original;
    VirtualProtect(entry, sizeof *entry, protect, &protect);

    ASSERT_TRUE(changed) << "the system's look-up hands out the changed entry";
    EXPECT_TRUE(read);
    EXPECT_EQ(1234, copy);
}
