#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>

#include "CompactWriter.h"
#include "crashreport/core/Td32Builder.h"
#include "crashreport/jovDisAsm.h"
#include "crashreport/jovMapFile.h"

namespace {

volatile int sink;

constexpr uint32_t kLookedUpLine = __LINE__ + 1;
__attribute__((noinline)) int LookedUpFunction(int x) {
    sink = x;
    return sink * 3;
}

__attribute__((noinline)) uintptr_t ReturnAddress() {
    return reinterpret_cast<uintptr_t>(__builtin_return_address(0));
}

// The call must stay on the line it records.
// clang-format off
__attribute__((noinline)) uintptr_t CallSiteAddress(uint32_t& line) {
    line = __LINE__; const uintptr_t at = ReturnAddress();
    sink = sink + 1;
    return at;
}
// clang-format on

TEST(MapFile, OwnResourceNamesOwnFunctionUnitAndLine) {
    const auto address = reinterpret_cast<uintptr_t>(&LookedUpFunction);
    jov::AddressInfo info;
    ASSERT_TRUE(jov::GetAddressInfo(address, info));
    EXPECT_EQ(info.unitName, "mapfile_test");
    EXPECT_EQ(info.publicName, "LookedUpFunction"); // as a trace names it
    EXPECT_EQ(info.publicAddress, address);
    EXPECT_EQ(info.line, kLookedUpLine);
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    EXPECT_STRCASEEQ(info.moduleFileName.c_str(), self);

    // Inside a function: the return address less one lies in the calling line.
    uint32_t callLine = 0;
    const uintptr_t returnAddress = CallSiteAddress(callLine);
    ASSERT_TRUE(jov::GetAddressInfo(returnAddress - 1, info));
    EXPECT_EQ(info.line, callLine);
    EXPECT_EQ(info.publicName, "CallSiteAddress");

    EXPECT_EQ(jov::SymbolNameAtAddress(address), "LookedUpFunction");
    EXPECT_EQ(jov::SymbolNameAtAddress(address + 1), "");
    EXPECT_FALSE(jov::GetAddressInfo(0, info));
}

TEST(MapFile, DisassemblyOfOwnCodeCarriesItsNameAndLines) {
    std::string text;
    jov::TFunctionInfo info;
    jov::ParseFunction(reinterpret_cast<const void*>(&LookedUpFunction), text, nullptr, 0, true, info);
    ASSERT_TRUE(info.IsValid) << text;
    EXPECT_NE(text.find("public LookedUpFunction:"), std::string::npos) << text;
    // The line column numbers the function's own source lines.
    EXPECT_NE(text.find(" " + std::to_string(kLookedUpLine) + " "), std::string::npos) << text;
}

TEST(MapFile, OwnTableIsCachedAndShared) {
    const auto first = jov::MapFileForAddress(0);
    ASSERT_TRUE(first->valid);
    EXPECT_EQ(jov::MapFileForAddress(reinterpret_cast<uintptr_t>(&LookedUpFunction)), first);
    EXPECT_GT(first->publics.size(), 100u);
    EXPECT_NE(first->entryPoint, 0u);
}

TEST(MapFile, LineCallbackKeepsItsRange) {
    const auto address = reinterpret_cast<uintptr_t>(&LookedUpFunction);
    uint32_t line = 0;
    uintptr_t begin = 0, end = 0;
    jov::SymbolLineOfAddress(address, line, begin, end);
    EXPECT_EQ(line, kLookedUpLine);
    EXPECT_EQ(begin, address);
    EXPECT_GT(end, address);
    line = 12345;
    jov::SymbolLineOfAddress(end - 1, line, begin, end);
    EXPECT_EQ(line, 12345u); // still inside the remembered range: unchanged
}

std::string HelperFolder() {
    char self[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string folder(self, n);
    return folder.substr(0, folder.find_last_of('\\') + 1) + "mapfile_helper\\";
}

void WriteText(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary | std::ios::trunc) << text;
}

// Symbols of the helper's one function, which starts `offset` bytes into its code.
std::string OneFunctionSymbols(uint32_t offset) {
    symdata::SymbolData data;
    data.segments = {{0, offset + 0x100, "helper"}};
    data.publics = {{"MapFileHelperFunction", offset}};
    data.lines = {{3, offset}};
    return symdata::WriteCompactSymbols(data);
}

class HelperModule : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = HelperFolder();
        DeleteFileA((folder_ + "mapfile_helper.map").c_str());
        DeleteFileA((folder_ + "mapfile_helper.jov").c_str());
        DeleteFileA((folder_ + "mapfile_helper.tds").c_str());
        jov::FreeSymbolTableCache();
        module_ = LoadLibraryA((folder_ + "mapfile_helper.dll").c_str());
        ASSERT_NE(module_, nullptr);
        function_ = reinterpret_cast<uintptr_t>(GetProcAddress(module_, "MapFileHelperFunction"));
        ASSERT_NE(function_, 0u);
    }
    void TearDown() override {
        jov::FreeSymbolTableCache();
        if (module_) FreeLibrary(module_);
        DeleteFileA((folder_ + "mapfile_helper.map").c_str());
        DeleteFileA((folder_ + "mapfile_helper.jov").c_str());
        DeleteFileA((folder_ + "mapfile_helper.tds").c_str());
    }
    uint32_t codeOffset() const {
        const auto table = jov::MapFileForAddress(function_);
        return uint32_t(function_ - table->codeBegin);
    }

    std::string folder_;
    HMODULE module_ = nullptr;
    uintptr_t function_ = 0;
};

