#include "crashreport/core/DisasmText.h"
#include "crashreport/core/TestCodeEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <sstream>

using core::Address;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(text.substr(start, at - start));
    lines.push_back(text.substr(start));
    return lines;
}

// Instructions outside any module: no comments, only the text of the instruction itself.
TEST(DisasmText, InstructionLines) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        const char* text;
    } const cases[] = {
        {{0x8B, 0x43, 0x08}, "mov     eax, [ebx+8]"},
        {{0x8B, 0x43, 0x10}, "mov     eax, [ebx+$10]"},
        {{0x8B, 0x43, 0xF0}, "mov     eax, [ebx-$10]"},
        {{0x8B, 0x04, 0x0B}, "mov     eax, [ebx+ecx]"},
        {{0x8B, 0x04, 0x8D, 0x00, 0x10, 0x40, 0x00}, "mov     eax, [ecx*4+$401000]"},
        {{0x8B, 0x05, 0x08, 0x00, 0x00, 0x00}, "mov     eax, [8]"},
        {{0x67, 0x8B, 0x00}, "mov     eax, [bx+si]"},
        {{0x83, 0x38, 0x05}, "cmp     dword ptr [eax], 5"},
        {{0x80, 0x7D, 0xFC, 0x00}, "cmp     byte ptr [ebp-4], 0"},
        {{0x66, 0x89, 0x08}, "mov     [eax], cx"},
        {{0x66, 0xC7, 0x00, 0x34, 0x12}, "mov     word ptr [eax], $1234"},
        {{0x64, 0xA1, 0x00, 0x00, 0x00, 0x00}, "mov     eax, dword ptr fs:[0]"},
        {{0x64, 0x89, 0x25, 0x00, 0x00, 0x00, 0x00}, "mov     fs:[0], esp"},
        {{0x83, 0xC0, 0xF0}, "add     eax, -$10"},
        {{0x6A, 0x80}, "push    $ffffff80"},
        {{0xB0, 0x80}, "mov     al, $80"},
        {{0xD1, 0xE0}, "shl     eax, 1"},
        {{0xD3, 0xE8}, "shr     eax, cl"},
        {{0x0F, 0xA5, 0xC8}, "shld    eax, ecx, cl"},
        {{0xC8, 0x10, 0x00, 0x00}, "enter   $10"},
        {{0xC8, 0x10, 0x00, 0x01}, "enter   $10, $1"},
        {{0xEA, 0xBC, 0x9A, 0x78, 0x56, 0x34, 0x12}, "jmp     $1234:$56789abc"},
        {{0xF3, 0xA5}, "rep movsd"},
        {{0xF2, 0xFF, 0xE0}, "jmp     eax"},
        {{0xF3, 0xFF, 0xC0}, "inc     eax"},
        {{0xF0, 0x0F, 0xB1, 0x0E}, "lock cmpxchg [esi], ecx"},
        {{0x66, 0x98}, "cbw"},
        {{0x0E}, "push    cs"},
        {{0x0F, 0xA9}, "pop     gs"},
        {{0x0F, 0x94, 0xC0}, "setz    al"},
        {{0x0F, 0x4F, 0xC1}, "cmovg   eax, ecx"},
        {{0xF7, 0xD8}, "neg     eax"},
        {{0x0F, 0xBA, 0xE8, 0x05}, "bts     eax, 5"},
        {{0x0F, 0xB6, 0xC1}, "movzx   eax, cl"},
        {{0x0F, 0xB7, 0x00}, "movzx   eax, word ptr [eax]"},
        {{0x0F, 0x20, 0xC0}, "mov     eax, cr0"},
        {{0x0F, 0x23, 0xF8}, "mov     dr7, eax"},
        {{0x8C, 0xD8}, "mov     eax, ds"},
        {{0xE6, 0x80}, "out     $80, al"},
        {{0xEC}, "in      al, dx"},
        {{0x96}, "xchg    eax, esi"},
        {{0xD8, 0xC1}, "fadd    st, st(1)"},
        {{0xDC, 0xC1}, "fadd    st(1), st"},
        {{0xDD, 0x45, 0xF8}, "fld     qword ptr [ebp-8]"},
        {{0xDB, 0x28}, "fld     tbyte ptr [eax]"},
        {{0xD9, 0x7D, 0xFE}, "fnstcw  word ptr [ebp-2]"},
        {{0xDF, 0xE0}, "fnstsw  ax"},
        {{0xD9, 0xE8}, "fld1"},
        {{0xD9, 0xC9}, "fxch    st(1)"},
        {{0xDE, 0xE9}, "fsubp   st(1), st"},
        {{0x0F, 0x58, 0xC1}, "addps   xmm0, xmm1"},
        {{0x66, 0x0F, 0x58, 0xC1}, "addpd   xmm0, xmm1"},
        {{0xF2, 0x0F, 0x58, 0xC1}, "addsd   xmm0, xmm1"},
        {{0xF3, 0x0F, 0x58, 0x00}, "addss   xmm0, [eax]"},
        {{0xF2, 0x0F, 0x10, 0x45, 0xF8}, "movsd   xmm0, [ebp-8]"},
        {{0x0F, 0x12, 0xC1}, "movhlps xmm0, xmm1"},
        {{0x0F, 0x12, 0x00}, "movlps  xmm0, [eax]"},
        {{0xF3, 0x0F, 0x2A, 0xC0}, "cvtsi2ss xmm0, eax"},
        {{0xF2, 0x0F, 0x2C, 0xC1}, "cvttsd2si eax, xmm1"},
        {{0x0F, 0x5A, 0xC1}, "cvtps2pd xmm0, xmm1"},
        {{0xF3, 0x0F, 0x5A, 0xC1}, "cvtss2sd xmm0, xmm1"},
        {{0x0F, 0xEF, 0xC1}, "pxor    mm0, mm1"},
        {{0x66, 0x0F, 0xEF, 0xC1}, "pxor    xmm0, xmm1"},
        {{0x66, 0x0F, 0x6F, 0xC1}, "movdqa  xmm0, xmm1"},
        {{0xF3, 0x0F, 0x6F, 0x00}, "movdqu  xmm0, [eax]"},
        {{0x66, 0x0F, 0x7E, 0xC8}, "movd    eax, xmm1"},
        {{0xF3, 0x0F, 0x7E, 0xC1}, "movq    xmm0, xmm1"},
        {{0x66, 0x0F, 0xD6, 0x00}, "movq    [eax], xmm0"},
        {{0xF3, 0x0F, 0xD6, 0xC1}, "movq2dq xmm0, mm1"},
        {{0xF2, 0x0F, 0xD6, 0xC1}, "movdq2q mm0, xmm1"},
        {{0x0F, 0x71, 0xD0, 0x03}, "psrlw   mm0, 3"},
        {{0x66, 0x0F, 0x73, 0xFB, 0x04}, "pslldq  xmm3, 4"},
        {{0x0F, 0xAE, 0xF8}, "sfence"},
        {{0x0F, 0xAE, 0x38}, "clflush [eax]"},
        {{0x0F, 0x0F, 0xC1, 0x9E}, "pfadd   mm0, mm1"},
        {{0x0F, 0x1F, 0x44, 0x00, 0x00}, "nop     dword ptr [eax+eax]"},
        {{0x0F, 0x0B}, "db $0f\r\n10000001   db $0b"},
        {{0xE8, 0x00, 0x00, 0x00, 0x00}, "call    +0 ($10000005)"},
        {{0xEB, 0xFE}, "jmp     -2 ($10000000)"},
    };
    for (const Case& c : cases) {
        TestMemory memory;
        memory.Place(0x10000000, c.bytes);
        TestCodeEnvironment env;
        env.Memory().Place(0x10000000, c.bytes);
        core::TInstructionInfo info;
        const std::string line = core::ComposeInstructionText(env, 0x10000000, nullptr, info, false);
        EXPECT_EQ(std::string("10000000   ") + c.text, line);
    }
}

