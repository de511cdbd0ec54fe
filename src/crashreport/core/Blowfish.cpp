#include "crashreport/core/Blowfish.h"

#include <cstring>
#include <memory>

namespace core {
namespace {

#include "crashreport/core/BlowfishTables.inc"

struct BlowfishState {
    uint32_t p[18];
    uint32_t s[4][256];

    uint32_t f(uint32_t x) const {
        return ((s[0][x >> 24] + s[1][(x >> 16) & 0xFF]) ^ s[2][(x >> 8) & 0xFF]) + s[3][x & 0xFF];
    }

    void encipher(uint32_t& left, uint32_t& right) const {
        uint32_t l = left, r = right;
        for (int i = 0; i < 16; i += 2) {
            l ^= p[i];
            r ^= f(l);
            r ^= p[i + 1];
            l ^= f(r);
        }
        left = r ^ p[17];
        right = l ^ p[16];
    }

    void decipher(uint32_t& left, uint32_t& right) const {
        uint32_t l = left, r = right;
        for (int i = 17; i > 1; i -= 2) {
            l ^= p[i];
            r ^= f(l);
            r ^= p[i - 1];
            l ^= f(r);
        }
        left = r ^ p[0];
        right = l ^ p[1];
    }

    void run(uint32_t& left, uint32_t& right, bool encrypt) const {
        encrypt ? encipher(left, right) : decipher(left, right);
    }

    explicit BlowfishState(std::string_view key) {
        std::memcpy(p, kInitialP, sizeof p);
        std::memcpy(s, kInitialS, sizeof s);
        size_t k = 0;
        for (uint32_t& word : p) {
            uint32_t mixed = 0;
            for (int b = 0; b < 4; ++b) {
                mixed = (mixed << 8) | static_cast<uint8_t>(key[k]);
                k = (k + 1) % key.size();
            }
            word ^= mixed;
        }
        uint32_t l = 0, r = 0;
        for (int i = 0; i < 18; i += 2) {
            encipher(l, r);
            p[i] = l;
            p[i + 1] = r;
        }
        for (auto& box : s) {
            for (int i = 0; i < 256; i += 2) {
                encipher(l, r);
                box[i] = l;
                box[i + 1] = r;
            }
        }
    }
};

uint32_t LoadBig(const uint8_t* b) {
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
}
uint32_t LoadLittle(const uint8_t* b) {
    return uint32_t(b[3]) << 24 | uint32_t(b[2]) << 16 | uint32_t(b[1]) << 8 | b[0];
}
void StoreBig(uint8_t* b, uint32_t v) {
    for (int i = 3; i >= 0; --i, v >>= 8) b[i] = uint8_t(v);
}
void StoreLittle(uint8_t* b, uint32_t v) {
    for (int i = 0; i < 4; ++i, v >>= 8) b[i] = uint8_t(v);
}

} // namespace

void BlowfishBuffer(void* buffer, size_t length, bool encrypt, bool storedOrder, uint64_t counter,
                    std::string_view key) {
    if (key.empty()) return;
    // Large enough (4 KB) that it belongs on the heap, not on a crashing thread's stack.
    const auto state = std::make_unique<BlowfishState>(key);
    auto* data = static_cast<uint8_t*>(buffer);
    // The counter's bytes as stored in memory count as one big-endian number.
    uint8_t count[8];
    StoreLittle(count, uint32_t(counter));
    StoreLittle(count + 4, uint32_t(counter >> 32));
    for (size_t block = 0; block < length / 8; ++block, data += 8) {
        if (counter != 0) {
            for (int i = 7; i >= 0 && ++count[i] == 0; --i) {
            }
            uint32_t l = LoadBig(count), r = LoadBig(count + 4);
            state->run(l, r, encrypt);
            uint8_t stream[8];
            StoreBig(stream, l);
            StoreBig(stream + 4, r);
            for (int i = 0; i < 8; ++i) data[i] ^= stream[i];
        } else if (storedOrder) {
            uint32_t l = LoadLittle(data + 4), r = LoadLittle(data);
            state->run(l, r, encrypt);
            StoreLittle(data + 4, l);
            StoreLittle(data, r);
        } else {
            uint32_t l = LoadBig(data), r = LoadBig(data + 4);
            state->run(l, r, encrypt);
            StoreBig(data, l);
            StoreBig(data + 4, r);
        }
    }
}

void BlowfishEncryptString(std::string& text, std::string_view key) {
    BlowfishBuffer(text.data(), text.size(), true, true, 0, key);
}

void BlowfishDecryptString(std::string& text, std::string_view key) {
    BlowfishBuffer(text.data(), text.size(), false, true, 0, key);
}

void DecryptPaddedString(std::string& text, std::string_view key, uint64_t counter) {
    if (text.empty()) return;
    BlowfishBuffer(text.data(), text.size(), counter != 0, false, counter, key);
    const auto n = static_cast<uint8_t>(text.back());
    if (n < 1 || n > 8 || n > text.size()) return;
    for (size_t i = text.size() - n; i + 1 < text.size(); ++i)
        if (static_cast<uint8_t>(text[i]) != n) return;
    text.resize(text.size() - n);
}

} // namespace core