TEST_F(HelperModule, WithoutSymbolsTheTableIsInvalid) {
    const auto table = jov::MapFileForAddress(function_);
    EXPECT_FALSE(table->valid);
    EXPECT_NE(table->codeBegin, 0u); // the ranges come from the headers all the same
    jov::AddressInfo info;
    EXPECT_FALSE(jov::GetAddressInfo(function_, info));
    EXPECT_FALSE(table->FindPublic(function_).valid);
    EXPECT_EQ(jov::SymbolNameAtAddress(function_), "");
}

TEST_F(HelperModule, CompactFileBesideIsReadAndFoundAgain) {
    const uint32_t offset = codeOffset();
    jov::FreeSymbolTableCache();
    WriteText(folder_ + "mapfile_helper.jov", OneFunctionSymbols(offset));

    const auto table = jov::MapFileForAddress(function_);
    ASSERT_TRUE(table->valid);
    EXPECT_STRCASEEQ(table->symbolFileName.c_str(), (folder_ + "mapfile_helper.jov").c_str());
    jov::AddressInfo info;
    ASSERT_TRUE(jov::GetAddressInfo(function_, info));
    EXPECT_EQ(info.publicName, "MapFileHelperFunction");
    EXPECT_EQ(info.unitName, "helper");
    EXPECT_EQ(info.line, 3u);
    // Found again, not rebuilt, although the symbol file is not the module file.
    EXPECT_EQ(jov::MapFileForAddress(function_), table);
}

TEST_F(HelperModule, ASymbolFilePlacedLaterIsRead) {
    const auto without = jov::MapFileForAddress(function_);
    EXPECT_FALSE(without->valid);
    WriteText(folder_ + "mapfile_helper.jov", OneFunctionSymbols(uint32_t(function_ - without->codeBegin)));
    const auto table = jov::MapFileForAddress(function_);
    ASSERT_TRUE(table->valid);
    jov::AddressInfo info;
    ASSERT_TRUE(jov::GetAddressInfo(function_, info));
    EXPECT_EQ(info.publicName, "MapFileHelperFunction");
}

// A character of the ANSI code page whose byte there differs from the low byte of its UTF-16 unit.
wchar_t CharacterBeyondLatin1() {
    for (wchar_t candidate : {L'\u20ac', L'\u0416', L'\u03a9', L'\u05d0', L'\u0e01', L'\u3042'}) {
        char bytes[4];
        BOOL lossy = FALSE;
        const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &candidate, 1, bytes, sizeof bytes,
                                          nullptr, &lossy);
        if (n == 1 && !lossy && static_cast<unsigned char>(bytes[0]) != (candidate & 0xFF)) return candidate;
    }
    return 0;
}

