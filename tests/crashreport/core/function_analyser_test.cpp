#include "crashreport/core/FunctionAnalyser.h"
#include "crashreport/core/TestCodeEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

using core::Address;
using core::TCodeArea;
using core::TFunctionInfo;

namespace {

class Crafted : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(env.Load("crafted")); }

    TFunctionInfo Analyse(const char* function) {
        const Address entry = env.Symbol(function);
        EXPECT_NE(0u, entry) << function;
        TFunctionInfo info;
        core::AnalyseFunction(env, entry, info);
        return info;
    }
    Address At(const char* label) { return env.Symbol(label); }

    static std::vector<TCodeArea> Sorted(const TFunctionInfo& info) {
        std::vector<TCodeArea> areas = info.CodeAreas;
        std::sort(areas.begin(), areas.end(),
                  [](const TCodeArea& a, const TCodeArea& b) { return a.AreaBegin < b.AreaBegin; });
        return areas;
    }
    static bool Covers(const TFunctionInfo& info, Address address) {
        return std::any_of(info.CodeAreas.begin(), info.CodeAreas.end(), [&](const TCodeArea& a) {
            return a.AreaBegin <= address && address <= a.AreaEnd;
        });
    }

    TestCodeEnvironment env;
};

TEST_F(Crafted, HaltCallEndsThePath) {
    const TFunctionInfo info = Analyse("f_halt");
    ASSERT_TRUE(info.IsValid) << info.LastErrorStr;
    ASSERT_EQ(1u, info.CodeAreas.size());
    EXPECT_EQ(At("_exit") - 2, info.CodeAreas[0].AreaEnd + 1) << "ends after the call, before the garbage";
    ASSERT_EQ(1u, info.FarCalls.size());
    EXPECT_EQ(At("_exit"), info.FarCalls[0].Target);
    EXPECT_TRUE(info.SizeInfo.Started);
    EXPECT_EQ(info.CodeLen + 4, info.SizeInfo.Size);
}

TEST_F(Crafted, Ud2EndsAPathWithoutFailing) {
    const TFunctionInfo info = Analyse("f_ud2");
    EXPECT_TRUE(info.IsValid) << info.LastErrorStr;
    EXPECT_EQ(At("f_bad") - At("f_ud2"), static_cast<Address>(info.CodeLen));
}

TEST_F(Crafted, InvalidCodeFails) {
    const TFunctionInfo info = Analyse("f_bad");
    EXPECT_FALSE(info.IsValid);
    EXPECT_EQ(core::kErrorInvalidCode, info.LastErrorNo);
    EXPECT_EQ("Invalid code!", info.LastErrorStr);
    EXPECT_EQ(At("f_case_above"), info.LastErrorAddr) << "where decoding of FF FF stopped";
}

TEST_F(Crafted, UncommittedEntryFailsWithError87) {
    TFunctionInfo info;
    core::AnalyseFunction(env, 0x20000000, info);
    EXPECT_FALSE(info.IsValid);
    EXPECT_EQ(87, info.LastErrorNo);
    EXPECT_EQ(0x20000000u, info.LastErrorAddr);
    EXPECT_EQ("system text 87", info.LastErrorStr);
}

TEST_F(Crafted, CaseTables) {
    struct Expect {
        const char* function;
        int entries;
        bool tableInFunction;
    } const cases[] = {{"f_case_above", 4, true}, {"f_case_ae", 3, true}, {"f_case_far", 2, false}};
    for (const Expect& c : cases) {
        const TFunctionInfo info = Analyse(c.function);
        ASSERT_TRUE(info.IsValid) << c.function << ": " << info.LastErrorStr;
        const auto tables = std::count_if(info.CodeAreas.begin(), info.CodeAreas.end(),
                                          [](const TCodeArea& a) { return a.IsCaseTable; });
        EXPECT_EQ(c.tableInFunction ? 1 : 0, tables) << c.function;
        const auto sourced =
            std::count_if(info.CodeAreas.begin(), info.CodeAreas.end(),
                          [&](const TCodeArea& a) { return a.JumpSource && !a.IsCaseTable; });
        // Every table entry is an area with the jump as source, plus the ja/jae target (which for
        // f_case_far is also an entry).
        EXPECT_EQ(c.entries + (c.tableInFunction ? 1 : 0), sourced) << c.function;
        for (const TCodeArea& a : info.CodeAreas) {
            if (a.IsCaseTable) {
                EXPECT_EQ(static_cast<Address>(c.entries * 4 - 1), a.AreaEnd - a.AreaBegin) << c.function;
            }
        }
        EXPECT_TRUE(info.UnknownTargets.empty()) << c.function;
    }
    const TFunctionInfo far = Analyse("f_case_far");
    EXPECT_EQ(At("f_split"), far.CodeBegin + far.CodeLen) << "the third entry lies outside the code";
}

