// The decoder, analyser and listing over live memory of this process: crafted functions copied into
// executable memory, and every function of this test executable itself.
#include "crashreport/jovDisAsm.h"
#include "crashreport/jovDisAsmSafeRead.h"
#include "crashreport/jovLinkDisAsm.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace {

std::map<const void*, std::string> gSymbols;

bool LookUpSymbol(const void* address, std::string& name) {
    auto it = gSymbols.find(address);
    if (it == gSymbols.end()) return false;
    name = it->second;
    return true;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The crafted functions at the addresses they were linked for, in memory outside any module.
class CraftedLive : public ::testing::Test {
protected:
    static constexpr std::uintptr_t kReserve = 0x10000000, kCode = 0x10001000;

    void SetUp() override {
        const std::string base = std::string(OSTREL_TEST_DATA) + "/disasm/crafted";
        const std::vector<std::uint8_t> mem = ReadFile(base + ".mem");
        ASSERT_GT(mem.size(), 8u);
        std::uint32_t address = 0, size = 0;
        std::memcpy(&address, &mem[0], 4);
        std::memcpy(&size, &mem[4], 4);
        ASSERT_EQ(kCode, address);
        reserved_ = VirtualAlloc(reinterpret_cast<void*>(kReserve), 0x10000, MEM_RESERVE, PAGE_NOACCESS);
        ASSERT_NE(nullptr, reserved_) << "the crafted code's address range is taken";
        ASSERT_NE(nullptr,
                  VirtualAlloc(reinterpret_cast<void*>(kCode), size, MEM_COMMIT, PAGE_EXECUTE_READWRITE));
        std::memcpy(reinterpret_cast<void*>(kCode), &mem[8], size);
        std::ifstream symbols(base + ".sym");
        std::string line;
        while (std::getline(symbols, line)) {
            std::istringstream fields(line);
            std::uint32_t at = 0;
            std::string name;
            fields >> std::hex >> at >> name;
            gSymbols[reinterpret_cast<const void*>(static_cast<std::uintptr_t>(at))] = name;
            labels_[name] = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(at));
        }
        jov::SymbolNameProc = &LookUpSymbol;
    }
    void TearDown() override {
        jov::SymbolNameProc = nullptr;
        gSymbols.clear();
        if (reserved_) VirtualFree(reserved_, 0, MEM_RELEASE);
    }
    const void* At(const std::string& label) { return labels_[label]; }
    static std::uint32_t Address(const void* p) {
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
    }

    void* reserved_ = nullptr;
    std::map<std::string, const void*> labels_;
};

TEST_F(CraftedLive, Analyses) {
    jov::TFunctionInfo info;
    jov::AnalyseFunctionAt(At("f_halt"), info);
    ASSERT_TRUE(info.IsValid) << info.LastErrorStr;
    EXPECT_EQ(1u, info.CodeAreas.size()) << "the halt routine is known by its symbol name";

    jov::AnalyseFunctionAt(At("f_case_above"), info);
    ASSERT_TRUE(info.IsValid);
    EXPECT_EQ(1, std::count_if(info.CodeAreas.begin(), info.CodeAreas.end(),
                               [](const jov::TCodeArea& a) { return a.IsCaseTable; }));

    jov::AnalyseFunctionAt(At("f_thunk"), info);
    ASSERT_TRUE(info.IsValid);
    ASSERT_EQ(1u, info.FarCalls.size());
    EXPECT_EQ(0x77001234u, info.FarCalls[0].Target);

    jov::AnalyseFunctionAt(At("f_regcall"), info);
    ASSERT_EQ(1u, info.FarCalls.size());
    EXPECT_EQ(Address(At("f_halt")), info.FarCalls[0].Target);

    jov::AnalyseFunctionAt(At("f_bad"), info);
    EXPECT_FALSE(info.IsValid);
    EXPECT_EQ(0x00770001, info.LastErrorNo);
}

