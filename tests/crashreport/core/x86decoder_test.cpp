#include "crashreport/core/TestMemory.h"
#include "crashreport/core/X86Decoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

using core::Address;
using core::TInstructionInfo;
using core::TRegisterState;

namespace {

constexpr Address kCode = 0x00401000;

TInstructionInfo DecodeBytes(std::vector<std::uint8_t> bytes, TRegisterState* regs = nullptr,
                             bool resolve = false, TestMemory* memory = nullptr) {
    TestMemory local;
    TestMemory& mem = memory ? *memory : local;
    mem.Place(kCode, std::move(bytes));
    return core::DecodeInstructionEx(mem, kCode, regs, resolve);
}

std::vector<std::uint8_t> Prefixed(std::size_t count, std::vector<std::uint8_t> tail) {
    tail.insert(tail.begin(), count, 0x3E);
    return tail;
}

struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    bool valid;
    int length; // of a valid decode
};

TEST(X86Decoder, ValidityAndLength) {
    const Case cases[] = {
        {"call to the next instruction", {0xE8, 0, 0, 0, 0}, true, 5},
        {"mov ax, imm16", {0x66, 0xB8, 0x34, 0x12}, true, 4},
        {"ud2", {0x0F, 0x0B}, false, 0},
        {"3DNow! pfadd", {0x0F, 0x0F, 0xC1, 0x9E}, true, 4},
        {"3DNow! unknown suffix", {0x0F, 0x0F, 0xC1, 0x00}, false, 0},
        {"lea with a register operand", {0x8D, 0xC0}, false, 0},
        {"far call through memory", {0xFF, 0x18}, true, 2},
        {"far call through a register", {0xFF, 0xD8}, false, 0},
        {"FF /7", {0xFF, 0x38}, false, 0},
        {"multi-byte nop", {0x0F, 0x1F, 0x44, 0x00, 0x00}, true, 5},
        {"66 multi-byte nop", {0x66, 0x0F, 0x1F, 0x84, 0x00, 0, 0, 0, 0}, true, 9},
        {"0F 1F with reg 1", {0x0F, 0x1F, 0x48, 0x00}, false, 0},
        {"prefix run", {0xF0, 0x2E, 0x66, 0x67, 0xF3, 0x90}, true, 6},
        {"16-bit addressing disp16", {0x67, 0x8B, 0x06, 0x34, 0x12}, true, 5},
        {"16-bit addressing bp+disp8", {0x67, 0x8B, 0x46, 0x10}, true, 4},
        {"SIB with disp32 and no base", {0x8B, 0x04, 0x85, 0, 0x10, 0x40, 0}, true, 7},
        {"moffs under 67", {0x67, 0xA1, 0x34, 0x12}, true, 4},
        {"enter", {0xC8, 0x10, 0x00, 0x01}, true, 4},
        {"far jump ptr16:32", {0xEA, 1, 2, 3, 4, 5, 6}, true, 7},
        {"far call ptr16:16", {0x66, 0x9A, 1, 2, 3, 4}, true, 6},
        {"fnstsw ax", {0xDF, 0xE0}, true, 2},
        {"DF E1", {0xDF, 0xE1}, false, 0},
        {"fucompp", {0xDA, 0xE9}, true, 2},
        {"DA E8", {0xDA, 0xE8}, false, 0},
        {"DD F0", {0xDD, 0xF0}, false, 0},
        {"D9 D1", {0xD9, 0xD1}, false, 0},
        {"fnop", {0xD9, 0xD0}, true, 2},
        {"test Ev, Iv", {0xF7, 0x05, 1, 2, 3, 4, 5, 6, 7, 8}, true, 10},
        {"F6 /1", {0xF6, 0xC8, 0x01}, false, 0},
        {"mov to segment register 6", {0x8E, 0xF0}, false, 0},
        {"punpcklqdq needs 66", {0x0F, 0x6C, 0xC1}, false, 0},
        {"punpcklqdq", {0x66, 0x0F, 0x6C, 0xC1}, true, 4},
        {"movq2dq needs a prefix", {0x0F, 0xD6, 0xC1}, false, 0},
        {"psrlw by immediate", {0x0F, 0x71, 0xD0, 0x03}, true, 4},
        {"0F 71 in memory form", {0x0F, 0x71, 0x10, 0x03}, false, 0},
        {"mov eax, cr0", {0x0F, 0x20, 0xC0}, true, 3},
        {"mov cr1", {0x0F, 0x22, 0xC8}, false, 0},
        {"cmpxchg8b", {0x0F, 0xC7, 0x0E}, true, 3},
        {"cmpxchg8b register form", {0x0F, 0xC7, 0xCE}, false, 0},
        {"bt Ev, Ib", {0x0F, 0xBA, 0xE0, 0x05}, true, 4},
        {"0F BA /3", {0x0F, 0xBA, 0xD8, 0x05}, false, 0},
        {"sixteen prefixes", std::vector<std::uint8_t>(16, 0x66), false, 0},
        {"fourteen prefixes and a nop", Prefixed(14, {0x90}), true, 15},
        {"fourteen prefixes and a two-byte instruction", Prefixed(14, {0x89, 0xC0}), false, 0},
        {"truncated displacement", {0x8B, 0x85, 0x00}, false, 0},
    };
    for (const Case& c : cases) {
        const TInstructionInfo info = DecodeBytes(c.bytes);
        EXPECT_EQ(c.valid, info.IsValid) << c.what;
        if (c.valid) {
            EXPECT_EQ(kCode + c.length, info.Next) << c.what;
        }
        EXPECT_LE(info.Next - kCode, 15u) << c.what;
    }
}