// A target without a name of its own is named after where its jump thunk leads; a target in another
// module carries that module's file name.
TEST(DisasmText, CommentsLookThroughThunksAndNameOtherModules) {
    constexpr Address kOther = 0x20000000, kRoutine = kOther + 0x10;
    class TwoModules : public TestCodeEnvironment {
    public:
        bool ModuleOf(Address address, core::ModuleSpan& module) override {
            if (address - kOther >= 0x1000) return TestCodeEnvironment::ModuleOf(address, module);
            module = {kOther, 0x1000, "C:\\system\\other.dll", false};
            return true;
        }
        std::string NameOfAddress(Address address) override {
            return address == kRoutine ? "Routine" : TestCodeEnvironment::NameOfAddress(address);
        }
    } env;
    ASSERT_TRUE(env.Load("crafted"));
    const Address at = env.Symbol("f_long"), merge = env.Symbol("f_merge");
    auto rel = [](Address from, Address to) {
        const Address d = to - from;
        return std::vector<std::uint8_t>{std::uint8_t(d), std::uint8_t(d >> 8), std::uint8_t(d >> 16),
                                         std::uint8_t(d >> 24)};
    };
    // at: call thunk1; at+5: call Routine; at+10: call thunk2; at+16: thunk1: jmp f_merge;
    // at+21: thunk2: jmp Routine
    std::vector<std::uint8_t> code;
    auto put = [&](std::uint8_t op, Address next, Address to) {
        code.push_back(op);
        for (std::uint8_t b : rel(next, to)) code.push_back(b);
    };
    put(0xE8, at + 5, at + 16);
    put(0xE8, at + 10, kRoutine);
    put(0xE8, at + 15, at + 21);
    code.push_back(0xC3);
    put(0xE9, at + 21, merge);
    put(0xE9, at + 26, kRoutine);
    env.Memory().Place(at, code);
    const std::pair<Address, const char*> cases[] = {
        {at, "  ; f_merge"}, {at + 5, "  ; Routine (other.dll)"}, {at + 10, "  ; Routine (other.dll)"}};
    for (const auto& [address, comment] : cases) {
        core::TInstructionInfo info;
        const std::string line = core::ComposeInstructionText(env, address, nullptr, info, false);
        EXPECT_TRUE(line.ends_with(comment)) << line;
        EXPECT_EQ(40u, line.find("  ; ")) << line;
    }
}