TEST_F(CraftedLive, UncommittedMemoryGivesError87) {
    jov::TFunctionInfo info;
    jov::AnalyseFunctionAt(reinterpret_cast<const void*>(kReserve + 0x8000), info);
    EXPECT_FALSE(info.IsValid);
    EXPECT_EQ(87, info.LastErrorNo);
    EXPECT_FALSE(info.LastErrorStr.empty());
}

TEST_F(CraftedLive, DecodesThroughTheSnapshot) {
    const jov::ReadableSnapshot snapshot = jov::TakeReadableSnapshot();
    ASSERT_TRUE(snapshot);
    const jov::TInstructionInfo ok = jov::DecodeInstructionChecked(At("f_halt"), snapshot.get());
    EXPECT_TRUE(ok.IsValid);
    EXPECT_FALSE(
        jov::DecodeInstructionChecked(reinterpret_cast<const void*>(kReserve), snapshot.get()).IsValid);
    std::string text;
    jov::TInstructionInfo info;
    jov::ComposeInstructionText(reinterpret_cast<const void*>(kReserve), text, nullptr, info, false);
    EXPECT_EQ("", text) << "nothing readable, no text";

    // jmp [cell] with the cell on a page of its own: readable memory, but a list that does not mark it
    // readable makes the jump invalid.
    constexpr std::uintptr_t thunk = kReserve + 0x3000, cell = kReserve + 0x4000;
    ASSERT_TRUE(VirtualAlloc(reinterpret_cast<void*>(thunk), 0x2000, MEM_COMMIT, PAGE_EXECUTE_READWRITE));
    const std::uint8_t jump[] = {0xFF, 0x25, 0x00, 0x40, 0x00, 0x10};
    std::memcpy(reinterpret_cast<void*>(thunk), jump, sizeof jump);
    *reinterpret_cast<std::uint32_t*>(cell) = 0x77001234;
    const jov::ReadableSnapshot withCell = jov::TakeReadableSnapshot();
    const jov::TInstructionInfo through =
        jov::DecodeInstructionChecked(reinterpret_cast<const void*>(thunk), withCell.get());
    ASSERT_TRUE(through.IsValid);
    EXPECT_EQ(0x77001234u, through.Target);
    const jov::TDATryRead withoutCell = {
        {0, cell, true}, {cell, cell + 0x1000, false}, {cell + 0x1000, 0x80000000u, true}};
    EXPECT_FALSE(jov::DecodeInstructionChecked(reinterpret_cast<const void*>(thunk), &withoutCell).IsValid);
}

// Code outside any image: a jump back into an earlier page of the same region stays inside the function.
TEST_F(CraftedLive, CodeRangeIsTheWholeRegion) {
    constexpr std::uintptr_t pages = kReserve + 0x6000, entry = pages + 0x1000;
    ASSERT_TRUE(VirtualAlloc(reinterpret_cast<void*>(pages), 0x2000, MEM_COMMIT, PAGE_EXECUTE_READWRITE));
    *reinterpret_cast<std::uint8_t*>(entry - 0x10) = 0xC3; // ret
    const std::uint8_t jumpBack[] = {0xE9, 0xEB, 0xFF, 0xFF, 0xFF};
    std::memcpy(reinterpret_cast<void*>(entry), jumpBack, sizeof jumpBack);
    jov::TFunctionInfo info;
    jov::AnalyseFunctionAt(reinterpret_cast<const void*>(entry), info);
    ASSERT_TRUE(info.IsValid) << info.LastErrorStr;
    EXPECT_TRUE(info.FarCalls.empty());
    EXPECT_EQ(2u, info.CodeAreas.size());
    EXPECT_EQ(entry - 0x10, info.CodeBegin);
}

