#include "crashreport/core/Base64.h"

#include <cstdint>

namespace core {

std::string Base64Encode(const void* buffer, size_t length) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const auto* in = static_cast<const uint8_t*>(buffer);
    std::string out;
    out.reserve((length + 2) / 3 * 4);
    for (size_t i = 0; i < length; i += 3) {
        const size_t n = length - i < 3 ? length - i : 3;
        uint32_t group = uint32_t(in[i]) << 16;
        if (n > 1) group |= uint32_t(in[i + 1]) << 8;
        if (n > 2) group |= in[i + 2];
        out += alphabet[group >> 18];
        out += alphabet[(group >> 12) & 63];
        out += n > 1 ? alphabet[(group >> 6) & 63] : '=';
        out += n > 2 ? alphabet[group & 63] : '=';
    }
    return out;
}

std::string Base64EncodeStr(std::string_view text) {
    return Base64Encode(text.data(), text.size());
}

} // namespace core
