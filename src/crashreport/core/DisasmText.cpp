#include "crashreport/core/DisasmText.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace core {
namespace {

constexpr std::size_t kOperandColumn = 19;
constexpr std::size_t kCommentColumn = 40;
constexpr std::size_t kLabelColumn = 31;
constexpr std::uint32_t kTextReach = 100;
const char* const kCrLf = "\r\n";
const char* const kSeparator = "; ---------------------------------------------------------";

const char* const kReg8[8] = {"al", "cl", "dl", "bl", "ah", "ch", "dh", "bh"};
const char* const kReg16[8] = {"ax", "cx", "dx", "bx", "sp", "bp", "si", "di"};
const char* const kReg32[8] = {"eax", "ecx", "edx", "ebx", "esp", "ebp", "esi", "edi"};
const char* const kSegments[8] = {"es", "cs", "ss", "ds", "fs", "gs", "?", "?"};
const char* const kConditions = "o|no|b|nb|z|nz|be|a|s|ns|p|np|l|ge|le|g";

std::string Hex(std::uint32_t value) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), digits[value & 15]);
        value >>= 4;
    } while (value);
    return text;
}

std::string Hex8(std::uint32_t value) {
    std::string text = Hex(value);
    return std::string(8 - text.size(), '0') + text;
}

// Decimal up to 9, "$" hexadecimal above.
std::string Unsigned(std::uint32_t value) {
    return value <= 9 ? std::to_string(value) : "$" + Hex(value);
}

std::string Signed(std::int32_t value, bool plus) {
    const std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value) : value;
    return (value < 0 ? "-" : plus ? "+" : "") + Unsigned(magnitude);
}

void PadTo(std::string& line, std::size_t column, bool atLeastOne = true) {
    if (line.size() < column)
        line.append(column - line.size(), ' ');
    else if (atLeastOne)
        line += ' ';
}

std::string_view Item(std::string_view list, char separator, std::size_t index) {
    for (std::size_t i = 0; i < index; ++i) {
        const auto at = list.find(separator);
        if (at == std::string_view::npos) return {};
        list.remove_prefix(at + 1);
    }
    return list.substr(0, list.find(separator));
}

std::size_t ItemCount(std::string_view list, char separator) {
    return static_cast<std::size_t>(std::count(list.begin(), list.end(), separator)) + 1;
}

bool IsX87(const TDecodedInstruction& d) {
    return d.Info.Opcode >= 0xD8 && d.Info.Opcode <= 0xDF;
}

std::string ReadableMnemonic(std::string_view pattern, const TDecodedInstruction& d) {
    std::string text(pattern);
    const std::uint8_t opcodeByte = static_cast<std::uint8_t>(d.Info.Opcode);
    if (auto at = text.find("%cc"); at != std::string::npos)
        text.replace(at, 3, Item(kConditions, '|', opcodeByte & 15));
    if (auto at = text.find("%seg"); at != std::string::npos)
        text.replace(at, 4, kSegments[(opcodeByte >> 3) & 7]);
    if (text.find('/') != std::string::npos) {
        const std::size_t pick = d.OpSizePrefix ? 1 : d.Repne ? 2 : d.Rep ? 3 : 0;
        std::string_view chosen = Item(text, '/', pick);
        text = std::string(chosen.empty() ? Item(text, '/', 0) : chosen);
    }
    if (text.find('|') != std::string::npos) {
        const bool x87 = ItemCount(text, '|') >= 9;
        std::string member(Item(text, '|', d.Reg + (x87 && !d.IsMemory ? 8 : 0)));
        if (x87 && !d.IsMemory && member.find('-') != std::string::npos)
            member = std::string(Item(member, '-', d.Rm));
        text = member;
    }
    if (auto at = text.find(':'); at != std::string::npos)
        text = d.IsMemory ? text.substr(at + 1) : text.substr(0, at);
    for (char& c : text) {
        if (c == 'S')
            c = d.OpSizePrefix || d.Repne ? 'd' : 's';
        else if (c == 'P')
            c = d.Repne || d.Rep ? 's' : 'p';
    }
    if (IsX87(d) && !text.empty()) text.insert(text.begin(), 'f');
    return text;
}