TEST_F(CraftedLive, ParseFunctionIsTheLinkedDisassemblyRoutine) {
    jov::TDisassemblyProc disassemble = nullptr;
    jov::LinkDisassembler(disassemble);
    ASSERT_EQ(&jov::ParseFunction, disassemble);
    std::string text;
    jov::TFunctionInfo info;
    const auto* f = static_cast<const std::uint8_t*>(At("f_text"));
    disassemble(f, text, f + 3, 10, true, info);
    ASSERT_TRUE(info.IsValid);
    EXPECT_EQ(0u, text.find("10001" + text.substr(5, 3) + " public f_text:")) << text;
    EXPECT_NE(std::string::npos, text.find(" > mov     eax, [ebx+$10]\r\n")) << text;

    disassemble(At("f_bad"), text, At("f_bad"), 10, true, info);
    EXPECT_EQ("", text);
}

// The function symbols of this executable, from its COFF symbol table on disk.
struct FunctionSymbol {
    std::uintptr_t address;
    std::string name;
};

std::vector<FunctionSymbol> OwnFunctionSymbols() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::vector<std::uint8_t> file = ReadFile(path);
    const auto* base = reinterpret_cast<const std::uint8_t*>(GetModuleHandleA(nullptr));
    std::vector<FunctionSymbol> result;
    if (file.size() < 0x40) return result;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(file.data());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(file.data() + dos->e_lfanew);
    const auto* sections = IMAGE_FIRST_SECTION(nt);
    const std::size_t symbols = nt->FileHeader.PointerToSymbolTable, count = nt->FileHeader.NumberOfSymbols;
    const char* strings = reinterpret_cast<const char*>(file.data() + symbols + count * 18);
    for (std::size_t i = 0; i < count; ++i) {
        const auto* sym = reinterpret_cast<const IMAGE_SYMBOL*>(file.data() + symbols + i * 18);
        const int section = sym->SectionNumber;
        if (section > 0 && section <= nt->FileHeader.NumberOfSections) {
            std::string name = sym->N.Name.Short
                                   ? std::string(reinterpret_cast<const char*>(sym->N.ShortName),
                                                 strnlen(reinterpret_cast<const char*>(sym->N.ShortName), 8))
                                   : std::string(strings + sym->N.Name.Long);
            // Functions, and the split-off cold parts of functions: "f.cold", or in the runtime's
            // prebuilt libraries only a ".text.unlikely" section.
            if (name.starts_with(".text.unlikely")) name = ".cold";
            if (!ISFCN(sym->Type) && name.find(".cold") == std::string::npos) {
                i += sym->NumberOfAuxSymbols;
                continue;
            }
            result.push_back(
                {reinterpret_cast<std::uintptr_t>(base) + sections[section - 1].VirtualAddress + sym->Value,
                 name});
        }
        i += sym->NumberOfAuxSymbols;
    }
    // At one address a function's name wins over a cold-section marker.
    std::sort(result.begin(), result.end(), [](const FunctionSymbol& a, const FunctionSymbol& b) {
        return a.address != b.address ? a.address < b.address : (a.name == ".cold") < (b.name == ".cold");
    });
    result.erase(
        std::unique(result.begin(), result.end(),
                    [](const FunctionSymbol& a, const FunctionSymbol& b) { return a.address == b.address; }),
        result.end());
    return result;
}

