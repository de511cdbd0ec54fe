#include "crashreport/core/X86Decoder.h"

namespace core {
namespace {

constexpr int kMaxInstructionLength = 15;

class ByteCursor {
public:
    ByteCursor(CodeReader& reader, Address start)
        : reader_(reader), pos_(start), end_(start + kMaxInstructionLength) {}
    Address Pos() const { return pos_; }
    bool Byte(std::uint8_t& value) { return Take(&value, 1); }
    // Never reads past the longest possible instruction, so an endless prefix run stops in time.
    bool Take(void* destination, std::uint32_t length) {
        if (end_ - pos_ < length || !reader_.Read(pos_, destination, length)) return false;
        pos_ += length;
        return true;
    }

private:
    CodeReader& reader_;
    Address pos_;
    Address end_;
};

bool ReadDword(CodeReader& reader, Address address, Address& value) {
    std::uint8_t b[4];
    if (!address || !reader.Read(address, b, 4)) return false;
    value = Address(b[0]) | Address(b[1]) << 8 | Address(b[2]) << 16 | Address(b[3]) << 24;
    return true;
}

std::int32_t SignExtend(std::uint32_t value, int size) {
    if (size == 1) return static_cast<std::int8_t>(value);
    if (size == 2) return static_cast<std::int16_t>(value);
    return static_cast<std::int32_t>(value);
}

bool InRange(int value, int low, int high) {
    return value >= low && value <= high;
}

// Rules the flag tables cannot express.
bool IsValidForm(const TDecodedInstruction& d) {
    const int reg = d.Reg;
    const bool mem = d.IsMemory;
    const std::uint8_t modRm = d.Info.ModRm;
    switch (d.Info.Opcode) {
    case 0x62:
    case 0x8D:
    case 0xC4:
    case 0xC5:
    case 0x0FB2:
    case 0x0FB4:
    case 0x0FB5:
    case 0x0FC3:
    case 0x0F13:
    case 0x0F17:
    case 0x0F2B:
    case 0x0FE7:
        return mem;
    case 0x0F50:
    case 0x0FC5:
    case 0x0FD7:
    case 0x0FF7:
        return !mem;
    case 0x8C:
    case 0x8E:
        return reg <= 5;
    case 0xD9:
        return mem || !(InRange(modRm, 0xD1, 0xD7) || modRm == 0xE2 || modRm == 0xE3 || modRm == 0xE6 ||
                        modRm == 0xE7 || modRm == 0xEF);
    case 0xDA:
        return mem || !(modRm == 0xE8 || InRange(modRm, 0xEA, 0xEF));
    case 0xDB:
        return mem || !InRange(modRm, 0xE5, 0xE7);
    case 0xDF:
        return mem || !InRange(modRm, 0xE1, 0xE7);
    case 0xFE:
        return reg <= 1;
    case 0xFF:
        return reg <= 6 && (mem || (reg != 3 && reg != 5));
    case 0x0F00:
        return reg <= 5;
    case 0x0F01:
        return reg != 5 && (mem || reg == 4 || reg == 6 || reg == 7);
    case 0x0F0D:
        return mem && reg <= 1;
    case 0x0F0F:
        return ThreeDNowName(static_cast<std::uint8_t>(d.Imm)) != nullptr;
    case 0x0F18:
        return mem && reg <= 3;
    case 0x0F1F: // the multi-byte nop
        return reg == 0;
    case 0x0F20:
    case 0x0F22:
        return !mem && (reg == 0 || InRange(reg, 2, 4));
    case 0x0F21:
    case 0x0F23:
        return !mem && (reg <= 3 || reg >= 6);
    case 0x0F6C:
    case 0x0F6D:
        return d.OpSizePrefix;
    case 0x0F71:
    case 0x0F72:
        return !mem && (reg == 2 || reg == 4 || reg == 6);
    case 0x0F73:
        return !mem && (reg == 2 || reg == 6 || ((reg == 3 || reg == 7) && d.OpSizePrefix));
    case 0x0FAE:
        return reg == 7 || (reg <= 3 && mem) || ((reg == 5 || reg == 6) && !mem);
    case 0x0FC7:
        return mem && reg == 1;
    case 0x0FBA:
        return reg >= 4;
    case 0x0FD6:
    case 0x0FE6:
        return d.OpSizePrefix || d.Repne || d.Rep;
    default:
        return true;
    }
}

// An 8-bit register number names a byte of one of the first four registers.
int GeneralRegister(int number, bool byteSized) {
    return byteSized ? (number & 3) : number;
}

void TrackRegisters(const TDecodedInstruction& d, std::uint8_t opcodeByte, TRegisterState& state) {
    Address* r = state.Regs;
    const std::uint16_t flags = d.OpcodeFlags;
    const unsigned written = opf::WrittenReg(flags);
    const bool regForm = d.HasModRm && !d.IsMemory;
    const bool byteModRm = opf::ModRmKind(flags) == opf::kModByte;
    const bool byteReg = d.HasModRm ? opf::RegKind(flags) == opf::kReg8 : opf::RegKind(flags) == opf::kOpReg8;
    const int rm = GeneralRegister(d.Rm, byteModRm);
    if (written == 4 || written == 6 || written == 7) r[kEax] = 0;
    if ((written == 2 || written == 5 || written == 6) && regForm) r[rm] = 0;
    if (written == 1 || written == 5) r[GeneralRegister(d.Reg, byteReg)] = 0;
    if (written == 3 || written == 7) r[GeneralRegister(opcodeByte & 7, byteReg)] = 0;

    const std::uint16_t op = d.Info.Opcode;
    const bool repSelect = d.Repne || d.Rep;
    switch (op) {
    case 0x8B:
        if (regForm && !d.OpSizePrefix) r[d.Reg] = r[d.Rm];
        break;
    case 0xB8:
    case 0xB9:
    case 0xBA:
    case 0xBB:
    case 0xBC:
    case 0xBD:
    case 0xBE:
    case 0xBF:
        if (!d.OpSizePrefix) r[op & 7] = d.ImmPos;
        break;
    case 0xC7:
        if (regForm && !d.OpSizePrefix) r[d.Rm] = d.ImmPos;
        break;
    case 0x61:
        state = TRegisterState{};
        break;
    case 0x0FA2:
        r[kEax] = r[kEcx] = r[kEdx] = r[kEbx] = 0;
        break;
    case 0x6C:
    case 0x6D:
    case 0xAA:
    case 0xAB:
    case 0xAE:
    case 0xAF:
        r[kEdi] = 0;
        break;
    case 0x6E:
    case 0x6F:
    case 0xAC:
    case 0xAD:
        r[kEsi] = 0;
        break;
    case 0xA4:
    case 0xA5:
    case 0xA6:
    case 0xA7:
        r[kEsi] = r[kEdi] = 0;
        break;
    case 0x99:
    case 0x0F31:
    case 0x0F32:
    case 0x0F33:
    case 0x0FC7:
        r[kEdx] = 0;
        break;
    case 0xF7:
        if (d.Reg >= 4) r[kEdx] = 0;
        break;
    case 0xC8:
    case 0xC9:
        r[kEbp] = 0;
        break;
    case 0xE0:
    case 0xE1:
    case 0xE2:
        r[kEcx] = 0;
        break;
    case 0xDF:
        if (d.Info.ModRm == 0xE0) r[kEax] = 0;
        break;
    case 0x80:
    case 0x81:
    case 0x82:
    case 0x83:
        if (regForm && d.Reg != 7) r[rm] = 0;
        break;
    case 0xFE:
    case 0xFF:
    case 0x0F00:
        if (regForm && d.Reg <= 1) r[rm] = 0;
        break;
    case 0x0F01:
        if (regForm && d.Reg == 4) r[rm] = 0;
        break;
    case 0x0FBA:
        if (regForm && d.Reg >= 5) r[rm] = 0;
        break;
    case 0x0F7E:
    case 0x0F7F:
        if (regForm && !d.Rep) r[rm] = 0;
        break;
    case 0x0F2C:
    case 0x0F2D:
        if (repSelect) r[d.Reg] = 0;
        break;
    default:
        break;
    }
    // A callee may change eax, ecx and edx; a constant loaded before the call names nothing after it.
    if (op == 0xE8 || op == 0x9A || (op == 0xFF && (d.Reg == 2 || d.Reg == 3)))
        r[kEax] = r[kEcx] = r[kEdx] = 0;
}

// Fills in where a call or jump goes; false when a cell that must be read cannot be.
bool ResolveTarget(TDecodedInstruction& d, CodeReader& reader, const TRegisterState* regs,
                   bool resolveByRegs) {
    TInstructionInfo& info = d.Info;
    if (d.OpcodeFlags & opf::kRelative) {
        info.IsRelative = true;
        info.TargetField = d.ImmPos;
        info.Target = RelativeTarget(d);
        info.TargetSize = d.ImmSize;
        info.Enlargeable = info.Opcode < 0xE0 || info.Opcode > 0xE3;
        (info.Opcode == 0xE8 ? info.IsCall : info.IsJump) = true;
        return true;
    }
    if (info.Opcode == 0x9A || info.Opcode == 0xEA) {
        (info.Opcode == 0x9A ? info.IsCall : info.IsJump) = true;
        return true;
    }
    if (info.Opcode != 0xFF || d.Reg < 2 || d.Reg > 5) return true;
    (d.Reg <= 3 ? info.IsCall : info.IsJump) = true;
    if (d.IsMemory && d.Base < 0 && d.Index < 0 && d.DispSize == 4) {
        info.TargetCell = d.DispPos;
        info.TargetSize = 4;
        return ReadDword(reader, d.DispUnsigned, info.Target);
    }
    if (!resolveByRegs || !regs || d.AddrSizePrefix || d.Base < 0 || d.Index >= 0 || d.DispSize != 0)
        return true;
    const Address entry = regs->Regs[d.Base];
    if (!entry) return true;
    Address value = 0;
    if (!ReadDword(reader, entry, value)) return false;
    info.TargetSize = 4;
    if (d.IsMemory) {
        info.TargetCell = entry;
        return ReadDword(reader, value, info.Target);
    }
    info.TargetField = entry;
    info.Target = value;
    return true;
}

bool ReadModRm(TDecodedInstruction& d, ByteCursor& cursor) {
    std::uint8_t modRm = 0;
    if (!cursor.Byte(modRm)) return false;
    d.HasModRm = true;
    d.Info.ModRm = modRm;
    const int mod = modRm >> 6;
    d.Reg = (modRm >> 3) & 7;
    d.Rm = modRm & 7;
    d.IsMemory = mod < 3;
    if (!d.IsMemory) {
        d.Base = d.Rm;
        return true;
    }
    if (d.AddrSizePrefix) {
        static constexpr int kBase16[8] = {kEbx, kEbx, kEbp, kEbp, kEsi, kEdi, kEbp, kEbx};
        if (d.Rm <= 3) {
            d.Index = (d.Rm & 1) ? kEdi : kEsi;
            d.Scale = 1;
        }
        if (mod == 0 && d.Rm == 6)
            d.DispSize = 2;
        else
            d.Base = kBase16[d.Rm];
        if (mod == 1)
            d.DispSize = 1;
        else if (mod == 2)
            d.DispSize = 2;
    } else {
        d.Base = d.Rm;
        if (d.Rm == 4) {
            if (!cursor.Byte(d.Sib)) return false;
            d.Base = d.Sib & 7;
            const int index = (d.Sib >> 3) & 7;
            if (index != 4) {
                d.Index = index;
                d.Scale = 1 << (d.Sib >> 6);
            }
        }
        if (mod == 0 && d.Base == 5) {
            d.Base = -1;
            d.DispSize = 4;
        } else if (mod == 1) {
            d.DispSize = 1;
        } else if (mod == 2) {
            d.DispSize = 4;
        }
    }
    if (d.DispSize) {
        d.DispPos = cursor.Pos();
        std::uint8_t b[4] = {};
        if (!cursor.Take(b, d.DispSize)) return false;
        d.DispUnsigned = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                         std::uint32_t(b[3]) << 24;
        d.DispSigned = SignExtend(d.DispUnsigned, d.DispSize);
        if (d.DispSize < 4)
            d.DispUnsigned = static_cast<std::uint32_t>(d.DispSigned) & ((1u << (8 * d.DispSize)) - 1);
    }
    return true;
}

int ImmediateSize(const TDecodedInstruction& d) {
    switch (opf::ImmKind(d.OpcodeFlags)) {
    case 1:
        return 1;
    case 2:
        return 2;
    case 3:
        return d.OperandSize;
    default:
        break;
    }
    switch (d.Info.Opcode) {
    case 0x9A:
    case 0xEA:
        return d.OperandSize + 2;
    case 0xA0:
    case 0xA1:
    case 0xA2:
    case 0xA3:
        return d.AddrSizePrefix ? 2 : 4;
    case 0xC8:
        return 3;
    default:
        return 0;
    }
}

} // namespace

TDecodedInstruction DecodeInstruction(CodeReader& reader, Address address, TRegisterState* regs,
                                      bool resolveByRegs) {
    TDecodedInstruction d;
    if (!address) return d;
    TInstructionInfo& info = d.Info;
    info.This = address;
    ByteCursor cursor(reader, address);
    auto stop = [&]() -> TDecodedInstruction& {
        info.IsValid = false;
        info.Next = cursor.Pos();
        return d;
    };

    std::uint8_t b = 0;
    for (bool prefix = true; prefix;) {
        if (!cursor.Byte(b)) return stop();
        d.ReadStarted = true;
        switch (b) {
        case 0x66:
            d.OpSizePrefix = true;
            d.OperandSize = 2;
            break;
        case 0x67:
            d.AddrSizePrefix = true;
            break;
        case 0xF0:
            d.Lock = true;
            break;
        case 0xF2:
            d.Repne = true;
            break;
        case 0xF3:
            d.Rep = true;
            break;
        case 0x26:
            d.Segment = 1;
            break;
        case 0x2E:
            d.Segment = 2;
            break;
        case 0x36:
            d.Segment = 3;
            break;
        case 0x3E:
            d.Segment = 4;
            break;
        case 0x64:
            d.Segment = 5;
            break;
        case 0x65:
            d.Segment = 6;
            break;
        default:
            prefix = false;
            break;
        }
    }
    const std::uint8_t opcodeByte = b;
    const OpcodeEntry* entry = &kOneByteMap[b];
    info.Opcode = b;
    if (b == 0x0F) {
        if (!cursor.Byte(b)) return stop();
        entry = &kTwoByteMap[b];
        info.Opcode = static_cast<std::uint16_t>(0x0F00 | b);
    } else if ((d.Repne || d.Rep) && regs) {
        regs->Regs[kEcx] = 0;
    }
    d.OpcodeFlags = entry->Flags;
    d.Mnemonic = entry->Mnemonic;
    if (d.OpcodeFlags == opf::kUndefined) return stop();

    if (opf::ModRmKind(d.OpcodeFlags) != opf::kModNone) {
        if (!ReadModRm(d, cursor)) return stop();
        if (opf::ModRmKind(d.OpcodeFlags) == opf::kModGroup && info.Opcode < 0x100) {
            const GroupRow* row = FindGroupRow(opcodeByte);
            if (row) d.OpcodeFlags = d.IsMemory ? row->Memory[d.Reg] : row->Register[d.Reg];
            if (d.OpcodeFlags == opf::kUndefined) return stop();
        }
    }

    d.ImmSize = ImmediateSize(d);
    if (d.ImmSize) {
        d.ImmPos = cursor.Pos();
        std::uint8_t imm[6] = {};
        if (!cursor.Take(imm, d.ImmSize)) return stop();
        if (d.ImmSize == 1 || d.ImmSize == 2 || d.ImmSize == 4)
            d.Imm = SignExtend(std::uint32_t(imm[0]) | std::uint32_t(imm[1]) << 8 |
                                   std::uint32_t(imm[2]) << 16 | std::uint32_t(imm[3]) << 24,
                               d.ImmSize);
    }
    if (!IsValidForm(d)) return stop();

    info.Next = cursor.Pos();
    info.IsValid = ResolveTarget(d, reader, regs, resolveByRegs);
    if (!info.IsValid) return d;
    if (regs) TrackRegisters(d, opcodeByte, *regs);
    if ((info.IsCall || info.IsJump) && info.Target == info.Next) {
        info.IsCall = info.IsJump = info.IsRelative = info.Enlargeable = false;
        info.Target = info.TargetField = info.TargetCell = 0;
        info.TargetSize = 0;
    }
    return d;
}

TInstructionInfo DecodeInstructionEx(CodeReader& reader, Address address, TRegisterState* regs,
                                     bool resolveByRegs) {
    return DecodeInstruction(reader, address, regs, resolveByRegs).Info;
}

Address RelativeTarget(const TDecodedInstruction& d) {
    const Address target = d.Info.Next + static_cast<Address>(d.Imm);
    return d.OperandSize == 2 ? target & 0xFFFF : target;
}

TInstructionInfo DecodeInstructionAt(CodeReader& reader, Address address) {
    return DecodeInstruction(reader, address).Info;
}

} // namespace core