class Listing : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(env.Load("crafted")); }
    std::string Parse(const char* function, Address fault, int limit = 10, bool labels = true) {
        core::TFunctionInfo info;
        return core::ParseFunction(env, env.Symbol(function), fault, limit, labels, info);
    }
    TestCodeEnvironment env;
};

std::string Hex8(Address a) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08x", a);
    return buf;
}

TEST_F(Listing, FunctionWithLabelsCommentsAndMarker) {
    const Address f = env.Symbol("f_text");
    const std::string loc = "loc_" + Hex8(f + 31);
    const std::vector<std::string> expected = {
        Hex8(f) + " public f_text:                   ; function entry point",
        Hex8(f) + "   mov     eax, [ebx+8]",
        Hex8(f + 3) + " > mov     eax, [ebx+$10]",
        Hex8(f + 6) + "   mov     eax, [ebx-$10]",
        Hex8(f + 9) + "   mov     eax, [ebx+ecx]",
        Hex8(f + 12) + "   mov     eax, [ebx+ecx*4+9]",
        Hex8(f + 16) + "   cmp     dword ptr [eax], 5",
        // The text after f_long_fault's inc ecx, 40 x inc edx and ret.
        Hex8(f + 19) + "   push    $" + Hex8(env.Symbol("f_long_fault") + 42) + " ",
        Hex8(f + 24) + "   jnz     " + loc,
        Hex8(f + 26),
        Hex8(f + 26) + "   call    ",
        Hex8(f + 31),
        Hex8(f + 31) + " " + loc + ":",
        Hex8(f + 31) + "   ret",
    };
    const std::vector<std::string> lines = Lines(Parse("f_text", f + 3, 0));
    ASSERT_EQ(expected.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(0u, lines[i].find(expected[i])) << lines[i];
    EXPECT_EQ(expected[8], lines[8]) << "the target label replaces the displacement";
    EXPECT_EQ(40u, lines[7].find("  ; 'Hello world'")) << "text comment at column 41: " << lines[7];
    EXPECT_EQ(40u, lines[10].find("  ; f_merge")) << "target name at column 41: " << lines[10];
}

// Landing pads get their label although no jump of the function goes there.
TEST(LandingListing, PadsAreLabelled) {
    TestCodeEnvironment env;
    ASSERT_TRUE(env.Load("landing"));
    core::TFunctionInfo info;
    const Address entry = env.Symbol("__Z9catch_onei"), cold = env.Symbol("__Z9catch_onei.cold");
    const std::vector<std::string> lines = Lines(core::ParseFunction(env, entry, entry, 0, true, info));
    for (const Address pad : {entry + 0x1C, cold + 0x55, cold + 0x64}) {
        const std::string label = Hex8(pad) + " loc_" + Hex8(pad) + ":";
        EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), label)) << label;
    }
}