TEST(X86Decoder, NilAddressGivesEmptyResult) {
    TestMemory mem;
    const TInstructionInfo info = core::DecodeInstructionAt(mem, 0);
    EXPECT_FALSE(info.IsValid);
    EXPECT_EQ(0u, info.This);
    EXPECT_EQ(0u, info.Next);
}

TEST(X86Decoder, Transfers) {
    struct Transfer {
        const char* what;
        std::vector<std::uint8_t> bytes;
        bool call, jump, relative, enlargeable;
        Address target;
        int targetSize;
    } const cases[] = {
        {"call next is no transfer", {0xE8, 0, 0, 0, 0}, false, false, false, false, 0, 0},
        {"call rel32", {0xE8, 0x10, 0, 0, 0}, true, false, true, true, kCode + 0x15, 4},
        {"jmp rel8 backwards", {0xEB, 0xFE}, false, true, true, true, kCode, 1},
        {"jz rel32", {0x0F, 0x84, 0x00, 0x01, 0, 0}, false, true, true, true, kCode + 0x106, 4},
        {"jecxz", {0xE3, 0x02}, false, true, true, false, kCode + 4, 1},
        {"loop", {0xE2, 0x02}, false, true, true, false, kCode + 4, 1},
        {"jmp rel16 wraps at 64K", {0x66, 0xE9, 0x00, 0x10}, false, true, true, true, 0x2004, 2},
        {"call eax", {0xFF, 0xD0}, true, false, false, false, 0, 0},
        {"far call", {0x9A, 1, 2, 3, 4, 5, 6}, true, false, false, false, 0, 0},
    };
    for (const Transfer& c : cases) {
        const TInstructionInfo info = DecodeBytes(c.bytes);
        ASSERT_TRUE(info.IsValid) << c.what;
        EXPECT_EQ(c.call, info.IsCall) << c.what;
        EXPECT_EQ(c.jump, info.IsJump) << c.what;
        EXPECT_EQ(c.relative, info.IsRelative) << c.what;
        EXPECT_EQ(c.enlargeable, info.Enlargeable) << c.what;
        EXPECT_EQ(c.target, info.Target) << c.what;
        EXPECT_EQ(c.targetSize, info.TargetSize) << c.what;
        if (c.relative) {
            EXPECT_EQ(info.Next - c.targetSize, info.TargetField) << c.what;
        }
    }
}

TEST(X86Decoder, JumpThroughImportCell) {
    TestMemory mem;
    mem.Place(0x00405000, {0x78, 0x56, 0x34, 0x12});
    TInstructionInfo info = DecodeBytes({0xFF, 0x25, 0x00, 0x50, 0x40, 0x00}, nullptr, false, &mem);
    ASSERT_TRUE(info.IsValid);
    EXPECT_TRUE(info.IsJump);
    EXPECT_EQ(0x12345678u, info.Target);
    EXPECT_EQ(kCode + 2, info.TargetCell);
    EXPECT_EQ(4, info.TargetSize);

    info = DecodeBytes({0xFF, 0x15, 0x00, 0x60, 0x40, 0x00}); // cell not readable
    EXPECT_FALSE(info.IsValid);
}