// Every bound test the detector knows: above and greater take the constant + 1 entries, above-or-equal
// and greater-or-equal the constant, in short and long form.
TEST_F(Crafted, CaseTableBounds) {
    const Address at = At("f_long");
    struct Case {
        std::vector<std::uint8_t> jump; // to the ret after the table, patched below
        std::uint32_t entries;
    } const cases[] = {{{0x77, 0}, 4},
                       {{0x7F, 0}, 4},
                       {{0x73, 0}, 3},
                       {{0x7D, 0}, 3},
                       {{0x0F, 0x87, 0, 0, 0, 0}, 4},
                       {{0x0F, 0x8F, 0, 0, 0, 0}, 4},
                       {{0x0F, 0x83, 0, 0, 0, 0}, 3},
                       {{0x0F, 0x8D, 0, 0, 0, 0}, 3}};
    for (const Case& c : cases) {
        // cmp eax, 3; jcc out; jmp [eax*4+table]; table of 4; ret x4; out: ret
        std::vector<std::uint8_t> code{0x83, 0xF8, 0x03};
        code.insert(code.end(), c.jump.begin(), c.jump.end());
        const Address table = at + static_cast<Address>(code.size()) + 7, rets = table + 16;
        code.insert(code.end(), {0xFF, 0x24, 0x85});
        for (int i = 0; i < 4; ++i) code.push_back(std::uint8_t(table >> (8 * i)));
        for (Address entry = rets; entry < rets + 4; ++entry)
            for (int i = 0; i < 4; ++i) code.push_back(std::uint8_t(entry >> (8 * i)));
        code.insert(code.end(), {0xC3, 0xC3, 0xC3, 0xC3, 0xC3});
        const std::int32_t out = static_cast<std::int32_t>(rets + 4 - (at + 3 + c.jump.size()));
        std::memcpy(&code[3 + c.jump.size() - (c.jump.size() == 2 ? 1 : 4)], &out,
                    c.jump.size() == 2 ? 1 : 4);
        env.Memory().Place(at, code);
        TFunctionInfo info;
        core::AnalyseFunction(env, at, info);
        ASSERT_TRUE(info.IsValid) << std::hex << int(c.jump[c.jump.size() == 2 ? 0 : 1]);
        const auto tables = std::find_if(info.CodeAreas.begin(), info.CodeAreas.end(),
                                         [](const TCodeArea& a) { return a.IsCaseTable; });
        ASSERT_NE(info.CodeAreas.end(), tables);
        EXPECT_EQ(table + c.entries * 4 - 1, tables->AreaEnd) << std::hex << int(c.jump.back());
        EXPECT_EQ(c.entries == 4, Covers(info, rets + 3)) << "the fourth entry";
    }
}

// Code that only the gap step reaches is invalid: the areas it added go, and the analysis fails.
TEST_F(Crafted, GapWalkIntoInvalidCodeFails) {
    const Address at = At("f_long");
    // test eax, eax; jz +4; jmp ecx; (gap) FF FF; ret
    env.Memory().Place(at, {0x85, 0xC0, 0x74, 0x04, 0xFF, 0xE1, 0xFF, 0xFF, 0xC3});
    TFunctionInfo info;
    core::AnalyseFunction(env, at, info);
    EXPECT_FALSE(info.IsValid);
    EXPECT_EQ(core::kErrorInvalidCode, info.LastErrorNo);
    EXPECT_FALSE(Covers(info, at + 6));
}

TEST_F(Crafted, SplitsAndMerges) {
    TFunctionInfo info = Analyse("f_split");
    ASSERT_TRUE(info.IsValid);
    std::vector<TCodeArea> areas = Sorted(info);
    ASSERT_EQ(2u, areas.size()) << "the loop head is split off the entry's area";
    EXPECT_EQ(At("f_split") + 4, areas[0].AreaEnd + 1);
    EXPECT_EQ(At("f_split") + 4, areas[1].AreaBegin);
    EXPECT_EQ(At("f_split") + 5, areas[1].JumpSource) << "the jnz";
    EXPECT_EQ(At("f_merge") - 1, areas[1].AreaEnd);

    info = Analyse("f_merge");
    ASSERT_TRUE(info.IsValid);
    const Address label = At("f_gap_near") - 1;
    EXPECT_EQ(1, std::count_if(info.CodeAreas.begin(), info.CodeAreas.end(),
                               [&](const TCodeArea& a) { return a.AreaBegin == label; }));
}

