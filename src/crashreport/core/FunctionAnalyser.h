#pragma once
// Follows every path of a function's code and reports its code areas, embedded tables, the transfers that
// leave it and those it could not resolve.
#include "crashreport/core/CodeEnvironment.h"
#include "crashreport/core/X86Decoder.h"

#include <string>
#include <string_view>
#include <vector>

namespace core {

struct TCodeArea {
    Address AreaBegin = 0;
    Address AreaEnd = 0; // last byte, inclusive; 0 while still to be walked
    bool IsCaseTable = false;
    // Reached only through exception handling: a catch or clean-up entry named by the unwind tables.
    bool IsLandingPad = false;
    Address JumpSource = 0;
    TRegisterState AreaRegs;
};

struct TFarCall {
    bool IsCall = false;
    Address This = 0;
    Address Next = 0;
    Address Target = 0;
    bool IsRelative = false;
    Address TargetField = 0;
    Address TargetCell = 0;
};

struct TUnknownTarget {
    bool IsCall = false;
    Address This = 0;
    Address Next = 0;
};

struct TSizeInfo {
    bool Started = false;
    std::int32_t Size = 0;
    std::string Text;
};

struct TFunctionInfo {
    bool IsValid = false;
    Address EntryPoint = 0;
    Address CodeBegin = 0;
    std::int32_t CodeLen = 0;
    Address LastErrorAddr = 0;
    std::int32_t LastErrorNo = 0;
    std::string LastErrorStr;
    std::vector<TCodeArea> CodeAreas;
    std::vector<TFarCall> FarCalls;
    std::vector<TUnknownTarget> UnknownTargets;
    bool Interceptable = false;
    TSizeInfo SizeInfo;
};

constexpr std::int32_t kErrorInvalidParameter = 87;
constexpr std::int32_t kErrorInvalidCode = 0x00770001;

void AnalyseFunction(CodeEnvironment& env, Address entry, TFunctionInfo& info);

// Routines of this runtime that never return, by exported, linker or demangled name (an import cell's
// "__imp_" and a stdcall "@N" are ignored).
bool IsNoReturnRoutineName(std::string_view name);

} // namespace core
