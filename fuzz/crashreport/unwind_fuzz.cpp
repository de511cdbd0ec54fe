// An unwind section and the code block its call-site tables lie in: the reader may find nothing, but
// never reads outside what it was given. Input: the section's length (u16), the section, the code block.
#include "crashreport/core/UnwindTables.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace {

constexpr core::Address kSection = 0x10004000, kCode = 0x10001000;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::span<const std::uint8_t> input(data + 2, size - 2);
    const std::size_t split = std::min<std::size_t>(data[0] | data[1] << 8, input.size());
    const std::span<const std::uint8_t> section = input.first(split), code = input.subspan(split);
    auto bytesAt = [&](core::Address at) -> std::span<const std::uint8_t> {
        if (at >= kCode && at - kCode < code.size()) return code.subspan(at - kCode);
        if (at >= kSection && at - kSection < section.size()) return section.subspan(at - kSection);
        return {};
    };
    core::IsUnwindSection(section);
    int entries = 0;
    core::ForEachUnwindEntry(section, kSection, [&](const core::TUnwindEntry& entry) {
        core::TLandingPads pads;
        if (core::FindLandingPads(section, kSection, entry.Begin, bytesAt, pads) &&
            (entry.Begin < pads.Entry.Begin || entry.Begin >= pads.Entry.End))
            __builtin_trap(); // the entry found must hold the address asked for
        return ++entries < 64;
    });
    return 0;
}