TEST_F(HelperModule, ASymbolFileInAFolderBeyondLatin1IsFound) {
    const wchar_t character = CharacterBeyondLatin1();
    ASSERT_NE(character, 0) << "the ANSI code page holds none of the characters tried";
    wchar_t helper[MAX_PATH];
    ASSERT_TRUE(GetModuleFileNameW(module_, helper, MAX_PATH));
    std::wstring folder = helper;
    folder = folder.substr(0, folder.find_last_of(L'\\') + 1) + L"sym" + character + L"bols";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring copy = folder + L"\\mapfile_helper_copy.dll";
    ASSERT_TRUE(CopyFileW(helper, copy.c_str(), FALSE));
    HMODULE module = LoadLibraryW(copy.c_str());
    ASSERT_NE(module, nullptr);
    const auto function = reinterpret_cast<uintptr_t>(GetProcAddress(module, "MapFileHelperFunction"));
    char ansi[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, ansi, MAX_PATH);
    const std::string name(ansi, length);
    const auto without = jov::MapFileForAddress(function);
    EXPECT_EQ(without->moduleFileName, name);
    const std::string jov = name.substr(0, name.rfind('.')) + ".jov";
    WriteText(jov, OneFunctionSymbols(uint32_t(function - without->codeBegin)));
    EXPECT_TRUE(jov::MapFileForAddress(function)->valid);
    jov::FreeSymbolTableCache();
    FreeLibrary(module);
    DeleteFileA(jov.c_str());
    DeleteFileW(copy.c_str());
    RemoveDirectoryW(folder.c_str());
}

// Debug information in a ".tds" file beside the module comes before a ".map" file beside it.
TEST_F(HelperModule, TdsFileBesideWinsOverMapFile) {
    const uint32_t offset = codeOffset();
    td32test::Td32Builder td32;
    td32.name("helper.cpp");            // 1
    td32.name("MapFileHelperFunction"); // 2
    td32.subsection(0x120, td32test::Td32Builder::module(1, {{1, 0, offset + 0x100}}));
    std::vector<uint8_t> globals(32, 0);
    td32test::Td32Builder::procedure(globals, 0x205, offset, 2);
    td32.subsection(0x129, globals);
    td32.subsection(0x127, td32test::Td32Builder::lines({{offset, 3}}));
    const std::vector<uint8_t> bytes = td32.build();
    WriteText(folder_ + "mapfile_helper.tds", std::string(bytes.begin(), bytes.end()));
    WriteText(folder_ + "mapfile_helper.map", ""); // valid, and empty: it would name nothing
    jov::AddressInfo info;
    ASSERT_TRUE(jov::GetAddressInfo(function_, info));
    EXPECT_EQ(info.publicName, "MapFileHelperFunction");
    EXPECT_EQ(info.unitName, "helper");
    EXPECT_EQ(info.line, 3u);
}

TEST_F(HelperModule, MapFileBesideWinsAndMayBeEmpty) {
    WriteText(folder_ + "mapfile_helper.jov", symdata::WriteCompactSymbols({}));
    // GNU ld's own map of this test (what the build writes as .ld-map) holds no section this reader knows.
    std::ifstream ldMap(folder_ + "..\\symbols\\mapfile_test.ld-map", std::ios::binary);
    ASSERT_TRUE(ldMap);
    std::ostringstream text;
    text << ldMap.rdbuf();
    ASSERT_GT(text.str().size(), 1000u);
    WriteText(folder_ + "mapfile_helper.map", text.str());
    const auto table = jov::MapFileForAddress(function_);
    EXPECT_TRUE(table->valid);
    EXPECT_TRUE(table->segments.empty() && table->publics.empty() && table->lines.empty());
    EXPECT_STRCASEEQ(table->symbolFileName.c_str(), (folder_ + "mapfile_helper.map").c_str());
}

TEST_F(HelperModule, ChangedSymbolFileIsReadAgain) {
    const std::string map = folder_ + "mapfile_helper.map";
    WriteText(map, "");
    const auto first = jov::MapFileForAddress(function_);
    ASSERT_TRUE(first->valid);
    // A later write time, two seconds on (DOS times count in steps of two).
    HANDLE file = CreateFileA(map.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME time;
    GetFileTime(file, nullptr, nullptr, &time);
    ULARGE_INTEGER t{{time.dwLowDateTime, time.dwHighDateTime}};
    t.QuadPart += 40000000;
    time = {t.LowPart, t.HighPart};
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
    const auto second = jov::MapFileForAddress(function_);
    EXPECT_TRUE(second->valid);
    EXPECT_NE(second, first);
    EXPECT_EQ(jov::MapFileForAddress(function_), second);
}

} // namespace