// The operand kinds after the two-byte map's prefix-selected forms are applied.
struct OperandKinds {
    unsigned reg;
    unsigned modRm;
    bool regToXmm = false; // MMX register printed as XMM
    bool modToXmm = false;
    bool swap;
};

OperandKinds KindsOf(const TDecodedInstruction& d) {
    const std::uint16_t f = d.OpcodeFlags;
    OperandKinds k{opf::RegKind(f), opf::ModRmKind(f), false, false, (f & opf::kModRmFirst) != 0};
    if (d.OpSizePrefix) {
        k.regToXmm = (f & opf::kRegFollowsOpSize) && k.reg == opf::kRegMmx;
        k.modToXmm = (f & opf::kModRmFollowsOpSize) && k.modRm == opf::kModQword;
    }
    if (!(d.Repne || d.Rep) || !d.HasModRm) return k;
    switch (d.Info.Opcode) {
    case 0x0F2A:
        k.modRm = opf::kModDword;
        break;
    case 0x0F2C:
    case 0x0F2D:
        k.reg = opf::kReg32;
        break;
    case 0x0F6F:
    case 0x0F70:
    case 0x0F7E:
    case 0x0F7F:
        k.regToXmm = k.modToXmm = true;
        if (d.Info.Opcode == 0x0F7E) { // movq xmm, xmm/m64
            k.swap = false;
            k.modRm = opf::kModQword;
        }
        break;
    case 0x0FD6: // F3: movq2dq xmm, mm; F2: movdq2q mm, xmm
        k.regToXmm = d.Rep;
        k.modToXmm = d.Repne;
        k.swap = false;
        break;
    default:
        break;
    }
    return k;
}

std::string RegisterOperand(const TDecodedInstruction& d, const OperandKinds& k) {
    const bool is16 = d.OpSizePrefix && (d.OpcodeFlags & opf::kRegFollowsOpSize);
    switch (k.reg) {
    case opf::kReg8:
        return kReg8[d.Reg];
    case opf::kReg16:
        return kReg16[d.Reg];
    case opf::kRegSeg:
        if (d.Info.Opcode == 0x0F20 || d.Info.Opcode == 0x0F22) return "cr" + std::to_string(d.Reg);
        if (d.Info.Opcode == 0x0F21 || d.Info.Opcode == 0x0F23) return "dr" + std::to_string(d.Reg);
        return kSegments[d.Reg];
    case opf::kReg32:
        return is16 ? kReg16[d.Reg] : kReg32[d.Reg];
    case opf::kRegMmx:
        return (k.regToXmm ? "xmm" : "mm") + std::to_string(d.Reg);
    case opf::kRegSt:
        return "st";
    case opf::kRegXmm:
        return "xmm" + std::to_string(d.Reg);
    default:
        return {};
    }
}

int MemorySize(const TDecodedInstruction& d, const OperandKinds& k) {
    static constexpr int kSizes[8] = {0, 0, 1, 2, 4, 8, 10, 16};
    if (d.OpSizePrefix && (d.OpcodeFlags & opf::kModRmFollowsOpSize)) {
        if (k.modRm == opf::kModDword) return 2;
        if (k.modRm == opf::kModQword) return 16;
    }
    return k.modToXmm && k.modRm == opf::kModQword ? 8 : kSizes[k.modRm];
}

std::string SizePrefix(int size) {
    switch (size) {
    case 1:
        return "byte ptr ";
    case 2:
        return "word ptr ";
    case 4:
        return "dword ptr ";
    case 8:
        return "qword ptr ";
    case 10:
        return "tbyte ptr ";
    case 16:
        return "oword ptr ";
    default:
        return {};
    }
}

std::string SegmentPrefix(const TDecodedInstruction& d) {
    return d.Segment ? std::string(kSegments[d.Segment - 1]) + ":" : std::string();
}

