#include "crashreport/core/ReadableRanges.h"

namespace jov {
namespace {

// Index of the range that contains the address, or -1. The probe starts at the middle and the step
// halves (rounding up) after every probe; one more probe follows the one made with step 1.
int FindRange(const TDATryRead& ranges, uintptr_t address) {
    const int count = static_cast<int>(ranges.size());
    if (count == 0) return -1;
    int index = count / 2;
    int step = (index + 2) / 2;
    for (bool lastProbe = false;;) {
        const TDATryRange& r = ranges[static_cast<size_t>(index)];
        if (address >= r.Begin && address < r.End) return index;
        if (lastProbe) return -1;
        lastProbe = step == 1;
        index = address < r.Begin ? (index - step < 0 ? 0 : index - step)
                                  : (index + step >= count ? count - 1 : index + step);
        step = (step + 1) / 2;
    }
}

} // namespace

// Copy-on-write pages read like any other: every writable section of an image starts out that way (and
// stays so under Wine), so refusing them would hide import cells and module data.
bool IsReadableProtection(uint32_t protect) {
    switch (protect) {
    case 0x02: // read-only
    case 0x04: // read-write
    case 0x08: // copy-on-write
    case 0x80: // execute-copy-on-write
    case 0x10: // execute
    case 0x20: // execute-read
    case 0x40: // execute-read-write
        return true;
    default:
        return false;
    }
}

bool IsAccessibleProtection(uint32_t protect) {
    constexpr uint32_t guard = 0x100, cacheModifiers = 0x200 | 0x400;
    if (protect & guard) return false;
    switch (protect & ~cacheModifiers) {
    case 0x02: // read-only
    case 0x04: // read-write
    case 0x08: // copy-on-write
    case 0x10: // execute
    case 0x20: // execute-read
    case 0x40: // execute-read-write
    case 0x80: // execute-copy-on-write
        return true;
    default:
        return false;
    }
}

void AppendRegion(TDATryRead& ranges, const MemoryRegion& region) {
    const bool readable = region.Committed && IsReadableProtection(region.Protect);
    const uintptr_t end = region.Base + region.Size;
    if (!ranges.empty() && ranges.back().Readable == readable) {
        ranges.back().End = end;
        return;
    }
    ranges.push_back({region.Base, end, readable});
}

bool IsReadableRange(const TDATryRead& snapshot, uintptr_t address) {
    const int index = FindRange(snapshot, address);
    return index >= 0 && snapshot[static_cast<size_t>(index)].Readable;
}

bool IsReadableSpan(const TDATryRead& snapshot, uintptr_t address, size_t length) {
    const int index = FindRange(snapshot, address);
    if (index < 0 || !snapshot[static_cast<size_t>(index)].Readable) return false;
    // The next range is unreadable by construction, so the whole span must fit into this one.
    return length <= snapshot[static_cast<size_t>(index)].End - address;
}

} // namespace jov
