#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace core {

// Enciphers (or deciphers) whole 8-byte blocks in place; a tail shorter than a block stays as it is.
// counter != 0 selects counter mode; storedOrder reads each block as two little-endian dwords, the one
// at offset 4 being the left half. An empty key leaves the buffer unchanged.
void BlowfishBuffer(void* buffer, size_t length, bool encrypt, bool storedOrder, uint64_t counter,
                    std::string_view key);

// ECB with the dwords in stored order, in place.
void BlowfishEncryptString(std::string& text, std::string_view key);
void BlowfishDecryptString(std::string& text, std::string_view key);

// Deciphers big-endian blocks (counter mode when counter != 0) and strips a valid 1..8-byte padding.
void DecryptPaddedString(std::string& text, std::string_view key, uint64_t counter);

} // namespace core
