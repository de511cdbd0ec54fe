#pragma once
// Reads of our own process's memory that never fault: the crash reporter reads stacks, code and
// structures that may be unmapped, guarded or half-freed while the program is crashing.
#include "crashreport/core/ReadableRanges.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace jov {

void FreeReadableSnapshot(TDATryRead* snapshot) noexcept;
struct ReadableSnapshotFree {
    void operator()(TDATryRead* snapshot) const noexcept { FreeReadableSnapshot(snapshot); }
};
using ReadableSnapshot = std::unique_ptr<TDATryRead, ReadableSnapshotFree>;

// Which ranges of the address space below 2 GB are readable now; nil when it cannot be had.
ReadableSnapshot TakeReadableSnapshot();

// True only when every requested byte was copied. With a snapshot the whole range is checked against
// it; without one the system is asked about every region the range touches.
bool SafeReadMemory(const void* address, void* destination, size_t length,
                    const TDATryRead* snapshot = nullptr);

// True when every region of [address, address + length) is committed and accessible, asked of the system.
bool IsReadableMemory(const void* address, size_t length);

// The process environment block, and where in it the pointers to the loader lock and to the
// process-environment lock stand.
uint32_t PebPointer();
constexpr uint32_t PebLoaderLockOffset = 0xA0;
constexpr uint32_t PebFastLockOffset = 0x1C;

// The value that turns thread and process ids into the addresses of their records (0 when none).
uint32_t ThreadIdObfuscator();
bool IsWin9xTebLayout();

} // namespace jov