TEST(X86Decoder, RegisterTracking) {
    TestMemory mem;
    mem.Place(0x00405000, {0x00, 0x20, 0x40, 0x00});
    // mov ecx, 0x405000; call ecx / call [ecx]
    mem.Place(kCode, {0xB9, 0x00, 0x50, 0x40, 0x00, 0xFF, 0xD1, 0xFF, 0x11, 0x8B, 0xC1, 0xF3, 0xA4});
    TRegisterState regs;
    TInstructionInfo info = core::DecodeInstructionEx(mem, kCode, &regs, true);
    ASSERT_TRUE(info.IsValid);
    EXPECT_EQ(kCode + 1, regs.Regs[core::kEcx]);

    TRegisterState copy = regs;
    info = core::DecodeInstructionEx(mem, kCode + 5, &copy, true);
    EXPECT_TRUE(info.IsCall);
    EXPECT_EQ(0x00405000u, info.Target);
    EXPECT_EQ(kCode + 1, info.TargetField);

    copy = regs;
    info = core::DecodeInstructionEx(mem, kCode + 7, &copy, true);
    EXPECT_EQ(0x00402000u, info.Target);
    EXPECT_EQ(kCode + 1, info.TargetCell);

    copy = regs;
    info = core::DecodeInstructionEx(mem, kCode + 5, &copy, false);
    EXPECT_EQ(0u, info.Target) << "no resolution unless asked";

    TestMemory noCell; // call [ecx] through a register that holds an unreadable address
    noCell.Place(kCode, {0xB9, 0x00, 0x60, 0x40, 0x00, 0xFF, 0x11});
    TRegisterState loaded;
    core::DecodeInstructionEx(noCell, kCode, &loaded, true);
    EXPECT_FALSE(core::DecodeInstructionEx(noCell, kCode + 5, &loaded, true).IsValid);

    core::DecodeInstructionEx(mem, kCode + 9, &regs, false); // mov eax, ecx
    EXPECT_EQ(kCode + 1, regs.Regs[core::kEax]);
    core::DecodeInstructionEx(mem, kCode + 11, &regs, false); // rep movsb
    EXPECT_EQ(0u, regs.Regs[core::kEcx]);
    EXPECT_EQ(kCode + 1, regs.Regs[core::kEax]);

    struct Clobber {
        const char* what;
        std::vector<std::uint8_t> bytes;
        int reg;
        bool cleared;
    } const clobbers[] = {
        {"mov ax, imm16 records nothing", {0x66, 0xB8, 0x34, 0x12}, core::kEax, true},
        {"mov ah, 1 changes eax", {0xB4, 0x01}, core::kEax, true},
        {"mov ah, 1 keeps esp", {0xB4, 0x01}, core::kEsp, false},
        {"add dl, bh changes edx", {0x00, 0xFA}, core::kEdx, true},
        {"cmp ecx, 5 keeps ecx", {0x83, 0xF9, 0x05}, core::kEcx, false},
        {"sub ecx, 5 changes ecx", {0x83, 0xE9, 0x05}, core::kEcx, true},
        {"cdq changes edx", {0x99}, core::kEdx, true},
        {"popad changes all", {0x61}, core::kEsi, true},
        {"cpuid changes ebx", {0x0F, 0xA2}, core::kEbx, true},
        {"F2 0F selects a variant, keeps ecx", {0xF2, 0x0F, 0x58, 0xC1}, core::kEcx, false},
        {"repne scasb changes ecx", {0xF2, 0xAE}, core::kEcx, true},
        {"lodsd changes esi", {0xAD}, core::kEsi, true},
        {"fnstsw ax changes eax", {0xDF, 0xE0}, core::kEax, true},
        {"mul changes edx", {0xF7, 0xE1}, core::kEdx, true},
        {"leave changes ebp", {0xC9}, core::kEbp, true},
        {"xchg eax, esi changes esi", {0x96}, core::kEsi, true},
        {"inc edi", {0x47}, core::kEdi, true},
        {"movd ebx, mm0", {0x0F, 0x7E, 0xC3}, core::kEbx, true},
        {"cvttsd2si edi", {0xF2, 0x0F, 0x2C, 0xF8}, core::kEdi, true},
        {"push ebx keeps ebx", {0x53}, core::kEbx, false},
        {"call rel32 changes eax", {0xE8, 0x10, 0, 0, 0}, core::kEax, true},
        {"call rel32 changes ecx", {0xE8, 0x10, 0, 0, 0}, core::kEcx, true},
        {"call rel32 changes edx", {0xE8, 0x10, 0, 0, 0}, core::kEdx, true},
        {"call rel32 keeps ebx", {0xE8, 0x10, 0, 0, 0}, core::kEbx, false},
        {"call rel32 keeps esi", {0xE8, 0x10, 0, 0, 0}, core::kEsi, false},
        {"call eax changes eax", {0xFF, 0xD0}, core::kEax, true},
        {"call [ebx] changes edx", {0xFF, 0x13}, core::kEdx, true},
        {"call [ebx] keeps ebx", {0xFF, 0x13}, core::kEbx, false},
        {"far call through memory changes ecx", {0xFF, 0x1B}, core::kEcx, true},
        {"far call changes eax", {0x9A, 1, 2, 3, 4, 5, 6}, core::kEax, true},
        {"far call keeps edi", {0x9A, 1, 2, 3, 4, 5, 6}, core::kEdi, false},
        {"jmp eax keeps eax", {0xFF, 0xE0}, core::kEax, false},
        {"jmp rel32 keeps edx", {0xE9, 0x10, 0, 0, 0}, core::kEdx, false},
    };
    for (const Clobber& c : clobbers) {
        TRegisterState state;
        for (Address& r : state.Regs) r = 0x1000;
        info = DecodeBytes(c.bytes, &state);
        ASSERT_TRUE(info.IsValid) << c.what;
        EXPECT_EQ(c.cleared, state.Regs[c.reg] == 0) << c.what;
    }
}