TEST(DisasmLive, EveryFunctionOfThisExecutableAnalyses) {
    const std::vector<FunctionSymbol> functions = OwnFunctionSymbols();
    ASSERT_GT(functions.size(), 1000u);
    for (const FunctionSymbol& f : functions)
        if (f.name != ".cold") gSymbols[reinterpret_cast<const void*>(f.address)] = f.name;
    jov::SymbolNameProc = &LookUpSymbol;
    const jov::ReadableSnapshot snapshot = jov::TakeReadableSnapshot();
    int failures = 0, overruns = 0;
    for (std::size_t i = 0; i + 1 < functions.size(); ++i) {
        const std::string& name = functions[i].name;
        if (name.find(".cold") != std::string::npos) continue;
        std::vector<std::pair<std::uintptr_t, std::uintptr_t>> allowed{
            {functions[i].address, functions[i + 1].address}};
        for (std::size_t j = 0; j + 1 < functions.size(); ++j)
            if (functions[j].name == name + ".cold" || functions[j].name == ".cold")
                allowed.emplace_back(functions[j].address, functions[j + 1].address);
        jov::TFunctionInfo info;
        jov::AnalyseFunction(reinterpret_cast<const void*>(functions[i].address), snapshot.get(), info);
        bool inside = info.IsValid;
        for (const jov::TCodeArea& a : info.CodeAreas)
            inside = inside && std::any_of(allowed.begin(), allowed.end(), [&](const auto& r) {
                         return a.AreaBegin >= r.first && a.AreaEnd < r.second;
                     });
        // Without symbols of its own the analyser knows a routine that never returns only by name;
        // after a call of one that gcc found out about itself the walk runs on into what follows.
        if (!inside && info.IsValid) {
            ++overruns;
            continue;
        }
        if (!inside && ++failures <= 20)
            ADD_FAILURE() << name << " at " << std::hex << functions[i].address << ": valid " << info.IsValid
                          << " " << info.LastErrorStr << " at " << info.LastErrorAddr << ", code "
                          << info.CodeBegin << " + " << info.CodeLen << ", range end " << allowed[0].second;
    }
    jov::SymbolNameProc = nullptr;
    gSymbols.clear();
    EXPECT_EQ(0, failures) << "of " << functions.size();
    EXPECT_LT(overruns * 50, static_cast<int>(functions.size())) << overruns << " ran past their end";
    std::printf("%d functions analysed, %d ran past their end\n", static_cast<int>(functions.size()),
                overruns);
}

// Catch and clean-up code of this executable (gcc -O2) is reached only through the unwinder: the return
// address of a call made from inside it must lie in its function's analysed code, as the stack trace
// needs it.
const void* gReturnAddress = nullptr;

__attribute__((noinline)) void RecordReturnAddress() {
    gReturnAddress = __builtin_return_address(0);
    asm volatile("");
}

__attribute__((noinline)) void ThrowWhen(int x) {
    if (x) throw std::runtime_error("landing pad");
}

__attribute__((noinline)) int Catching(int x) {
    try {
        ThrowWhen(x);
    } catch (const std::exception&) {
        RecordReturnAddress();
        return 2;
    }
    return 1;
}

struct Cleaner {
    __attribute__((always_inline)) ~Cleaner() { RecordReturnAddress(); }
};

__attribute__((noinline)) int CleaningUp(int x) {
    Cleaner cleaner;
    ThrowWhen(x);
    return x;
}

TEST(DisasmLive, CatchAndCleanUpCodeIsTheFunctionsCode) {
    struct Case {
        const char* what;
        const void* function;
        void (*run)();
    } const cases[] = {
        {"catch", reinterpret_cast<const void*>(&Catching), [] { EXPECT_EQ(2, Catching(1)); }},
        {"clean-up", reinterpret_cast<const void*>(&CleaningUp),
         [] {
             try {
                 CleaningUp(1);
             } catch (const std::exception&) {
             }
         }},
    };
    for (const Case& c : cases) {
        gReturnAddress = nullptr;
        c.run();
        const auto inHandler = reinterpret_cast<std::uintptr_t>(gReturnAddress);
        ASSERT_NE(0u, inHandler) << c.what;
        jov::TFunctionInfo info;
        jov::AnalyseFunctionAt(c.function, info);
        ASSERT_TRUE(info.IsValid) << c.what << ": " << info.LastErrorStr;
        EXPECT_TRUE(std::any_of(
            info.CodeAreas.begin(), info.CodeAreas.end(),
            [&](const jov::TCodeArea& a) { return a.AreaBegin < inHandler && inHandler - 1 <= a.AreaEnd; }))
            << c.what << ": the call in the handler at " << std::hex << inHandler;
        EXPECT_TRUE(std::any_of(info.CodeAreas.begin(), info.CodeAreas.end(), [](const jov::TCodeArea& a) {
            return a.IsLandingPad;
        })) << c.what;
    }
}

} // namespace
