#include "crashreport/jovProcessCode.h"

#include "crashreport/core/FunctionAnalyser.h"
#include "crashreport/jovDisAsm.h"
#include "crashreport/jovDisAsmSafeRead.h"
#include "crashreport/jovStrings.h"
#include "crashreport/jovTools.h"
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

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

// The run of pages with the address's attributes. The system's answer starts at the address's own page; the
// run's start is found by walking the allocation from its base.
bool QueryWholeRegion(core::Address address, MEMORY_BASIC_INFORMATION& region) {
    if (!QueryRegion(address, region)) return false;
    if (region.State == MEM_FREE) return true; // no allocation to walk
    for (core::Address at = AddressOf(region.AllocationBase); at < AddressOf(region.BaseAddress);) {
        MEMORY_BASIC_INFORMATION part;
        if (!QueryRegion(at, part) || !part.RegionSize) break;
        if (address - at < part.RegionSize) {
            region = part;
            break;
        }
        at += static_cast<core::Address>(part.RegionSize);
    }
    return true;
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
    if (!QueryWholeRegion(entry, region)) return false;
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

bool ProcessCodeEnvironment::CopySection(core::Address address, bool unwind, SectionCopy& copy) {
    HMODULE module = nullptr;
    std::string file;
    if (!address || !ModuleFromAddress(Pointer(address), module, file)) return false;
    const IMAGE_NT_HEADERS* headers = ImageNtHeaders(module);
    IMAGE_NT_HEADERS nt;
    if (!headers || !SafeReadMemory(headers, &nt, sizeof nt, readable_)) return false;
    const core::Address base = AddressOf(module);
    const auto* table = reinterpret_cast<const std::uint8_t*>(headers) +
                        offsetof(IMAGE_NT_HEADERS, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
    // A damaged header's count must not make every look-up walk 65535 entries.
    const unsigned count = std::min<unsigned>(nt.FileHeader.NumberOfSections, 96);
    for (unsigned i = 0; i < count; ++i) {
        IMAGE_SECTION_HEADER section;
        if (!SafeReadMemory(table + i * sizeof section, &section, sizeof section, readable_)) return false;
        const core::Address from = base + section.VirtualAddress;
        const std::uint32_t size = std::min(section.Misc.VirtualSize, section.SizeOfRawData);
        // The image keeps ".eh_frame" as a reference into the file's string table ("/4") or cut to 8
        // characters: the contents tell.
        const char* name = reinterpret_cast<const char*>(section.Name);
        const bool wanted = unwind ? (name[0] == '/' || std::strncmp(name, ".eh_fram", 8) == 0) &&
                                         !(section.Characteristics & IMAGE_SCN_MEM_DISCARDABLE) && size >= 8
                                   : address - from < size;
        if (!wanted) continue;
        copy.Module = base;
        copy.Begin = from;
        copy.Bytes.resize(size);
        if (!SafeReadMemory(Pointer(from), copy.Bytes.data(), size, readable_)) {
            copy.Bytes.clear();
            if (unwind) continue;
            return false;
        }
        if (!unwind || core::IsUnwindSection(copy.Bytes)) return true;
    }
    copy.Bytes.clear();
    return false;
}

bool ProcessCodeEnvironment::LandingPads(core::Address code, core::TLandingPads& pads) {
    HMODULE module = nullptr;
    std::string file;
    if (!code || !ModuleFromAddress(Pointer(code), module, file)) return false;
    if (unwind_.Module != AddressOf(module)) {
        unwind_ = SectionCopy{};
        CopySection(code, true, unwind_);
        unwind_.Module = AddressOf(module); // looked for once, found or not
    }
    if (unwind_.Bytes.empty()) return false;
    return core::FindLandingPads(
        unwind_.Bytes, unwind_.Begin, code,
        [&](core::Address at) -> std::span<const std::uint8_t> {
            if (!lsda_.Holds(at)) {
                lsda_ = SectionCopy{};
                if (!CopySection(at, false, lsda_)) return {};
            }
            return std::span<const std::uint8_t>(lsda_.Bytes).subspan(at - lsda_.Begin);
        },
        pads);
}

} // namespace jov