TEST_F(Crafted, GapSteps) {
    TFunctionInfo info = Analyse("f_gap_near");
    ASSERT_TRUE(info.IsValid) << info.LastErrorStr;
    EXPECT_TRUE(Covers(info, At("hidden_near")));
    ASSERT_EQ(1u, info.UnknownTargets.size());
    EXPECT_FALSE(info.UnknownTargets[0].IsCall);

    info = Analyse("f_gap_far");
    ASSERT_TRUE(info.IsValid) << info.LastErrorStr;
    EXPECT_FALSE(Covers(info, At("hidden_far"))) << "rest lies 1024 bytes or more beyond the gap";

    info = Analyse("f_nogap");
    ASSERT_TRUE(info.IsValid);
    EXPECT_FALSE(Covers(info, At("hidden_none"))) << "no unknown jump, no gap step";
}

TEST_F(Crafted, FarCallsAndThunks) {
    TFunctionInfo info = Analyse("f_thunk");
    ASSERT_TRUE(info.IsValid);
    ASSERT_EQ(1u, info.FarCalls.size()) << "a call with a 32-bit displacement is not walked";
    EXPECT_EQ(0x77001234u, info.FarCalls[0].Target) << "one thunk is followed";
    EXPECT_FALSE(Covers(info, At("thunk")));

    env.exported.insert(At("thunk"));
    info = Analyse("f_thunk");
    EXPECT_EQ(At("thunk"), info.FarCalls[0].Target) << "an exported thunk keeps its own name";

    info = Analyse("f_regcall");
    ASSERT_TRUE(info.IsValid);
    ASSERT_EQ(1u, info.FarCalls.size());
    EXPECT_EQ(At("f_halt"), info.FarCalls[0].Target);
    EXPECT_EQ(At("f_regcall") + 1, info.FarCalls[0].TargetField) << "the mov's immediate";
    EXPECT_TRUE(info.UnknownTargets.empty());

    info = Analyse("f_tail");
    ASSERT_TRUE(info.IsValid);
    ASSERT_EQ(1u, info.FarCalls.size());
    EXPECT_FALSE(info.FarCalls[0].IsCall);
    EXPECT_EQ(At("f_merge"), info.FarCalls[0].Target);
    EXPECT_EQ(At("f_short_entry") - At("f_tail"), static_cast<Address>(info.CodeLen));
}

// A callee may change eax, ecx and edx: what a register held before a call resolves nothing after it,
// while ebx, esi, edi and ebp keep their values across it.
TEST_F(Crafted, RegistersAcrossCalls) {
    const Address at = At("f_long"), data = at + 0x20, callee = At("f_merge"), routine = At("f_halt");
    auto le = [](Address v) {
        return std::vector<std::uint8_t>{std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16),
                                         std::uint8_t(v >> 24)};
    };
    // mov reg, constant; call callee; then the transfer through reg; ret
    auto code = [&](std::uint8_t mov, Address constant, std::vector<std::uint8_t> transfer) {
        std::vector<std::uint8_t> bytes{mov};
        for (auto b : le(constant)) bytes.push_back(b);
        bytes.push_back(0xE8);
        for (auto b : le(callee - (at + 10))) bytes.push_back(b);
        bytes.insert(bytes.end(), transfer.begin(), transfer.end());
        bytes.push_back(0xC3);
        bytes.resize(data - at, 0xCC);
        bytes.insert(bytes.end(), {0xFF, 0xFF, 0xFF, 0xFF}); // data, no code
        return bytes;
    };
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        Address resolved; // far call target through the register, 0 when it stays unknown
    } const cases[] = {
        {"mov eax, data; call; jmp eax", code(0xB8, data, {0xFF, 0xE0}), 0},
        {"mov eax, routine; call; call eax", code(0xB8, routine, {0xFF, 0xD0}), 0},
        {"mov edx, routine; call; call edx", code(0xBA, routine, {0xFF, 0xD2}), 0},
        {"mov ebx, routine; call; call ebx", code(0xBB, routine, {0xFF, 0xD3}), routine},
        {"mov esi, routine; call; jmp esi", code(0xBE, routine, {0xFF, 0xE6}), routine},
    };
    for (const Case& c : cases) {
        env.Memory().Place(at, c.bytes);
        TFunctionInfo info;
        core::AnalyseFunction(env, at, info);
        ASSERT_TRUE(info.IsValid) << c.what << ": " << info.LastErrorStr;
        EXPECT_FALSE(Covers(info, data)) << c.what;
        std::vector<Address> targets;
        for (const core::TFarCall& f : info.FarCalls) targets.push_back(f.Target);
        std::vector<Address> expected{callee};
        if (c.resolved) expected.push_back(c.resolved);
        EXPECT_EQ(expected, targets) << c.what;
        EXPECT_EQ(c.resolved ? 0u : 1u, info.UnknownTargets.size()) << c.what;
    }
}

