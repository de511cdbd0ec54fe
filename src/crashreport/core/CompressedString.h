#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace core {

// Layout of a compressed string: u32 uncompressed length, u32 CRC-32, u32 unused, raw deflate stream.
constexpr size_t kCompressedStringHeader = 12;

// A stored length beyond this, or beyond what deflate can expand the stream to, is damage, not data.
constexpr uint32_t kMaxUncompressedLength = 64u << 20;
constexpr uint32_t kMaxDeflateRatio = 1032;

// Inflates a raw deflate stream that must fill exactly destLength bytes and end with the source.
// Returns the bytes written, 0 on any failure.
size_t InflateRaw(const void* source, size_t sourceLength, void* dest, size_t destLength,
                  uint32_t* crc = nullptr);

// The uncompressed text, or empty when the data is short, damaged or fails its CRC-32.
std::string UncompressString(std::string_view compressed);

} // namespace core
