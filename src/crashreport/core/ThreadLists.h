#pragma once
// The thread lists behind a report's pause: the system's process-and-thread information, which threads a
// report holds still, and which threads started while it ran.
#include <cstdint>
#include <span>
#include <vector>

namespace jov {

// Thread entries of a process entry begin here (NT 4 and earlier used 136).
constexpr uint32_t ThreadEntriesOffsetNt5 = 184;
constexpr uint32_t ThreadEntriesOffsetNt4 = 136;

// The thread ids of one process from a buffer of process entries (class 5 of the system information
// query). Entries that reach beyond the buffer end the walk; an absent process gives nothing.
std::vector<uint32_t> ThreadIdsOfProcess(std::span<const uint8_t> buffer, uint32_t processId,
                                         uint32_t threadEntriesOffset = ThreadEntriesOffsetNt5);

// Only the main thread and threads created by code with symbol data are held: threads of the system and
// of foreign libraries keep running.
constexpr bool ShouldPauseByCreator(bool mainThread, bool hasCreator, bool creatorHasSymbols) {
    return mainThread || (hasCreator && creatorHasSymbols);
}

// The ids of `now` absent from `before`, in the order of `now`.
std::vector<uint32_t> ThreadsStartedSince(std::span<const uint32_t> before, std::span<const uint32_t> now);

} // namespace jov