TEST_F(Crafted, ExceptionFrameHandlerIsAnArea) {
    const TFunctionInfo info = Analyse("f_seh");
    ASSERT_TRUE(info.IsValid);
    EXPECT_TRUE(Covers(info, At("f_text") - 6)) << "mov eax, 1 of the handler";
}

TEST_F(Crafted, Interceptable) {
    EXPECT_FALSE(Analyse("f_short_entry").Interceptable);
    EXPECT_TRUE(Analyse("f_tail").Interceptable);
    EXPECT_FALSE(Analyse("f_split").Interceptable) << "a jump enters the chain before 6 bytes";
    EXPECT_TRUE(Analyse("f_long").Interceptable);
}

// try/catch and destructor clean-up code of gcc -O2: the handlers and their ".cold" parts are reached only
// through the landing pads of the unwind tables.
class Landing : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(env.Load("landing")); }

    // The bytes [from, to) hold no byte outside the analysed areas.
    static bool CoversAll(const TFunctionInfo& info, Address from, Address to) {
        for (Address at = from; at < to; ++at)
            if (!std::any_of(info.CodeAreas.begin(), info.CodeAreas.end(),
                             [&](const TCodeArea& a) { return a.AreaBegin <= at && at <= a.AreaEnd; }))
                return false;
        return true;
    }
    std::vector<Address> PadsOf(const TFunctionInfo& info) {
        std::vector<Address> pads;
        for (const TCodeArea& a : info.CodeAreas)
            if (a.IsLandingPad) pads.push_back(a.AreaBegin);
        std::sort(pads.begin(), pads.end());
        return pads;
    }

    TestCodeEnvironment env;
};

TEST_F(Landing, HandlersAndColdPartsAreTheFunctionsCode) {
    struct Expect {
        const char* function;
        Address coldLength;
        std::vector<Address> pads; // offsets from the function, then from its .cold part
        std::vector<Address> coldPads;
    } const cases[] = {
        {"__Z9catch_onei", 0x73, {0x1C}, {0x55, 0x64}},
        {"__Z9catch_alli", 0x26, {0x24}, {0x17}},
        {"__Z8clean_upi", 0x18, {0x46, 0x4D}, {}},
    };
    for (const Expect& c : cases) {
        const std::string name = c.function;
        const Address entry = env.Symbol(name), cold = env.Symbol(name + ".cold");
        ASSERT_NE(0u, cold) << name;
        TFunctionInfo info;
        core::AnalyseFunction(env, entry, info);
        ASSERT_TRUE(info.IsValid) << name << ": " << info.LastErrorStr;
        std::vector<Address> expected;
        for (Address pad : c.pads) expected.push_back(entry + pad);
        for (Address pad : c.coldPads) expected.push_back(cold + pad);
        EXPECT_EQ(expected, PadsOf(info)) << name;
        const Address coldEnd = cold + c.coldLength;
        EXPECT_TRUE(CoversAll(info, cold, coldEnd)) << name << ": the whole .cold part";
        for (const TCodeArea& a : info.CodeAreas)
            EXPECT_TRUE((a.AreaBegin >= entry && a.AreaEnd < env.Symbol("__Z5Raisei")) ||
                        (a.AreaBegin >= cold && a.AreaEnd < coldEnd))
                << name << " area at " << std::hex << a.AreaBegin;
        EXPECT_TRUE(std::none_of(info.CodeAreas.begin(), info.CodeAreas.end(),
                                 [](const TCodeArea& a) { return a.IsLandingPad && a.JumpSource; }));
    }
}

TEST_F(Landing, WithoutUnwindTablesTheHandlersStayUnknown) {
    TFunctionInfo info;
    core::AnalyseFunction(env, env.Symbol("__Z9catch_onei"), info);
    ASSERT_TRUE(info.IsValid);
    EXPECT_TRUE(CoversAll(info, env.Symbol("__Z9catch_onei.cold"), env.Symbol("__Z9catch_alli.cold")));

    TestCodeEnvironment bare;
    ASSERT_TRUE(bare.Load("landing"));
    bare.Memory().Place(bare.Symbol(".eh_frame"), {0, 0, 0, 0}); // the terminator alone
    core::AnalyseFunction(bare, bare.Symbol("__Z9catch_onei"), info);
    ASSERT_TRUE(info.IsValid);
    EXPECT_TRUE(PadsOf(info).empty());
    EXPECT_FALSE(CoversAll(info, bare.Symbol("__Z9catch_onei.cold"), bare.Symbol("__Z9catch_onei.cold") + 1));
}

