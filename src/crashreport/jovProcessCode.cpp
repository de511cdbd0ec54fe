#include "crashreport/jovProcessCode.h"

#include "core/FunctionAnalyser.h"
#include "crashreport/jovDisAsm.h"
#include "crashreport/jovDisAsmSafeRead.h"
#include "crashreport/jovStrings.h"
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#if __has_include("crashreport/jovTools.h")
#include "crashreport/jovTools.h"
#else
// TEMPORARY until the image tools (jovTools) are merged: the three look-ups this unit needs.
namespace jov {
namespace {
bool ModuleFromAddress(const void* address, HMODULE& module, std::string& fileName) {
    MEMORY_BASIC_INFORMATION region;
    if (VirtualQuery(address, &region, sizeof region) != sizeof region || region.State != MEM_COMMIT ||
        !region.AllocationBase)
        return false;
    char name[MAX_PATH];
    const DWORD length = GetModuleFileNameA(static_cast<HMODULE>(region.AllocationBase), name, MAX_PATH);
    if (!length) return false;
    module = static_cast<HMODULE>(region.AllocationBase);
    fileName.assign(name, length);
    return true;
}
const IMAGE_NT_HEADERS* ImageNtHeaders(HMODULE base) {
    IMAGE_DOS_HEADER dos;
    DWORD signature = 0;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(base);
    if (!SafeReadMemory(bytes, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE ||
        !SafeReadMemory(bytes + dos.e_lfanew, &signature, 4) || signature != IMAGE_NT_SIGNATURE)
        return nullptr;
    return reinterpret_cast<const IMAGE_NT_HEADERS*>(bytes + dos.e_lfanew);
}
std::string ExportNameOfAddress(HMODULE base, const void* address, bool) {
    const IMAGE_NT_HEADERS* headers = ImageNtHeaders(base);
    IMAGE_NT_HEADERS nt;
    IMAGE_EXPORT_DIRECTORY dir;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(base);
    if (!headers || !SafeReadMemory(headers, &nt, sizeof nt)) return {};
    const IMAGE_DATA_DIRECTORY entry = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (!entry.VirtualAddress || !SafeReadMemory(bytes + entry.VirtualAddress, &dir, sizeof dir)) return {};
    const DWORD rva = static_cast<DWORD>(reinterpret_cast<const std::uint8_t*>(address) - bytes);
    if (dir.NumberOfFunctions > 65536 || dir.NumberOfNames > 65536) return {};
    std::vector<DWORD> functions(dir.NumberOfFunctions);
    std::vector<WORD> ordinals(dir.NumberOfNames);
    if (!SafeReadMemory(bytes + dir.AddressOfFunctions, functions.data(), functions.size() * 4) ||
        !SafeReadMemory(bytes + dir.AddressOfNameOrdinals, ordinals.data(), ordinals.size() * 2))
        return {};
    const auto function = std::find(functions.begin(), functions.end(), rva);
    if (function == functions.end()) return {};
    const DWORD index = static_cast<DWORD>(function - functions.begin());
    const auto named = std::find(ordinals.begin(), ordinals.end(), index);
    DWORD nameRva = 0;
    if (named == ordinals.end() ||
        !SafeReadMemory(bytes + dir.AddressOfNames + (named - ordinals.begin()) * 4, &nameRva, 4))
        return "#" + std::to_string(dir.Base + index);
    std::string name;
    for (char c; name.size() < 256 && SafeReadMemory(bytes + nameRva + name.size(), &c, 1) && c;) name += c;
    return name;
}
} // namespace
} // namespace jov
#endif

namespace jov {
namespace {

const void* Pointer(core::Address address) {
    return reinterpret_cast<const void*>(static_cast<uintptr_t>(address));
}

core::Address AddressOf(const void* pointer) {
    return static_cast<core::Address>(reinterpret_cast<uintptr_t>(pointer));
}

bool QueryRegion(core::Address address, MEMORY_BASIC_INFORMATION& region) {
    return VirtualQuery(Pointer(address), &region, sizeof region) == sizeof region;
}

std::string SymbolName(core::Address address) {
    std::string name;
    if (SymbolNameProc && SymbolNameProc(Pointer(address), name)) return name;
    return {};
}

} // namespace

bool ProcessCodeEnvironment::Read(core::Address address, void* destination, std::uint32_t length) {
    const core::Address base = address & ~(kPageSize - 1);
    if (!address || address - base + length > kPageSize)
        return SafeReadMemory(Pointer(address), destination, length, readable_);
    if (!pageValid_ || pageBase_ != base) {
        pageBase_ = base;
        pageValid_ = SafeReadMemory(Pointer(base), page_, kPageSize, readable_);
    }
    if (!pageValid_) return false;
    std::memcpy(destination, page_ + (address - base), length);
    return true;
}

bool ProcessCodeEnvironment::IsCommitted(core::Address address) {
    MEMORY_BASIC_INFORMATION region;
    return QueryRegion(address, region) && region.State == MEM_COMMIT;
}

bool ProcessCodeEnvironment::CodeRange(core::Address entry, core::Address& begin, core::Address& end) {
    MEMORY_BASIC_INFORMATION region;
    if (!QueryRegion(entry, region)) return false;
    begin = AddressOf(region.BaseAddress);
    end = begin + static_cast<core::Address>(region.RegionSize);
    const IMAGE_NT_HEADERS* headers = ImageNtHeaders(static_cast<HMODULE>(region.AllocationBase));
    IMAGE_NT_HEADERS nt;
    if (!headers || !SafeReadMemory(headers, &nt, sizeof nt, readable_)) return true;
    const core::Address base = AddressOf(region.AllocationBase);
    IMAGE_SECTION_HEADER first;
    const auto* sections = reinterpret_cast<const std::uint8_t*>(headers) +
                           offsetof(IMAGE_NT_HEADERS, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
    if (nt.FileHeader.NumberOfSections && SafeReadMemory(sections, &first, sizeof first, readable_) &&
        (first.Characteristics & IMAGE_SCN_CNT_CODE)) {
        begin = base + first.VirtualAddress;
        end = begin + first.Misc.VirtualSize;
    } else {
        begin = base + nt.OptionalHeader.BaseOfCode;
        end = begin + nt.OptionalHeader.SizeOfCode;
    }
    const core::Address dataBegin = base + nt.OptionalHeader.BaseOfData;
    const core::Address dataEnd =
        dataBegin + nt.OptionalHeader.SizeOfInitializedData + nt.OptionalHeader.SizeOfUninitializedData;
    if (dataEnd > dataBegin) {
        begin = std::min(begin, dataBegin);
        end = std::max(end, dataEnd);
    }
    return true;
}

std::string ProcessCodeEnvironment::SystemErrorText(std::uint32_t code) {
    return jov::SystemErrorText(code);
}

std::string ProcessCodeEnvironment::ExportedName(core::Address address, bool demangle) {
    HMODULE module = nullptr;
    std::string file;
    if (!address || !ModuleFromAddress(Pointer(address), module, file)) return {};
    return ExportNameOfAddress(module, Pointer(address), demangle);
}

bool ProcessCodeEnvironment::IsHaltTarget(const core::TInstructionInfo& instruction) {
    core::Address target = instruction.Target;
    for (int hop = 0; hop < 2 && target; ++hop) {
        const std::string exported = ExportedName(target, false);
        if (core::IsNoReturnRoutineName(exported.empty() ? SymbolName(target) : exported)) return true;
        // One import thunk (jmp [cell]) between the call and the routine.
        const core::TInstructionInfo thunk = core::DecodeInstructionAt(*this, target);
        if (!thunk.IsValid || !thunk.IsJump) break;
        target = thunk.Target;
    }
    return false;
}

bool ProcessCodeEnvironment::HasExportedName(core::Address address) {
    return !ExportedName(address, false).empty();
}

bool ProcessCodeEnvironment::IsFunctionEntry(core::Address address) {
    if (HasExportedName(address)) return true;
    // gcc's split-off "f.cold" parts belong to their function.
    const std::string name = SymbolName(address);
    return !name.empty() && name.find(".cold") == std::string::npos;
}

std::string ProcessCodeEnvironment::NameOfAddress(core::Address address) {
    const std::string exported = ExportedName(address, true);
    return exported.empty() ? SymbolName(address) : exported;
}

bool ProcessCodeEnvironment::ModuleOf(core::Address address, core::ModuleSpan& module) {
    HMODULE handle = nullptr;
    if (!address || !ModuleFromAddress(Pointer(address), handle, module.FileName)) return false;
    const IMAGE_NT_HEADERS* headers = ImageNtHeaders(handle);
    IMAGE_NT_HEADERS nt;
    if (!headers || !SafeReadMemory(headers, &nt, sizeof nt, readable_)) return false;
    module.Base = AddressOf(handle);
    module.ImageSize = nt.OptionalHeader.SizeOfImage;
    module.IsMainModule = handle == GetModuleHandleA(nullptr);
    return true;
}

bool ProcessCodeEnvironment::HasLineNumbers() {
    return SymbolLineProc != nullptr;
}

int ProcessCodeEnvironment::LineOf(core::Address address) {
    return SymbolLineProc ? SymbolLineProc(Pointer(address)) : 0;
}

} // namespace jov
