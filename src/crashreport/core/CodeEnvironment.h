#pragma once
// What the function analyser and the disassembly text need to know about the process beyond its bytes.
// The crash reporter answers from the live process; tests answer from vector files.
#include "crashreport/core/UnwindTables.h"
#include "crashreport/core/X86Decoder.h"

#include <string>

namespace core {

struct ModuleSpan {
    Address Base = 0;
    std::uint32_t ImageSize = 0;
    std::string FileName;
    bool IsMainModule = false;
};

class CodeEnvironment : public CodeReader {
public:
    // The memory at the address is committed.
    virtual bool IsCommitted(Address address) = 0;
    // [begin, end) of the code the entry belongs to: its image's code (and data) range, or its memory region.
    virtual bool CodeRange(Address entry, Address& begin, Address& end) = 0;
    virtual std::string SystemErrorText(std::uint32_t code) = 0;
    // The instruction calls or jumps to a routine that never returns.
    virtual bool IsHaltTarget(const TInstructionInfo& instruction) = 0;
    // The unwind entry whose code holds the address (a function or its ".cold" part) and the landing pads
    // its call-site table names; false when the module has no unwind information for the address.
    virtual bool LandingPads(Address, TLandingPads&) { return false; }
    // The address is exported by name or ordinal from its module.
    virtual bool HasExportedName(Address) { return false; }
    // The address starts another function (known from symbols); a jump there is a tail call.
    virtual bool IsFunctionEntry(Address) { return false; }

    // For the text: name of an address (export, demangled, or symbol), empty when unknown.
    virtual std::string NameOfAddress(Address) { return {}; }
    virtual bool ModuleOf(Address, ModuleSpan&) { return false; }
    // Source line of an address, 0 when unknown; HasLineNumbers tells whether lines can be asked at all.
    virtual bool HasLineNumbers() { return false; }
    virtual int LineOf(Address) { return 0; }

protected:
    ~CodeEnvironment() = default;
};

} // namespace core
