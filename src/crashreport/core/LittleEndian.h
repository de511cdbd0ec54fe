#pragma once
// Little-endian integers in byte buffers, whatever the host's byte order and the bytes' alignment.
#include <cstdint>
#include <span>

namespace jov {

inline uint32_t LoadU32(const void* at) {
    const auto* b = static_cast<const uint8_t*>(at);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

inline void StoreU32(void* at, uint32_t value) {
    auto* b = static_cast<uint8_t*>(at);
    for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(value >> (8 * i));
}

// False when the four bytes at `offset` do not all lie inside `bytes`.
inline bool ReadU32(std::span<const uint8_t> bytes, uint64_t offset, uint32_t& value) {
    if (offset > bytes.size() || bytes.size() - offset < 4) return false;
    value = LoadU32(bytes.data() + offset);
    return true;
}

} // namespace jov
