#pragma once
// The running process as the code analysis sees it: bytes through the safe reads, modules and their
// image headers, exported names and the symbol look-ups.
#include "crashreport/core/CodeEnvironment.h"
#include "crashreport/core/ReadableRanges.h"

#include <span>
#include <vector>

namespace jov {

class ProcessCodeEnvironment final : public core::CodeEnvironment {
public:
    explicit ProcessCodeEnvironment(const TDATryRead* readable = nullptr) : readable_(readable) {}

    bool Read(core::Address address, void* destination, std::uint32_t length) override;
    bool IsCommitted(core::Address address) override;
    bool CodeRange(core::Address entry, core::Address& begin, core::Address& end) override;
    std::string SystemErrorText(std::uint32_t code) override;
    bool IsHaltTarget(const core::TInstructionInfo& instruction) override;
    bool HasExportedName(core::Address address) override;
    bool IsFunctionEntry(core::Address address) override;
    std::string NameOfAddress(core::Address address) override;
    bool ModuleOf(core::Address address, core::ModuleSpan& module) override;
    bool HasLineNumbers() override;
    int LineOf(core::Address address) override;
    bool LandingPads(core::Address code, core::TLandingPads& pads) override;

private:
    // A copy of a module's section, read through the safe read: another thread may unload the module
    // while the tables in it are parsed.
    struct SectionCopy {
        core::Address Module = 0;
        core::Address Begin = 0;
        std::vector<std::uint8_t> Bytes;
        bool Holds(core::Address address) const { return address - Begin < Bytes.size(); }
    };

    std::string ExportedName(core::Address address, bool demangle);
    // Copies the module's section that holds the address, or with `unwind` the module's unwind section;
    // false when there is none or it cannot be read.
    bool CopySection(core::Address address, bool unwind, SectionCopy& copy);

    // The decoder reads a byte at a time: one safe read per page instead of one per byte.
    static constexpr std::uint32_t kPageSize = 4096;
    const TDATryRead* readable_;
    std::uint8_t page_[kPageSize];
    core::Address pageBase_ = 0;
    bool pageValid_ = false;
    // The unwind section of the module last asked about, found once per analysis, and the section that
    // held the last language-specific data.
    SectionCopy unwind_;
    SectionCopy lsda_;
};

} // namespace jov