TEST_F(Listing, WithoutLabels) {
    const Address f = env.Symbol("f_text");
    const std::vector<std::string> lines = Lines(Parse("f_text", f, 0, false));
    ASSERT_EQ(11u, lines.size()) << "entry label and the ten instructions";
    EXPECT_EQ(Hex8(f + 24) + "   jnz     loc_" + Hex8(f + 31), lines[8]);
    EXPECT_EQ(Hex8(f + 31) + "   ret", lines[10]);
}

TEST_F(Listing, LineLimit) {
    const Address f = env.Symbol("f_long");
    // A fault 30 instructions in: "[...]", ten lines, the marked one, ten more, "[...]".
    std::vector<std::string> lines = Lines(Parse("f_long", f + 30));
    ASSERT_EQ(23u, lines.size());
    EXPECT_EQ("[...]", lines[0]);
    EXPECT_EQ(Hex8(f + 20) + "   inc     eax", lines[1]);
    EXPECT_EQ(Hex8(f + 30) + " > inc     eax", lines[11]);
    EXPECT_EQ(Hex8(f + 40) + "   inc     ecx", lines[21]);
    EXPECT_EQ("[...]", lines[22]);

    // Near the entry nothing is cut in front.
    lines = Lines(Parse("f_long", f + 5));
    ASSERT_EQ(18u, lines.size());
    EXPECT_EQ(0u, lines[0].find(Hex8(f) + " public f_long:"));
    EXPECT_EQ("[...]", lines[17]);

    // A short function is listed whole.
    lines = Lines(Parse("f_split", env.Symbol("f_split")));
    EXPECT_EQ(Hex8(env.Symbol("f_split")) + " > mov     ecx, [esp+4]", lines[1]);
    EXPECT_EQ(Hex8(env.Symbol("f_merge") - 1) + "   ret", lines.back());

    const std::vector<std::string> whole = Lines(Parse("f_long", f + 30, 0));
    EXPECT_EQ(83u, whole.size()) << "limit 0 lists everything";

    // A fault beyond the listed code (a mismatched entry): "[...]" and the last ten lines, none marked.
    lines = Lines(Parse("f_long", f + 0x10000));
    ASSERT_EQ(11u, lines.size());
    EXPECT_EQ("[...]", lines[0]);
    EXPECT_TRUE(std::equal(lines.begin() + 1, lines.end(), whole.end() - 10));
    for (const std::string& line : lines) EXPECT_NE('>', line.size() > 9 ? line[9] : ' ') << line;
}

TEST_F(Listing, CaseTableAndLineNumbers) {
    const Address f = env.Symbol("f_case_above");
    env.lines = {{f, 7}, {f + 3, 8}, {f + 12, 120}};
    const std::vector<std::string> lines = Lines(Parse("f_case_above", f, 0));
    ASSERT_GT(lines.size(), 10u);
    EXPECT_EQ(Hex8(f) + " public f_case_above:             ; function entry point", lines[0])
        << "label lines get no number";
    EXPECT_EQ(Hex8(f) + " 007 > cmp     eax, 3", lines[1]);
    EXPECT_EQ(Hex8(f + 3) + " 008   ja      loc_" + Hex8(f + 51), lines[2]);
    const std::string table = Hex8(f + 12) + " 120   dd loc_" + Hex8(f + 28);
    auto row =
        std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(table) == 0; });
    ASSERT_NE(lines.end(), row) << table;
    EXPECT_EQ(table + "                ; case jump table", *row);
    EXPECT_EQ(Hex8(f + 16) + "       dd loc_" + Hex8(f + 34), *(row + 1)) << "an unchanged number is blank";
    EXPECT_EQ("; ---------------------------------------------------------", (row - 2)->substr(9));
}

TEST_F(Listing, FailedAnalysisGivesNoText) {
    EXPECT_EQ("", Parse("f_bad", env.Symbol("f_bad")));
}

} // namespace