std::string MemoryOperand(const TDecodedInstruction& d, const OperandKinds& k) {
    const char* const* names = d.AddrSizePrefix ? kReg16 : kReg32;
    std::string inner;
    if (d.Base >= 0) inner = names[d.Base];
    if (d.Index >= 0) {
        inner += std::string("+") + names[d.Index];
        if (d.Scale > 1) inner += "*" + std::to_string(d.Scale);
    }
    if (d.Base < 0 && d.Index < 0)
        inner = Unsigned(d.DispUnsigned);
    else if (d.DispSize && d.DispSigned)
        inner += Signed(d.DispSigned, true);
    if (!inner.empty() && inner.front() == '+') inner.erase(0, 1);
    std::string text = (d.OpcodeFlags & opf::kSizePtr) ? SizePrefix(MemorySize(d, k)) : std::string();
    return text + SegmentPrefix(d) + "[" + inner + "]";
}

std::string ModRmOperand(const TDecodedInstruction& d, const OperandKinds& k) {
    if (!d.HasModRm || k.modRm == opf::kModNone || k.modRm == opf::kModGroup) return {};
    if (d.Info.Opcode == 0x0FAE && !d.IsMemory) // the fences
        return {};
    if (d.IsMemory) return MemoryOperand(d, k);
    if (IsX87(d)) return "st(" + std::to_string(d.Rm) + ")";
    switch (k.modRm) {
    case opf::kModByte:
        return kReg8[d.Rm];
    case opf::kModWord:
        return kReg16[d.Rm];
    case opf::kModDword:
        return d.OpSizePrefix && (d.OpcodeFlags & opf::kModRmFollowsOpSize) ? kReg16[d.Rm] : kReg32[d.Rm];
    case opf::kModQword:
        return (k.modToXmm ? "xmm" : "mm") + std::to_string(d.Rm);
    case opf::kModOword:
        return "xmm" + std::to_string(d.Rm);
    default:
        return "st(" + std::to_string(d.Rm) + ")";
    }
}

// Operands of opcodes without a ModRM byte; may be two (xchg eax, reg; in al, dx).
std::vector<std::string> PlainRegisterOperands(const TDecodedInstruction& d) {
    const bool is16 = d.OpSizePrefix && (d.OpcodeFlags & opf::kRegFollowsOpSize);
    const char* const* full = is16 ? kReg16 : kReg32;
    const int opReg = d.Info.Opcode & 7;
    switch (opf::RegKind(d.OpcodeFlags)) {
    case opf::kOpAl:
        return {"al"};
    case opf::kOpEax:
        return {full[0]};
    case opf::kOpReg8:
        return {kReg8[opReg]};
    case opf::kOpRegV:
        return {full[opReg]};
    case opf::kOpEaxReg:
        return {full[0], full[opReg]};
    case opf::kOpAccDx:
        return {(d.Info.Opcode & 1) ? full[0] : "al", "dx"};
    default:
        return {};
    }
}

std::uint32_t ReadImmediate(CodeReader& reader, Address at, int size) {
    std::uint8_t b[4] = {};
    if (size > 4 || !reader.Read(at, b, size)) return 0;
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
           std::uint32_t(b[3]) << 24;
}