TEST_F(Crafted, InterceptableNeedsSixBytesAndFullSizeTransfers) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> code;
        bool interceptable;
    } const cases[] = {
        {"5 bytes: xor, inc, inc, ret", {0x31, 0xC0, 0x40, 0x40, 0xC3}, false},
        {"6 bytes", {0x31, 0xC0, 0x40, 0x40, 0x40, 0xC3}, true},
        {"call with a 16-bit displacement", {0x31, 0xC0, 0x66, 0xE8, 0, 0, 0xC3}, false},
        {"call with a 32-bit displacement", {0x31, 0xC0, 0xE8, 0, 0, 0, 0, 0xC3}, true},
    };
    const Address at = At("f_long");
    for (const Case& c : cases) {
        env.Memory().Place(at, c.code);
        TFunctionInfo info;
        core::AnalyseFunction(env, at, info);
        ASSERT_TRUE(info.IsValid) << c.what;
        EXPECT_EQ(c.interceptable, info.Interceptable) << c.what;
    }
}

// Every function of the compiled slice analyses as valid and stays within its own symbol range (plus
// a ".cold" part of its own).
TEST(FunctionAnalyser, AcceptsEveryFunctionOfCompiledCode) {
    TestCodeEnvironment env(true);
    ASSERT_TRUE(env.Load("compiled"));
    std::vector<std::pair<Address, std::string>> functions;
    for (const auto& [address, name] : env.Names())
        if (address < env.CodeEnd() && (functions.empty() || functions.back().first != address))
            functions.emplace_back(address, name);
    auto rangeOf = [&](std::size_t i) {
        const Address end = i + 1 < functions.size() ? functions[i + 1].first : env.CodeEnd();
        return std::make_pair(functions[i].first, end);
    };
    int analysed = 0, failures = 0;
    for (std::size_t i = 0; i + 1 < functions.size(); ++i) {
        const std::string& name = functions[i].second;
        if (name.find(".cold") != std::string::npos) continue;
        std::vector<std::pair<Address, Address>> allowed{rangeOf(i)};
        for (std::size_t j = 0; j < functions.size(); ++j)
            if (functions[j].second == name + ".cold") allowed.push_back(rangeOf(j));
        TFunctionInfo info;
        core::AnalyseFunction(env, functions[i].first, info);
        ++analysed;
        bool inside = info.IsValid;
        for (const TCodeArea& a : info.CodeAreas)
            inside = inside && std::any_of(allowed.begin(), allowed.end(), [&](const auto& r) {
                         return a.AreaBegin >= r.first && a.AreaEnd < r.second;
                     });
        if (!inside && ++failures <= 20)
            ADD_FAILURE() << name << " at " << std::hex << functions[i].first << ": valid " << info.IsValid
                          << " " << info.LastErrorStr << " at " << info.LastErrorAddr << ", code "
                          << info.CodeBegin << " + " << info.CodeLen << ", range end " << allowed[0].second;
    }
    EXPECT_EQ(0, failures);
    EXPECT_GT(analysed, 400);
    std::printf("compiled code: %d functions analysed\n", analysed);
}

} // namespace

namespace {
TEST(FunctionAnalyser, NoReturnRoutineNames) {
    const std::pair<const char*, bool> cases[] = {
        {"ExitProcess", true},
        {"__imp__ExitProcess@4", true},
        {"_exit", true},
        {"__exit", true},
        {"_abort", true},
        {"___cxa_throw", true},
        {"__Unwind_Resume", true},
        {"__ZSt9terminatev", true},
        {"std::terminate()", true},
        {"__ZSt17__throw_bad_allocv", true},
        {"_ZSt20__throw_length_errorPKc", true},
        {"__ZN9__gnu_cxx26__throw_insufficient_spaceEPKcS1_", true},
        {"std::__throw_out_of_range", true},
        {"___report_error", true},
        {"RtlExitUserProcess", true},
        {"exit_handler", false},
        {"_ZSt4cout", false},
        {"__ZSt7nothrow", false},
        {"", false},
        {"abortive", false},
        {"_ZSt__throw_x", false},
    };
    for (const auto& [name, expected] : cases) EXPECT_EQ(expected, core::IsNoReturnRoutineName(name)) << name;
}
} // namespace
