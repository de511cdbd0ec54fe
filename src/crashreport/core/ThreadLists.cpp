#include "crashreport/core/ThreadLists.h"
#include "crashreport/core/LittleEndian.h"

#include <algorithm>
#include <cstring>

namespace jov {
namespace {

constexpr uint32_t NextEntryOffset = 0;
constexpr uint32_t ThreadCountOffset = 4;
constexpr uint32_t ProcessIdOffset = 68;
constexpr uint32_t ThreadEntrySize = 64;
constexpr uint32_t ThreadIdOffset = 36;

} // namespace

std::vector<uint32_t> ThreadIdsOfProcess(std::span<const uint8_t> buffer, uint32_t processId,
                                         uint32_t threadEntriesOffset) {
    std::vector<uint32_t> ids;
    uint64_t entry = 0;
    for (;;) {
        uint32_t next, pid;
        if (!ReadU32(buffer, entry + NextEntryOffset, next) || !ReadU32(buffer, entry + ProcessIdOffset, pid))
            return ids;
        if (pid == processId) {
            uint32_t count;
            if (!ReadU32(buffer, entry + ThreadCountOffset, count)) return ids;
            for (uint64_t i = 0; i < count; ++i) {
                uint32_t id;
                if (!ReadU32(buffer, entry + threadEntriesOffset + i * ThreadEntrySize + ThreadIdOffset, id))
                    break;
                ids.push_back(id);
            }
            return ids;
        }
        if (next == 0) return ids;
        entry += next;
    }
}

std::vector<uint32_t> ThreadsStartedSince(std::span<const uint32_t> before, std::span<const uint32_t> now) {
    std::vector<uint32_t> started;
    for (uint32_t id : now)
        if (std::find(before.begin(), before.end(), id) == before.end()) started.push_back(id);
    return started;
}

} // namespace jov
