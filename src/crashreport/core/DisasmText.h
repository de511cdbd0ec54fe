#pragma once
// Intel-syntax text of decoded instructions and the listing of a whole function for the bug report.
//
// Mnemonic patterns (X86Tables.cpp), resolved in this order: "%cc" the condition of opcode bits 0-3;
// "%seg" the segment register of opcode bits 3-5; "/" variants by prefix (66, else F2, else F3; empty
// falls back to the first); "|" group members by the ModRM reg field (9 or more: x87, register forms
// from item 9 on, "-" splits those by rm); ":" register form before memory form; "S" d with 66/F2 else s,
// "P" s with F2/F3 else p; D8-DF get "f" in front.
#include "crashreport/core/CodeEnvironment.h"
#include "crashreport/core/FunctionAnalyser.h"
#include "crashreport/core/X86Decoder.h"

#include <string>

namespace core {

std::string ResolveMnemonic(const TDecodedInstruction& d);

// One instruction as a line (address, mnemonic, operands, comment); an invalid one as "db" lines; empty
// when nothing could be read at the address.
std::string ComposeInstructionText(CodeEnvironment& env, Address address, TRegisterState* regs,
                                   TInstructionInfo& info, bool resolveByRegs);

// Lists the function containing codeAddress; empty when the analysis fails. lineLimit 0 lists all.
std::string ParseFunction(CodeEnvironment& env, Address codeAddress, Address faultAddress, int lineLimit,
                          bool labels, TFunctionInfo& info);

} // namespace core
