#pragma once
// A snapshot of which address ranges of a process are readable, and the tests against it. Built from
// memory-region records so that it knows nothing of the system that supplies them.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace jov {

struct TDATryRange {
    uintptr_t Begin;
    uintptr_t End; // exclusive
    bool Readable;
};
// Ascending, contiguous; neighbouring ranges always differ in readability.
using TDATryRead = std::vector<TDATryRange>;

struct MemoryRegion {
    uintptr_t Base;
    uintptr_t Size;
    bool Committed;
    uint32_t Protect;
};

// Exactly read-only, read-write, copy-on-write or one of their execute forms; any modifier (guard,
// no-cache) counts as unreadable.
bool IsReadableProtection(uint32_t protect);
// What the system itself lets a read through: any readable protection, copy-on-write included (the
// loader leaves images' data sections so), cache modifiers allowed, never a guard page.
bool IsAccessibleProtection(uint32_t protect);

// Adds one region, merging it into the last range when readability continues.
void AppendRegion(TDATryRead& ranges, const MemoryRegion& region);

// Queries region after region from address 0 while below `limit`; `query(address, region)` returns false
// when no full record is available, which ends the snapshot there.
template <typename Query> TDATryRead BuildReadableRanges(Query&& query, uintptr_t limit = 0x80000000u) {
    TDATryRead ranges;
    ranges.reserve(64);
    MemoryRegion region{};
    for (uintptr_t address = 0; address < limit && query(address, region) && region.Size != 0;) {
        if (ranges.size() == ranges.capacity()) ranges.reserve(ranges.size() * 3 / 2);
        AppendRegion(ranges, region);
        const uintptr_t next = region.Base + region.Size;
        if (next <= address) break; // a record that does not advance would loop for ever
        address = next;
    }
    ranges.shrink_to_fit();
    return ranges;
}

// True when the range that contains the address is readable.
bool IsReadableRange(const TDATryRead& snapshot, uintptr_t address);
// True when every byte of [address, address + length) lies in readable ranges.
bool IsReadableSpan(const TDATryRead& snapshot, uintptr_t address, size_t length);

} // namespace jov