std::string ImmediateOperand(CodeReader& reader, const TDecodedInstruction& d) {
    const std::uint16_t op = d.Info.Opcode;
    if (!d.ImmSize || op == 0x0F0F || ((op == 0xD4 || op == 0xD5) && d.Imm == 10)) return {};
    if (d.OpcodeFlags & opf::kRelative) return Signed(d.Imm, true) + " ($" + Hex(RelativeTarget(d)) + ")";
    if (op == 0x69 || op == 0x6B || (op >= 0x80 && op <= 0x83)) return Signed(d.Imm, false);
    if (op == 0xC8) {
        const std::uint32_t frame = ReadImmediate(reader, d.ImmPos, 2);
        const std::uint32_t level = ReadImmediate(reader, d.ImmPos + 2, 1);
        return level ? "$" + Hex(frame) + ", $" + Hex(level) : Unsigned(frame);
    }
    if (op == 0x9A || op == 0xEA) {
        const int offsetSize = d.ImmSize - 2;
        const std::uint32_t offset = ReadImmediate(reader, d.ImmPos, offsetSize);
        const std::uint32_t selector = ReadImmediate(reader, d.ImmPos + offsetSize, 2);
        return selector ? "$" + Hex(selector) + ":$" + Hex(offset) : "$" + Hex(offset);
    }
    if (op == 0x6A) return Unsigned(static_cast<std::uint32_t>(d.Imm));
    const std::uint32_t mask = d.ImmSize >= 4 ? 0xFFFFFFFFu : (1u << (8 * d.ImmSize)) - 1;
    return Unsigned(static_cast<std::uint32_t>(d.Imm) & mask);
}

// "[address]" of mov al/eax, moffs.
std::string MemoryOffsetOperand(const TDecodedInstruction& d) {
    const bool byte = (d.Info.Opcode & 1) == 0;
    const int size = byte ? 1 : d.OpSizePrefix ? 2 : 4;
    return SizePrefix(size) + SegmentPrefix(d) + "[" + Unsigned(static_cast<std::uint32_t>(d.Imm)) + "]";
}

std::vector<std::string> Operands(CodeReader& reader, const TDecodedInstruction& d) {
    const std::uint16_t op = d.Info.Opcode;
    const OperandKinds k = KindsOf(d);
    std::vector<std::string> regs =
        d.HasModRm ? std::vector<std::string>{RegisterOperand(d, k)} : PlainRegisterOperands(d);
    std::string modRm = op >= 0xA0 && op <= 0xA3 ? MemoryOffsetOperand(d) : ModRmOperand(d, k);
    std::string imm = op >= 0xA0 && op <= 0xA3 ? std::string() : ImmediateOperand(reader, d);
    std::vector<std::string> list;
    auto add = [&list](const std::string& s) {
        if (!s.empty()) list.push_back(s);
    };
    if (k.swap) add(modRm);
    for (const std::string& r : regs) add(r);
    if (!k.swap) add(modRm);
    add(imm);
    if (op == 0xE6 || op == 0xE7 || op == 0xEE || op == 0xEF) // out: port first
        std::reverse(list.begin(), list.end());
    if (op == 0xD0 || op == 0xD1) list.push_back("1");
    if (op == 0xD2 || op == 0xD3 || op == 0x0FA5 || op == 0x0FAD) list.push_back("cl");
    return list;
}

std::string ModuleNote(CodeEnvironment& env, Address address) {
    ModuleSpan module;
    if (!env.ModuleOf(address, module) || module.IsMainModule) return {};
    const auto slash = module.FileName.find_last_of("\\/");
    return " (" + (slash == std::string::npos ? module.FileName : module.FileName.substr(slash + 1)) + ")";
}

// Name of a call or jump target, looking through one jump thunk inside the target's module.
std::string TargetName(CodeEnvironment& env, Address target) {
    ModuleSpan module;
    if (!env.ModuleOf(target, module)) return {};
    std::string name = env.NameOfAddress(target);
    if (name.empty() && target >= module.Base && target - module.Base < module.ImageSize) {
        const TInstructionInfo thunk = DecodeInstructionAt(env, target);
        if (thunk.IsValid && thunk.Target) {
            name = env.NameOfAddress(thunk.Target);
            if (!name.empty()) name += ModuleNote(env, thunk.Target);
            return name;
        }
    }
    return name.empty() ? name : name + ModuleNote(env, target);
}

bool WithinModule(const ModuleSpan& m, Address value) {
    return value >= m.Base && m.ImageSize > kTextReach && value - m.Base <= m.ImageSize - kTextReach;
}