// Vectors written by tests/data/make_disasm_vectors.sh from binutils' disassembly. Each line:
// address length kind target; kind R relative (target), C through a cell (cell address), c/j a call or
// jump without target, - no transfer, X an instruction the decoder must reject.
struct VectorStats {
    int instructions = 0;
    int mismatches = 0;
};

VectorStats CheckVectors(const std::string& name) {
    VectorStats stats;
    TestMemory mem(true);
    const std::string base = std::string(OSTREL_TEST_DATA) + "/disasm/" + name;
    EXPECT_TRUE(mem.Load(base + ".mem")) << base;
    std::ifstream vectors(base + ".vec");
    EXPECT_TRUE(vectors.good()) << base;
    std::string line;
    while (std::getline(vectors, line)) {
        std::istringstream fields(line);
        Address address = 0, target = 0;
        unsigned length = 0;
        char kind = 0;
        fields >> std::hex >> address >> std::dec >> length >> kind;
        if (kind == 'R' || kind == 'C') fields >> std::hex >> target;
        ++stats.instructions;
        const core::TDecodedInstruction d = core::DecodeInstruction(mem, address);
        const TInstructionInfo& info = d.Info;
        bool ok = true;
        if (kind == 'X') {
            ok = !info.IsValid;
        } else {
            ok = info.IsValid && info.Next - address == length;

            switch (kind) {
            case 'R':
                ok = ok && info.IsRelative && info.Target == target;
                break;
            case 'C': {
                Address cell = 0;
                ok = ok && info.TargetCell != 0 && mem.Read(info.TargetCell, &cell, 4) && cell == target;
                break;
            }
            case 'c':
                ok = ok && info.IsCall && !info.Target && !info.TargetCell;
                break;
            case 'j':
                ok = ok && info.IsJump && !info.Target && !info.TargetCell;
                break;
            default:
                ok = ok && !info.IsCall && !info.IsJump;
                break;
            }
        }
        if (!ok && ++stats.mismatches <= 40)
            ADD_FAILURE() << name << ": " << line << " -> valid " << info.IsValid << " length "
                          << (info.Next - address) << " call " << info.IsCall << " jump " << info.IsJump
                          << " target " << std::hex << info.Target << " cell " << info.TargetCell;
    }
    return stats;
}

TEST(X86Decoder, MatchesBinutilsOnCompiledCode) {
    const VectorStats stats = CheckVectors("compiled");
    EXPECT_GE(stats.instructions, 20000);
    EXPECT_EQ(0, stats.mismatches);
    std::printf("compiled code: %d instructions checked\n", stats.instructions);
}

TEST(X86Decoder, MatchesBinutilsOnHandWrittenCode) {
    const VectorStats stats = CheckVectors("handwritten");
    EXPECT_GE(stats.instructions, 300);
    EXPECT_EQ(0, stats.mismatches);
    std::printf("hand-written code: %d instructions checked\n", stats.instructions);
}

} // namespace
