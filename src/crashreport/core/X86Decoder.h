#pragma once
// Decoder of one 32-bit x86 instruction (one-byte and 0F maps up to SSE2, 3DNow!, x87). Portable: code is
// fetched through a CodeReader, so the same decoder runs over live memory and over byte buffers.
#include <cstdint>

namespace core {

using Address = std::uint32_t;

// Where the code bytes come from. Read copies exactly len bytes or fails; it must never fault.
class CodeReader {
public:
    virtual bool Read(Address address, void* destination, std::uint32_t length) = 0;

protected:
    ~CodeReader() = default;
};

enum RegisterIndex { kEax, kEcx, kEdx, kEbx, kEsp, kEbp, kEsi, kEdi };

// Per register: 0 = value unknown, else the address of the 4-byte code field its value was loaded from.
struct TRegisterState {
    Address Regs[8] = {};
    bool operator==(const TRegisterState&) const = default;
};

struct TInstructionInfo {
    bool IsValid = false;
    std::uint16_t Opcode = 0; // 0x0F00 + second byte for two-byte opcodes
    std::uint8_t ModRm = 0;
    bool IsCall = false;
    bool IsJump = false;
    bool IsRelative = false;
    Address Target = 0;
    Address TargetField = 0;
    Address TargetCell = 0;
    std::int32_t TargetSize = 0;
    bool Enlargeable = false;
    Address This = 0;
    Address Next = 0;
};

// OpcodeFlags fields.
namespace opf {
constexpr std::uint16_t kUndefined = 0xFFFF;
constexpr unsigned RegKind(std::uint16_t f) {
    return f & 7;
}
constexpr unsigned ModRmKind(std::uint16_t f) {
    return (f >> 3) & 7;
}
constexpr std::uint16_t kRegFollowsOpSize = 0x0040;
constexpr std::uint16_t kModRmFollowsOpSize = 0x0080;
constexpr std::uint16_t kSizePtr = 0x0100;
constexpr std::uint16_t kModRmFirst = 0x0200;
constexpr unsigned ImmKind(std::uint16_t f) {
    return (f >> 10) & 3;
}
constexpr std::uint16_t kRelative = 0x1000;
constexpr unsigned WrittenReg(std::uint16_t f) {
    return f >> 13;
}

// Register operand kinds with a ModRM byte.
enum : unsigned { kRegNone, kReg8, kReg16, kRegSeg, kReg32, kRegMmx, kRegSt, kRegXmm };
// Register operand kinds without a ModRM byte.
enum : unsigned { kOpAl = 1, kOpEax = 2, kOpReg8 = 4, kOpRegV = 5, kOpEaxReg = 6, kOpAccDx = 7 };
// ModRM kinds.
enum : unsigned { kModNone, kModGroup, kModByte, kModWord, kModDword, kModQword, kModTbyte, kModOword };
} // namespace opf

// The full decode: the result plus every piece the text composer needs.
struct TDecodedInstruction {
    TInstructionInfo Info;
    std::uint8_t Segment = 0;    // 0 none, 1 es, 2 cs, 3 ss, 4 ds, 5 fs, 6 gs
    bool OpSizePrefix = false;   // 66
    bool AddrSizePrefix = false; // 67
    bool Lock = false;           // F0
    bool Repne = false;          // F2
    bool Rep = false;            // F3
    int OperandSize = 4;
    std::uint16_t OpcodeFlags = 0;
    const char* Mnemonic = nullptr; // pattern text (see DisasmText), nullptr when none
    bool HasModRm = false;
    std::uint8_t Sib = 0;
    bool IsMemory = false;
    int Base = -1;
    int Reg = 0;
    int Rm = 0;
    int Index = -1;
    int Scale = 0; // 0 = no index
    int DispSize = 0;
    Address DispPos = 0;
    std::int32_t DispSigned = 0;
    std::uint32_t DispUnsigned = 0;
    int ImmSize = 0;
    Address ImmPos = 0;
    std::int32_t Imm = 0;
    bool ReadStarted = false; // at least the first byte could be read
};

// A zero address gives an all-zero result. With a register state the decoder tracks register loads;
// resolveByRegs lets known registers supply targets of indirect calls and jumps.
TDecodedInstruction DecodeInstruction(CodeReader& reader, Address address, TRegisterState* regs = nullptr,
                                      bool resolveByRegs = false);
TInstructionInfo DecodeInstructionEx(CodeReader& reader, Address address, TRegisterState* regs,
                                     bool resolveByRegs);
TInstructionInfo DecodeInstructionAt(CodeReader& reader, Address address);

// Where a relative call or jump goes, also for a call to the next instruction (which has no Target).
Address RelativeTarget(const TDecodedInstruction& d);

// Tables (X86Tables.cpp).
struct OpcodeEntry {
    std::uint16_t Flags;
    const char* Mnemonic;
};
struct GroupRow {
    std::uint8_t Opcode;
    std::uint16_t Memory[8];
    std::uint16_t Register[8];
};
extern const OpcodeEntry kOneByteMap[256];
extern const OpcodeEntry kTwoByteMap[256];
const GroupRow* FindGroupRow(std::uint8_t opcode);
const char* ThreeDNowName(std::uint8_t suffix); // nullptr for an undefined suffix

} // namespace core