// A constant that points to readable text (or, once removed, to a pointer to it).
std::string TextComment(CodeEnvironment& env, Address value, bool followPointer, const ModuleSpan& module) {
    if (!WithinModule(module, value)) return {};
    if (followPointer) {
        Address inner = 0;
        if (env.Read(value, &inner, 4) && WithinModule(module, inner)) value = inner;
    }
    if (std::string name = env.NameOfAddress(value); !name.empty()) return name;
    std::string text;
    int letters = 0, punctuation = 0, others = 0, high = 0;
    for (std::uint32_t i = 0; i < kTextReach; ++i) {
        std::uint8_t c = 0;
        if (!env.Read(value + i, &c, 1)) return {};
        if (c == 0x00 || c == 0x0A || c == 0x0C) break;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ')
            ++letters;
        else if (c == ',' || c == '.' || c == ':' || c == '\\')
            ++punctuation;
        else if (c >= 0x21 && c <= 0x5D)
            ++others;
        else if (c >= 0x5E)
            ++high;
        else
            return {};
        text += static_cast<char>(c);
    }
    const bool plausible = text.size() >= 4 && 2 * letters > 5 * punctuation &&
                           2 * letters + punctuation > 16 * others &&
                           4 * letters + 2 * punctuation + others > 40 * high;
    return plausible ? "'" + text + "'" : std::string();
}

std::string Comment(CodeEnvironment& env, const TDecodedInstruction& d) {
    if (d.Info.Target) return TargetName(env, d.Info.Target);
    ModuleSpan module;
    if (!env.ModuleOf(d.Info.This, module)) return {};
    std::string comment;
    if (d.IsMemory && d.DispSize == 4) comment = TextComment(env, d.DispUnsigned, true, module);
    if (comment.empty() && d.ImmSize == 4)
        comment =
            TextComment(env, static_cast<std::uint32_t>(d.Imm), (d.OpcodeFlags & opf::kSizePtr) != 0, module);
    return comment;
}

std::string InvalidLines(CodeEnvironment& env, const TInstructionInfo& info) {
    std::string text;
    const Address end = std::max(info.Next, info.This + 1);
    for (Address at = info.This; at < end; ++at) {
        std::uint8_t b = 0;
        if (!env.Read(at, &b, 1)) break;
        if (!text.empty()) text += kCrLf;
        text += Hex8(at) + "   db $" + (b < 16 ? "0" : "") + Hex(b);
    }
    return text;
}

} // namespace

std::string ResolveMnemonic(const TDecodedInstruction& d) {
    if (d.Info.Opcode == 0x0F0F) {
        const char* name = ThreeDNowName(static_cast<std::uint8_t>(d.Imm));
        return name ? name : "";
    }
    return d.Mnemonic ? ReadableMnemonic(d.Mnemonic, d) : std::string();
}

std::string ComposeInstructionText(CodeEnvironment& env, Address address, TRegisterState* regs,
                                   TInstructionInfo& info, bool resolveByRegs) {
    const TDecodedInstruction d = DecodeInstruction(env, address, regs, resolveByRegs);
    info = d.Info;
    if (!d.ReadStarted) return {};
    if (!info.IsValid) return InvalidLines(env, info);
    std::string line = Hex8(address) + "   ";
    if (d.Lock) line += "lock ";
    // A prefix F2 or F3 before FF repeats nothing.
    if (info.Opcode < 0xFF && d.Repne)
        line += "repne ";
    else if (info.Opcode < 0xFF && d.Rep)
        line += "rep ";
    line += ResolveMnemonic(d);
    const std::vector<std::string> operands = Operands(env, d);
    for (std::size_t i = 0; i < operands.size(); ++i) {
        if (i == 0)
            PadTo(line, kOperandColumn);
        else
            line += ", ";
        line += operands[i];
    }
    if (std::string comment = Comment(env, d); !comment.empty()) {
        PadTo(line, kCommentColumn, false);
        line += "  ; " + comment;
    }
    return line;
}

namespace {

class Listing {
public:
    Listing(CodeEnvironment& env, const TFunctionInfo& info, Address fault, bool labels)
        : env_(env), info_(info), fault_(fault), labels_(labels) {}

