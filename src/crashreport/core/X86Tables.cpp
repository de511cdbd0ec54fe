// Opcode maps of the decoder: OpcodeFlags and mnemonic pattern per opcode (pattern syntax: DisasmText.h).
#include "crashreport/core/X86Decoder.h"

namespace core {
namespace {

using namespace opf;

constexpr std::uint16_t RO = kRegFollowsOpSize, MO = kModRmFollowsOpSize, PT = kSizePtr, MF = kModRmFirst,
                        RL = kRelative;
enum : unsigned { I0, IB, IW, IV };                                   // immediate
enum : unsigned { W0, WReg, WRm, WOp, WAcc, WRegRm, WAccRm, WAccOp }; // written register

constexpr std::uint16_t F(unsigned reg, unsigned mod, unsigned imm = I0, unsigned write = W0,
                          std::uint16_t bits = 0) {
    return static_cast<std::uint16_t>(reg | (mod << 3) | (imm << 10) | (write << 13) | bits);
}

constexpr std::uint16_t UD = kUndefined;
constexpr std::uint16_t EbGb = F(kReg8, kModByte, I0, WRm, MF),
                        EvGv = F(kReg32, kModDword, I0, WRm, RO | MO | MF),
                        GbEb = F(kReg8, kModByte, I0, WReg), GvEv = F(kReg32, kModDword, I0, WReg, RO | MO),
                        AlIb = F(kOpAl, kModNone, IB, WAcc), AxIv = F(kOpEax, kModNone, IV, WAcc, RO);
constexpr std::uint16_t CmpEbGb = F(kReg8, kModByte, I0, W0, MF),
                        CmpEvGv = F(kReg32, kModDword, I0, W0, RO | MO | MF), CmpGbEb = F(kReg8, kModByte),
                        CmpGvEv = F(kReg32, kModDword, I0, W0, RO | MO), CmpAlIb = F(kOpAl, kModNone, IB),
                        CmpAxIv = F(kOpEax, kModNone, IV, W0, RO);
constexpr std::uint16_t IncReg = F(kOpRegV, kModNone, I0, WOp, RO),
                        PushReg = F(kOpRegV, kModNone, I0, W0, RO);
constexpr std::uint16_t Jb = F(0, kModNone, IB, W0, RL), Jv = F(0, kModNone, IV, W0, RL);
constexpr std::uint16_t Acc = F(0, kModNone, I0, WAcc);
constexpr std::uint16_t Grp = F(0, kModGroup);
constexpr std::uint16_t Shift8 = F(0, kModByte, I0, WRm, PT), ShiftV = F(0, kModDword, I0, WRm, MO | PT);
// MMX/SSE forms: P/Q follow 66 to XMM, V/W are XMM.
constexpr std::uint16_t PQ = F(kRegMmx, kModQword, I0, W0, RO | MO),
                        QP = F(kRegMmx, kModQword, I0, W0, RO | MO | MF), VW = F(kRegXmm, kModOword),
                        WV = F(kRegXmm, kModOword, I0, W0, MF), VWIb = F(kRegXmm, kModOword, IB),
                        PQIb = F(kRegMmx, kModQword, IB, W0, RO | MO), NIb = F(0, kModQword, IB, W0, MO);

// The maps are laid out a row of the opcode map at a time.
// clang-format off
#define ALU(name, a, b, c, d, e, f) {a, name}, {b, name}, {c, name}, {d, name}, {e, name}, {f, name}
#define ALU_W(name) ALU(name, EbGb, EvGv, GbEb, GvEv, AlIb, AxIv)
#define ALU_C(name) ALU(name, CmpEbGb, CmpEvGv, CmpGbEb, CmpGvEv, CmpAlIb, CmpAxIv)
#define X8(e) e, e, e, e, e, e, e, e
#define CC16(flags, name) X8((OpcodeEntry{flags, name})), X8((OpcodeEntry{flags, name}))

} // namespace

constexpr OpcodeEntry kOneByteMap[256] = {
    // 00
    ALU_W("add"), {0, "push    %seg"}, {0, "pop     %seg"},
    ALU_W("or"), {0, "push    %seg"}, {UD, nullptr},
    // 10
    ALU_W("adc"), {0, "push    %seg"}, {0, "pop     %seg"},
    ALU_W("sbb"), {0, "push    %seg"}, {0, "pop     %seg"},
    // 20
    ALU_W("and"), {UD, nullptr}, {Acc, "daa"},
    ALU_W("sub"), {UD, nullptr}, {Acc, "das"},
    // 30
    ALU_W("xor"), {UD, nullptr}, {Acc, "aaa"},
    ALU_C("cmp"), {UD, nullptr}, {Acc, "aas"},
    // 40
    X8((OpcodeEntry{IncReg, "inc"})), X8((OpcodeEntry{IncReg, "dec"})),
    // 50
    X8((OpcodeEntry{PushReg, "push"})), X8((OpcodeEntry{IncReg, "pop"})),
    // 60
    {0, "pushad/pusha"}, {0, "popad/popa"}, {F(kReg32, kModQword, I0, W0, RO), "bound"},
    {F(kReg16, kModWord, I0, WRm, MF), "arpl"}, {UD, nullptr}, {UD, nullptr}, {UD, nullptr}, {UD, nullptr},
    {F(0, kModNone, IV), "push"}, {F(kReg32, kModDword, IV, WReg, RO | MO), "imul"},
    {F(0, kModNone, IB), "push"}, {F(kReg32, kModDword, IB, WReg, RO | MO), "imul"},
    {0, "insb"}, {0, "insd/insw"}, {0, "outsb"}, {0, "outsd/outsw"},
    // 70
    CC16(Jb, "j%cc"),
    // 80
    {F(0, kModByte, IB, W0, PT), "add|or|adc|sbb|and|sub|xor|cmp"},
    {F(0, kModDword, IV, W0, MO | PT), "add|or|adc|sbb|and|sub|xor|cmp"},
    {F(0, kModByte, IB, W0, PT), "add|or|adc|sbb|and|sub|xor|cmp"},
    {F(0, kModDword, IB, W0, MO | PT), "add|or|adc|sbb|and|sub|xor|cmp"},
    {CmpEbGb, "test"}, {CmpEvGv, "test"}, {F(kReg8, kModByte, I0, WRegRm, MF), "xchg"},
    {F(kReg32, kModDword, I0, WRegRm, RO | MO | MF), "xchg"},
    {EbGb, "mov"}, {EvGv, "mov"}, {GbEb, "mov"}, {GvEv, "mov"},
    {F(kRegSeg, kModDword, I0, WRm, RO | MO | MF), "mov"}, {GvEv, "lea"}, {F(kRegSeg, kModWord), "mov"},
    {F(0, kModDword, I0, WRm, MO | PT), "pop"},
    // 90
    {0, "nop"}, {F(kOpEaxReg, kModNone, I0, WAccOp, RO), "xchg"}, {F(kOpEaxReg, kModNone, I0, WAccOp, RO), "xchg"},
    {F(kOpEaxReg, kModNone, I0, WAccOp, RO), "xchg"}, {F(kOpEaxReg, kModNone, I0, WAccOp, RO), "xchg"},
    {F(kOpEaxReg, kModNone, I0, WAccOp, RO), "xchg"}, {F(kOpEaxReg, kModNone, I0, WAccOp, RO), "xchg"},
    {F(kOpEaxReg, kModNone, I0, WAccOp, RO), "xchg"},
    {Acc, "cwde/cbw"}, {0, "cdq/cwd"}, {0, "call"}, {0, "wait"}, {0, "pushfd/pushf"}, {0, "popfd/popf"},
    {0, "sahf"}, {Acc, "lahf"},
    // A0
    {F(kOpAl, kModNone, I0, WAcc, PT), "mov"}, {F(kOpEax, kModNone, I0, WAcc, RO | PT), "mov"},
    {F(kOpAl, kModNone, I0, W0, PT | MF), "mov"}, {F(kOpEax, kModNone, I0, W0, RO | PT | MF), "mov"},
    {0, "movsb"}, {0, "movsd/movsw"}, {0, "cmpsb"}, {0, "cmpsd/cmpsw"},
    {CmpAlIb, "test"}, {CmpAxIv, "test"}, {0, "stosb"}, {0, "stosd/stosw"}, {Acc, "lodsb"},
    {Acc, "lodsd/lodsw"}, {0, "scasb"}, {0, "scasd/scasw"},
    // B0
    X8((OpcodeEntry{F(kOpReg8, kModNone, IB, WOp), "mov"})),
    X8((OpcodeEntry{F(kOpRegV, kModNone, IV, WOp, RO), "mov"})),
    // C0
    {F(0, kModByte, IB, WRm, PT), "rol|ror|rcl|rcr|shl|shr|sal|sar"},
    {F(0, kModDword, IB, WRm, MO | PT), "rol|ror|rcl|rcr|shl|shr|sal|sar"},
    {F(0, kModNone, IW), "ret"}, {0, "ret"}, {GvEv, "les"}, {GvEv, "lds"},
    {F(0, kModByte, IB, WRm, PT), "mov"}, {F(0, kModDword, IV, WRm, MO | PT), "mov"},
    {0, "enter"}, {0, "leave"}, {F(0, kModNone, IW), "retf"}, {0, "retf"}, {0, "int     3"},
    {F(0, kModNone, IB), "int"}, {0, "into"}, {0, "iretd/iret"},
    // D0
    {Shift8, "rol|ror|rcl|rcr|shl|shr|sal|sar"}, {ShiftV, "rol|ror|rcl|rcr|shl|shr|sal|sar"},
    {Shift8, "rol|ror|rcl|rcr|shl|shr|sal|sar"}, {ShiftV, "rol|ror|rcl|rcr|shl|shr|sal|sar"},
    {F(0, kModNone, IB, WAcc), "aam"}, {F(0, kModNone, IB, WAcc), "aad"}, {Acc, "salc"}, {Acc, "xlat"},
    {Grp, "add|mul|com|comp|sub|subr|div|divr"},
    {Grp, "ld||st|stp|ldenv|ldcw|nstenv|nstcw|ld|xch|nop|stp1|chs-abs---tst-xam|ld1-ldl2t-ldl2e-ldpi-ldlg2-ldln2-"
          "ldz|2xm1-yl2x-ptan-patan-xtract-prem1-decstp-incstp|prem-yl2xp1-sqrt-sincos-rndint-scale-sin-cos"},
    {Grp, "iadd|imul|icom|icomp|isub|isubr|idiv|idivr|cmovb|cmove|cmovbe|cmovu||ucompp"},
    {Grp, "ild||ist|istp||ld||stp|cmovnb|cmovne|cmovnbe|cmovnu|neni-ndisi-nclex-ninit-nsetpm|ucomi|comi"},
    {Grp, "add|mul|com|comp|sub|subr|div|divr|add|mul|com|comp|subr|sub|divr|div"},
    {Grp, "ld||st|stp|rstor||nsave|nstsw|free|xch4|st|stp|ucom|ucomp"},
    {Grp, "iadd|imul|icom|icomp|isub|isubr|idiv|idivr|addp|mulp|comp5|compp|subrp|subp|divrp|divp"},
    {Grp, "ild||ist|istp|bld|ild|bstp|istp|freep|xch7|stp8|stp9|nstsw  ax|ucomip|comip"},
    // E0
    {Jb, "loopne"}, {Jb, "loope"}, {Jb, "loop"}, {Jb, "jecxz"},
    {F(kOpAl, kModNone, IB, WAcc), "in"}, {F(kOpEax, kModNone, IB, WAcc, RO), "in"},
    {F(kOpAl, kModNone, IB), "out"}, {F(kOpEax, kModNone, IB, W0, RO), "out"},
    {F(0, kModNone, IV, W0, RL), "call"}, {Jv, "jmp"}, {0, "jmp"}, {Jb, "jmp"},
    {F(kOpAccDx, kModNone, I0, WAcc), "in"}, {F(kOpAccDx, kModNone, I0, WAcc, RO), "in"},
    {F(kOpAccDx, kModNone), "out"}, {F(kOpAccDx, kModNone, I0, W0, RO), "out"},
    // F0
    {UD, nullptr}, {0, "int01"}, {UD, nullptr}, {UD, nullptr}, {0, "hlt"}, {0, "cmc"},
    {Grp, "test||not|neg|mul|imul|div|idiv"}, {Grp, "test||not|neg|mul|imul|div|idiv"},
    {0, "clc"}, {0, "stc"}, {0, "cli"}, {0, "sti"}, {0, "cld"}, {0, "std"},
    {F(0, kModByte, I0, W0, PT), "inc|dec"}, {F(0, kModDword, I0, W0, MO | PT), "inc|dec|call|call|jmp|jmp|push"},
};

constexpr OpcodeEntry kTwoByteMap[256] = {
    // 0F 00
    {F(0, kModWord, I0, W0, PT), "sldt|str|lldt|ltr|verr|verw"}, {F(0, kModWord), "sgdt|sidt|lgdt|lidt|smsw||lmsw|invlpg"},
    {F(kReg32, kModWord, I0, WReg, RO), "lar"}, {F(kReg32, kModWord, I0, WReg, RO), "lsl"}, {UD, nullptr},
    {0, "syscall"}, {0, "clts"}, {0, "sysret"}, {0, "invd"}, {0, "wbinvd"}, {UD, nullptr}, {UD, nullptr},
    {UD, nullptr}, {F(0, kModByte), "prefetch|prefetchw"}, {0, "femms"}, {F(kRegMmx, kModQword, IB, W0, PT), nullptr},
    // 0F 10
    {VW, "movuPS//movPS/movPS"}, {WV, "movuPS//movPS/movPS"},
    {VW, "movhlPS:movlPS/movlPS/movhlPS:movlPS/movhlPS:movlPS"}, {WV, "movlPS"}, {VW, "unpcklPS"},
    {VW, "unpckhPS"}, {VW, "movlhPS:movhPS/movhPS/movlhPS:movhPS/movlhPS:movhPS"}, {WV, "movhPS"},
    {F(0, kModByte), "prefetchnta|prefetcht0|prefetcht1|prefetcht2|prefetcht3"}, {UD, nullptr}, {UD, nullptr},
    {UD, nullptr}, {UD, nullptr}, {UD, nullptr}, {UD, nullptr}, {F(0, kModDword, I0, W0, MO | PT), "nop"},
    // 0F 20
    {F(kRegSeg, kModDword, I0, WRm, MF), "mov"}, {F(kRegSeg, kModDword, I0, WRm, MF), "mov"},
    {F(kRegSeg, kModDword), "mov"}, {F(kRegSeg, kModDword), "mov"}, {UD, nullptr}, {UD, nullptr}, {UD, nullptr},
    {UD, nullptr}, {VW, "movaPS"}, {WV, "movaPS"}, {F(kRegXmm, kModQword), "cvtPi2PS"}, {WV, "movntPS"},
    {F(kRegMmx, kModOword), "cvttPS2Pi"}, {F(kRegMmx, kModOword), "cvtPS2Pi"}, {VW, "ucomiS"}, {VW, "comiS"},
    // 0F 30
    {0, "wrmsr"}, {Acc, "rdtsc"}, {Acc, "rdmsr"}, {Acc, "rdpmc"}, {0, "sysenter"}, {0, "sysexit"}, {UD, nullptr},
    {UD, nullptr}, X8((OpcodeEntry{UD, nullptr})),
    // 0F 40
    CC16(GvEv, "cmov%cc"),
    // 0F 50
    {F(kReg32, kModOword, I0, WReg), "movmskPS"}, {VW, "sqrtPS"}, {VW, "rsqrtPS"}, {VW, "rcpPS"}, {VW, "andPS"},
    {VW, "andnPS"}, {VW, "orPS"}, {VW, "xorPS"}, {VW, "addPS"}, {VW, "mulPS"}, {VW, "cvtPs2Pd/cvtPd2Ps/cvtPd2Ps"},
    {VW, "cvtdq2ps/cvtps2dq//cvttps2dq"}, {VW, "subPS"}, {VW, "minPS"}, {VW, "divPS"}, {VW, "maxPS"},
    // 0F 60
    {PQ, "punpcklbw"}, {PQ, "punpcklwd"}, {PQ, "punpckldq"}, {PQ, "packsswb"}, {PQ, "pcmpgtb"}, {PQ, "pcmpgtw"},
    {PQ, "pcmpgtd"}, {PQ, "packuswb"}, {PQ, "punpckhbw"}, {PQ, "punpckhwd"}, {PQ, "punpckhdq"}, {PQ, "packssdw"},
    {PQ, "punpcklqdq"}, {PQ, "punpckhqdq"}, {F(kRegMmx, kModDword, I0, W0, RO), "movd"},
    {PQ, "movq/movdqa//movdqu"},
    // 0F 70
    {PQIb, "pshufw/pshufd/pshuflw/pshufhw"}, {NIb, "||psrlw||psraw||psllw"}, {NIb, "||psrld||psrad||pslld"},
    {NIb, "||psrlq|psrldq|||psllq|pslldq"}, {PQ, "pcmpeqb"}, {PQ, "pcmpeqw"}, {PQ, "pcmpeqd"}, {0, "emms"},
    {UD, nullptr}, {UD, nullptr}, {UD, nullptr}, {UD, nullptr}, {UD, nullptr}, {UD, nullptr},
    {F(kRegMmx, kModDword, I0, W0, RO | MF), "movd///movq"}, {QP, "movq/movdqa//movdqu"},
    // 0F 80
    CC16(Jv, "j%cc"),
    // 0F 90
    CC16(F(0, kModByte, I0, WRm, PT), "set%cc"),
    // 0F A0
    {0, "push    %seg"}, {0, "pop     %seg"}, {F(0, kModNone, I0, WAcc), "cpuid"}, {CmpEvGv, "bt"},
    {F(kReg32, kModDword, IB, WRm, RO | MO | MF), "shld"}, {EvGv, "shld"}, {UD, nullptr}, {UD, nullptr},
    {0, "push    %seg"}, {0, "pop     %seg"}, {0, "rsm"}, {EvGv, "bts"},
    {F(kReg32, kModDword, IB, WRm, RO | MO | MF), "shrd"}, {EvGv, "shrd"},
    {F(0, kModByte), "fxsave|fxrstor|ldmxcsr|stmxcsr||lfence|mfence|sfence:clflush"}, {GvEv, "imul"},
    // 0F B0
    {F(kReg8, kModByte, I0, WAccRm, MF), "cmpxchg"}, {F(kReg32, kModDword, I0, WAccRm, RO | MO | MF), "cmpxchg"},
    {GvEv, "lss"}, {EvGv, "btr"}, {GvEv, "lfs"}, {GvEv, "lgs"}, {F(kReg32, kModByte, I0, WReg, RO | PT), "movzx"},
    {F(kReg32, kModWord, I0, WReg, RO | PT), "movzx"}, {UD, nullptr}, {UD, nullptr},
    {F(0, kModDword, IB, W0, MO | PT), "||||bt|bts|btr|btc"}, {EvGv, "btc"}, {GvEv, "bsf"}, {GvEv, "bsr"},
    {F(kReg32, kModByte, I0, WReg, RO | PT), "movsx"}, {F(kReg32, kModWord, I0, WReg, RO | PT), "movsx"},
    // 0F C0
    {F(kReg8, kModByte, I0, WRegRm, MF), "xadd"}, {F(kReg32, kModDword, I0, WRegRm, RO | MO | MF), "xadd"},
    {VWIb, "cmpPS"}, {F(kReg32, kModDword, I0, W0, MF), "movnti"}, {F(kRegMmx, kModDword, IB, W0, RO), "pinsrw"},
    {F(kReg32, kModQword, IB, WReg, MO), "pextrw"}, {VWIb, "shufPS"}, {F(0, kModQword, I0, WAcc, PT), "cmpxchg8b"},
    X8((OpcodeEntry{F(kOpRegV, kModNone, I0, WOp), "bswap"})),
    // 0F D0
    {UD, nullptr}, {PQ, "psrlw"}, {PQ, "psrld"}, {PQ, "psrlq"}, {PQ, "paddq"}, {PQ, "pmullw"},
    {QP, "movq//movdq2q/movq2dq"}, {F(kReg32, kModQword, I0, WReg, MO), "pmovmskb"}, {PQ, "psubusb"},
    {PQ, "psubusw"}, {PQ, "pminub"}, {PQ, "pand"}, {PQ, "paddusb"}, {PQ, "paddusw"}, {PQ, "pmaxub"}, {PQ, "pandn"},
    // 0F E0
    {PQ, "pavgb"}, {PQ, "psraw"}, {PQ, "psrad"}, {PQ, "pavgw"}, {PQ, "pmulhuw"}, {PQ, "pmulhw"},
    {VW, "cvttpd2dq//cvtpd2dq/cvtdq2pd"}, {QP, "movntq/movntdq"}, {PQ, "psubsb"}, {PQ, "psubsw"}, {PQ, "pminsw"},
    {PQ, "por"}, {PQ, "paddsb"}, {PQ, "paddsw"}, {PQ, "pmaxsw"}, {PQ, "pxor"},
    // 0F F0
    {UD, nullptr}, {PQ, "psllw"}, {PQ, "pslld"}, {PQ, "psllq"}, {PQ, "pmuludq"}, {PQ, "pmaddwd"}, {PQ, "psadbw"},
    {PQ, "maskmovq/maskmovdqu"}, {PQ, "psubb"}, {PQ, "psubw"}, {PQ, "psubd"}, {PQ, "psubq"}, {PQ, "paddb"},
    {PQ, "paddw"}, {PQ, "paddd"}, {UD, nullptr},
};

// clang-format on

namespace {
// Register forms of x87 rows: ST = "st, st(i)", STR = "st(i), st", SI = "st(i)", NO = no operand printed.
constexpr std::uint16_t ST = F(kRegSt, kModTbyte), STR = F(kRegSt, kModTbyte, I0, W0, MF),
                        SI = F(0, kModTbyte), NO = F(0, kModGroup);
constexpr std::uint16_t M32 = F(0, kModDword, I0, W0, PT), M64 = F(0, kModQword, I0, W0, PT),
                        M80 = F(0, kModTbyte, I0, W0, PT), M16 = F(0, kModWord, I0, W0, PT),
                        MX = F(0, kModByte);

const GroupRow kGroupRows[] = {
    {0xF6,
     {0x0510, UD, 0x4110, 0x4110, 0x8110, 0x8110, 0x8110, 0x8110},
     {0x0510, UD, 0x4110, 0x4110, 0x8110, 0x8110, 0x8110, 0x8110}},
    {0xF7,
     {0x0DA0, UD, 0x41A0, 0x41A0, 0x81A0, 0x81A0, 0x81A0, 0x81A0},
     {0x0DA0, UD, 0x41A0, 0x41A0, 0x81A0, 0x81A0, 0x81A0, 0x81A0}},
    {0xD8, {M32, M32, M32, M32, M32, M32, M32, M32}, {ST, ST, SI, SI, ST, ST, ST, ST}},
    {0xD9, {M32, UD, M32, M32, MX, M16, MX, M16}, {SI, SI, NO, SI, NO, NO, NO, NO}},
    {0xDA, {M32, M32, M32, M32, M32, M32, M32, M32}, {ST, ST, ST, ST, UD, NO, UD, UD}},
    {0xDB, {M32, UD, M32, M32, UD, M80, UD, M80}, {ST, ST, ST, ST, NO, ST, ST, UD}},
    {0xDC, {M64, M64, M64, M64, M64, M64, M64, M64}, {STR, STR, SI, SI, STR, STR, STR, STR}},
    {0xDD, {M64, UD, M64, M64, MX, UD, MX, M16}, {SI, SI, SI, SI, SI, SI, UD, UD}},
    {0xDE, {M16, M16, M16, M16, M16, M16, M16, M16}, {STR, STR, SI, NO, STR, STR, STR, STR}},
    {0xDF, {M16, UD, M16, M16, M80, M64, M80, M64}, {SI, SI, SI, SI, NO, ST, ST, UD}},
};

struct ThreeDNow {
    std::uint8_t Suffix;
    const char* Name;
};
const ThreeDNow kThreeDNow[] = {
    {0x0C, "pi2fw"},    {0x0D, "pi2fd"},   {0x1C, "pf2iw"},   {0x1D, "pf2id"},   {0x8A, "pfnacc"},
    {0x8E, "pfpnacc"},  {0x90, "pfcmpge"}, {0x94, "pfmin"},   {0x96, "pfrcp"},   {0x97, "pfrsqrt"},
    {0x9A, "pfsub"},    {0x9E, "pfadd"},   {0xA0, "pfcmpgt"}, {0xA4, "pfmax"},   {0xA6, "pfrcpit1"},
    {0xA7, "pfrsqit1"}, {0xAA, "pfsubr"},  {0xAE, "pfacc"},   {0xB0, "pfcmpeq"}, {0xB4, "pfmul"},
    {0xB6, "pfrcpit2"}, {0xB7, "pmulhrw"}, {0xBB, "pswapd"},  {0xBF, "pavgusb"},
};
} // namespace

const GroupRow* FindGroupRow(std::uint8_t opcode) {
    for (const GroupRow& row : kGroupRows)
        if (row.Opcode == opcode) return &row;
    return nullptr;
}

const char* ThreeDNowName(std::uint8_t suffix) {
    for (const ThreeDNow& entry : kThreeDNow)
        if (entry.Suffix == suffix) return entry.Name;
    return nullptr;
}

// Fixed points of both maps; a miscounted row shifts everything after it and trips these.
static_assert(kOneByteMap[0x00].Flags == 0x4211 && kOneByteMap[0x01].Flags == 0x42E4 &&
              kOneByteMap[0x02].Flags == 0x2011 && kOneByteMap[0x03].Flags == 0x20E4 &&
              kOneByteMap[0x04].Flags == 0x8401 && kOneByteMap[0x05].Flags == 0x8C42 &&
              kOneByteMap[0x38].Flags == 0x0211 && kOneByteMap[0x3C].Flags == 0x0401);
static_assert(kOneByteMap[0x40].Flags == 0x6045 && kOneByteMap[0x4F].Flags == 0x6045 &&
              kOneByteMap[0x50].Flags == 0x0045 && kOneByteMap[0x5F].Flags == 0x6045 &&
              kOneByteMap[0x68].Flags == 0x0C00 && kOneByteMap[0x69].Flags == 0x2CE4 &&
              kOneByteMap[0x6A].Flags == 0x0400 && kOneByteMap[0x70].Flags == 0x1400 &&
              kOneByteMap[0x7F].Flags == 0x1400);
static_assert(kOneByteMap[0x80].Flags == 0x0510 && kOneByteMap[0x81].Flags == 0x0DA0 &&
              kOneByteMap[0x83].Flags == 0x05A0 && kOneByteMap[0x86].Flags == 0xA211 &&
              kOneByteMap[0x88].Flags == 0x4211 && kOneByteMap[0x8B].Flags == 0x20E4 &&
              kOneByteMap[0x8C].Flags == 0x42E3 && kOneByteMap[0x91].Flags == 0xE046 &&
              kOneByteMap[0x97].Flags == 0xE046 && kOneByteMap[0xA0].Flags == 0x8101 &&
              kOneByteMap[0xA1].Flags == 0x8142 && kOneByteMap[0xB0].Flags == 0x6404 &&
              kOneByteMap[0xB8].Flags == 0x6C45 && kOneByteMap[0xBF].Flags == 0x6C45);
static_assert(kOneByteMap[0xC2].Flags == 0x0800 && kOneByteMap[0xCA].Flags == 0x0800 &&
              kOneByteMap[0xC7].Flags == 0x4DA0 && kOneByteMap[0xC8].Flags == 0x0000 &&
              kOneByteMap[0xCD].Flags == 0x0400 && kOneByteMap[0xD8].Flags == 0x0008 &&
              kOneByteMap[0xDF].Flags == 0x0008 && kOneByteMap[0xE0].Flags == 0x1400 &&
              kOneByteMap[0xE3].Flags == 0x1400 && kOneByteMap[0xE8].Flags == 0x1C00 &&
              kOneByteMap[0xE9].Flags == 0x1C00 && kOneByteMap[0xEB].Flags == 0x1400 &&
              kOneByteMap[0xEC].Flags == 0x8007 && kOneByteMap[0xF6].Flags == 0x0008 &&
              kOneByteMap[0xF7].Flags == 0x0008);
static_assert(kTwoByteMap[0x0F].Flags == 0x052D && kTwoByteMap[0x10].Flags == 0x003F &&
              kTwoByteMap[0x60].Flags == 0x00ED && kTwoByteMap[0x80].Flags == 0x1C00 &&
              kTwoByteMap[0x8F].Flags == 0x1C00 && kTwoByteMap[0x90].Flags == 0x4110 &&
              kTwoByteMap[0x9F].Flags == 0x4110 && kTwoByteMap[0xA2].Flags == 0x8000 &&
              kTwoByteMap[0xB0].Flags == 0xC211 && kTwoByteMap[0xB6].Flags == 0x2154 &&
              kTwoByteMap[0xC8].Flags == 0x6005 && kTwoByteMap[0xCF].Flags == 0x6005);
static_assert(kTwoByteMap[0x04].Flags == UD && kTwoByteMap[0x0B].Flags == UD &&
              kTwoByteMap[0x19].Flags == UD && kTwoByteMap[0x24].Flags == UD &&
              kTwoByteMap[0x3F].Flags == UD && kTwoByteMap[0x78].Flags == UD &&
              kTwoByteMap[0x7D].Flags == UD && kTwoByteMap[0xB8].Flags == UD &&
              kTwoByteMap[0xB9].Flags == UD && kTwoByteMap[0xD0].Flags == UD &&
              kTwoByteMap[0xF0].Flags == UD && kTwoByteMap[0xFF].Flags == UD);

} // namespace core
