#include "crashreport/jovDisAsm.h"

#include "crashreport/jovProcessCode.h"

#include <cstdint>

namespace jov {

TSymbolNameProc SymbolNameProc = nullptr;
TSymbolLineProc SymbolLineProc = nullptr;

namespace {
core::Address AddressOf(const void* pointer) {
    return static_cast<core::Address>(reinterpret_cast<uintptr_t>(pointer));
}
} // namespace

TDecodedInstruction DecodeInstruction(const void* address, TRegisterState* regs, bool resolveByRegs,
                                      const TDATryRead* readable) {
    ProcessCodeEnvironment env(readable);
    return core::DecodeInstruction(env, AddressOf(address), regs, resolveByRegs);
}

// The analysis and the text allocate; nothing of that may escape into the crashing program.

TInstructionInfo DecodeInstructionEx(const void* address, TRegisterState* regs, bool resolveByRegs,
                                     const TDATryRead* readable) {
    return DecodeInstruction(address, regs, resolveByRegs, readable).Info;
}

TInstructionInfo DecodeInstructionAt(const void* address) {
    return DecodeInstructionEx(address, nullptr, false, nullptr);
}

TInstructionInfo DecodeInstructionChecked(const void* address, const TDATryRead* readable) {
    return DecodeInstructionEx(address, nullptr, false, readable);
}

void AnalyseFunction(const void* entry, const TDATryRead* readable, TFunctionInfo& info) {
    try {
        ProcessCodeEnvironment env(readable);
        core::AnalyseFunction(env, AddressOf(entry), info);
    } catch (...) {
        info.IsValid = false;
    }
}

void AnalyseFunctionAt(const void* entry, TFunctionInfo& info) {
    AnalyseFunction(entry, nullptr, info);
}

void ComposeInstructionText(const void* address, std::string& text, TRegisterState* regs,
                            TInstructionInfo& info, bool resolveByRegs) {
    try {
        ProcessCodeEnvironment env;
        text = core::ComposeInstructionText(env, AddressOf(address), regs, info, resolveByRegs);
    } catch (...) {
        text.clear();
    }
}

void ParseFunction(const void* codeAddress, std::string& text, const void* faultAddress, int lineLimit,
                   bool labels, TFunctionInfo& info) {
    try {
        ProcessCodeEnvironment env;
        text = core::ParseFunction(env, AddressOf(codeAddress), AddressOf(faultAddress), lineLimit, labels,
                                   info);
    } catch (...) {
        text.clear();
        info.IsValid = false;
    }
}

} // namespace jov