    bool Compose() {
        name_ = env_.NameOfAddress(info_.EntryPoint);
        entryLabel_ = name_.empty() ? "sub_" + Hex(info_.EntryPoint) : name_;
        if (!name_.empty())
            name_ = "public " + name_;
        else
            name_ = entryLabel_;
        if (env_.HasLineNumbers())
            if (const int line = env_.LineOf(info_.CodeBegin + info_.CodeLen - 1); line > 0)
                lineWidth_ = std::to_string(line).size();
        std::vector<const TCodeArea*> ordered;
        Address next = 0;
        bool first = true;
        while (ordered.size() < info_.CodeAreas.size()) {
            const TCodeArea* lowest = nullptr;
            for (const TCodeArea& a : info_.CodeAreas)
                if ((first || a.AreaBegin >= next) && (!lowest || a.AreaBegin < lowest->AreaBegin))
                    lowest = &a;
            if (!lowest || (!first && lowest->AreaBegin < next)) return false;
            ordered.push_back(lowest);
            next = lowest->AreaEnd + 1;
            first = false;
            if (!next && ordered.size() < info_.CodeAreas.size()) return false;
        }
        for (std::size_t i = 0; i < ordered.size(); ++i) Area(*ordered[i], i + 1 == ordered.size());
        while (!lines_.empty() && lines_.back().kind == Kind::Empty) lines_.pop_back();
        return true;
    }

    std::string Text(int limit) const {
        std::size_t from = 0, to = lines_.size();
        bool head = false, tail = false;
        // A fault beyond every listed instruction has its line past the end: the listing's last lines.
        const std::size_t faultLine = faultLine_ == kNone ? lines_.size() : faultLine_;
        if (limit > 0) {
            const std::size_t count = faultLine + 1;
            if (count > static_cast<std::size_t>(limit) * 12 / 10) {
                from = faultLine - limit;
                head = true;
            }
            if (to > faultLine + 1 + limit) {
                to = faultLine + 1 + limit;
                tail = true;
            }
        }
        std::string text = head ? "[...]" : "";
        for (std::size_t i = from; i < to; ++i) {
            if (!text.empty()) text += kCrLf;
            text += lines_[i].text;
        }
        if (tail) text += std::string(kCrLf) + "[...]";
        return text;
    }

private:
    enum class Kind { Label, Instruction, Data, Empty, Separator };
    struct Line {
        Kind kind;
        std::string text;
    };
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    void Add(Kind kind, Address address, const std::string& text) {
        lines_.push_back({kind, text.empty() ? Hex8(address) : Hex8(address) + " " + text});
    }
    void Empty(Address address) { Add(Kind::Empty, address, ""); }
    bool AfterInstruction() const { return !lines_.empty() && lines_.back().kind == Kind::Instruction; }
    bool AfterEmpty() const { return !lines_.empty() && lines_.back().kind == Kind::Empty; }

    // Inserts the source line column after the address and its blank of an instruction or data line.
    void Number(std::string& line, Address address) {
        if (!lineWidth_) return;
        const int number = env_.LineOf(address);
        std::string column;
        if (number != lastNumber_ && number > 0) {
            column = std::to_string(number);
            column.insert(0, lineWidth_ > column.size() ? lineWidth_ - column.size() : 0, '0');
            column += ' ';
            lastNumber_ = number;
        } else {
            column.assign(lineWidth_ + 1, ' ');
        }
        line.insert(std::min<std::size_t>(9, line.size()), column);
    }

    std::string LabelOf(Address address) const {
        return address == info_.EntryPoint ? entryLabel_ : "loc_" + Hex(address);
    }

    bool IsAreaBegin(Address address) const {
        return std::any_of(info_.CodeAreas.begin(), info_.CodeAreas.end(),
                           [&](const TCodeArea& a) { return a.AreaBegin == address && !a.IsCaseTable; });
    }

