#pragma once
// Reading a module's unwind information: the frame entries of its .eh_frame section and the call-site
// tables of the language-specific data they point to (gcc_except_table), which name the landing pads:
// the catch and clean-up code that only exception handling reaches. Every read is checked against the
// span it is given: damaged tables read as "nothing found".
#include "crashreport/core/X86Decoder.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace core {

// One frame entry: the code of a function or of its split-off part, [Begin, End), and the address of its
// language-specific data (0 when it has none).
struct TUnwindEntry {
    Address Begin = 0;
    Address End = 0;
    Address Lsda = 0;
};

// The landing pads of one frame entry, each once, ascending.
struct TLandingPads {
    TUnwindEntry Entry;
    std::vector<Address> Pads;
};

// The section (at `address` in the process) starts with a common information entry: tells the unwind
// section among those whose long name the image keeps only in its file.
bool IsUnwindSection(std::span<const std::uint8_t> section);

// Calls `visit` with each frame entry of the section in order until it returns false. False when the
// section is damaged before its end (the entries before the damage were still visited).
bool ForEachUnwindEntry(std::span<const std::uint8_t> section, Address address,
                        const std::function<bool(const TUnwindEntry&)>& visit);

std::optional<TUnwindEntry> FindUnwindEntry(std::span<const std::uint8_t> section, Address address,
                                            Address code);

// Calls `pad` with the landing pad of each call site of the language-specific data at `address`, whose
// code starts at `codeBegin`. False when the data is damaged.
bool ReadLandingPads(std::span<const std::uint8_t> lsda, Address address, Address codeBegin,
                     const std::function<void(Address)>& pad);

// The frame entry holding `code` and its landing pads. `bytesAt` gives the readable bytes from an address
// on (empty when unreadable): the language-specific data may lie in any section of the module.
bool FindLandingPads(std::span<const std::uint8_t> section, Address address, Address code,
                     const std::function<std::span<const std::uint8_t>(Address)>& bytesAt,
                     TLandingPads& result);

} // namespace core
