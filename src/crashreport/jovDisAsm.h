#pragma once
// Decoder, function analyser and disassembly text over the running process. The decoding itself is the
// portable core (core/X86Decoder.h, core/FunctionAnalyser.h, core/DisasmText.h); this unit reads the
// code through the safe reads and knows modules, exports and symbol names.
#include "crashreport/core/DisasmText.h"
#include "crashreport/core/FunctionAnalyser.h"
#include "crashreport/core/ReadableRanges.h"
#include "crashreport/core/X86Decoder.h"

#include <string>

namespace jov {

using core::TCodeArea;
using core::TDecodedInstruction;
using core::TFarCall;
using core::TFunctionInfo;
using core::TInstructionInfo;
using core::TRegisterState;
using core::TUnknownTarget;

// Symbol look-ups, installed by the symbol tables at start-up; null while there are none.
// The name is given only for an address where a symbol starts; 0 means no line known.
using TSymbolNameProc = bool (*)(const void* address, std::string& name);
using TSymbolLineProc = int (*)(const void* address);
extern TSymbolNameProc SymbolNameProc;
extern TSymbolLineProc SymbolLineProc;

TDecodedInstruction DecodeInstruction(const void* address, TRegisterState* regs, bool resolveByRegs,
                                      const TDATryRead* readable);
TInstructionInfo DecodeInstructionEx(const void* address, TRegisterState* regs, bool resolveByRegs,
                                     const TDATryRead* readable);
TInstructionInfo DecodeInstructionAt(const void* address);
TInstructionInfo DecodeInstructionChecked(const void* address, const TDATryRead* readable);

void AnalyseFunction(const void* entry, const TDATryRead* readable, TFunctionInfo& info);
void AnalyseFunctionAt(const void* entry, TFunctionInfo& info);

void ComposeInstructionText(const void* address, std::string& text, TRegisterState* regs,
                            TInstructionInfo& info, bool resolveByRegs);

// The report's disassembly routine: lists the function at codeAddress around faultAddress.
void ParseFunction(const void* codeAddress, std::string& text, const void* faultAddress, int lineLimit,
                   bool labels, TFunctionInfo& info);
using TDisassemblyProc = void (*)(const void* codeAddress, std::string& text, const void* faultAddress,
                                  int lineLimit, bool labels, TFunctionInfo& info);

} // namespace jov
