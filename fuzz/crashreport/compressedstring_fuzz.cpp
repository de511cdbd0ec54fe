#include <cstddef>
#include <cstdint>
#include <string_view>

#include "crashreport/core/CompressedString.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    core::UncompressString(input);
    // The raw form with a destination size taken from the input itself.
    if (size > 2) {
        std::string out(size_t(data[0]) << 4 | data[1], '\0');
        core::InflateRaw(data + 2, size - 2, out.data(), out.size());
    }
    return 0;
}