    void Area(const TCodeArea& area, bool last) {
        const bool entry = area.AreaBegin == info_.EntryPoint;
        if (entry || (labels_ && (area.JumpSource || area.IsLandingPad))) {
            if (AfterInstruction()) Empty(area.AreaBegin);
            std::string label = (entry ? name_ : LabelOf(area.AreaBegin)) + ":";
            if (entry) {
                PadTo(label, kLabelColumn, false);
                label += "  ; function entry point";
            }
            Add(Kind::Label, area.AreaBegin, label);
        }
        if (area.IsCaseTable) {
            if (labels_ && AfterInstruction()) {
                Empty(area.AreaBegin);
                Add(Kind::Separator, area.AreaBegin, kSeparator);
                Empty(area.AreaBegin);
            }
            CaseTable(area);
            if (labels_ && !last) {
                Empty(area.AreaEnd);
                Add(Kind::Separator, area.AreaEnd, kSeparator);
                Empty(area.AreaEnd);
            }
            return;
        }
        Code(area, last);
    }

    void CaseTable(const TCodeArea& area) {
        for (Address at = area.AreaBegin; at + 3 <= area.AreaEnd; at += 4) {
            Address entry = 0;
            env_.Read(at, &entry, 4);
            std::string text = "  dd loc_" + Hex(entry);
            if (at == area.AreaBegin) {
                PadTo(text, kLabelColumn, false);
                text += "  ; case jump table";
            }
            Data(at, text);
        }
    }

    void Data(Address at, const std::string& text) {
        std::string line = Hex8(at) + " " + text;
        Number(line, at);
        lines_.push_back({Kind::Data, line});
    }

    void Code(const TCodeArea& area, bool lastArea) {
        TRegisterState regs = area.AreaRegs;
        for (Address at = area.AreaBegin; at <= area.AreaEnd && at >= area.AreaBegin;) {
            TInstructionInfo ins;
            std::string line = ComposeInstructionText(env_, at, &regs, ins, true);
            if (line.empty() || !ins.Next || ins.Next <= at) break;
            if (ins.IsValid && ins.Target && IsAreaBegin(ins.Target)) {
                const std::size_t cut = line.find(' ', 11);
                line.resize(std::min(cut == std::string::npos ? line.size() : cut, line.size()));
                PadTo(line, kOperandColumn);
                line += LabelOf(ins.Target);
            }
            if (faultLine_ == kNone && fault_ < ins.Next) {
                faultLine_ = lines_.size();
                if (line.size() > 9) line[9] = '>';
            }
            Number(line, at);
            lines_.push_back({Kind::Instruction, line});
            const bool more = !lastArea || ins.Next <= area.AreaEnd;
            at = ins.Next;
            if (!labels_ || !more || !ins.IsValid) continue;
            const std::uint16_t op = ins.Opcode;
            const bool ret = op == 0xC2 || op == 0xC3 || op == 0xCA || op == 0xCB || op == 0xCF;
            const bool unconditional = ins.IsJump && (op == 0xE9 || op == 0xEA || op == 0xEB || op == 0xFF);
            if (ins.IsCall || (ins.IsJump && !unconditional)) {
                Empty(at);
            } else if (ret || unconditional) {
                Empty(at);
                Add(Kind::Separator, at, kSeparator);
                Empty(at);
            }
        }
    }

    CodeEnvironment& env_;
    const TFunctionInfo& info_;
    Address fault_;
    bool labels_;
    std::string name_, entryLabel_;
    std::size_t lineWidth_ = 0;
    int lastNumber_ = 0;
    std::size_t faultLine_ = kNone;
    std::vector<Line> lines_;
};

} // namespace

std::string ParseFunction(CodeEnvironment& env, Address codeAddress, Address faultAddress, int lineLimit,
                          bool labels, TFunctionInfo& info) {
    AnalyseFunction(env, codeAddress, info);
    if (!info.IsValid) return {};
    Listing listing(env, info, faultAddress, labels);
    if (!listing.Compose())
        return "Internal error in ParseFunction while composing the disassembling string...  :-(";
    return listing.Text(lineLimit);
}

} // namespace core
