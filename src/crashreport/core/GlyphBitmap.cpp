#include "crashreport/core/GlyphBitmap.h"

#include "crashreport/core/LittleEndian.h"

namespace jov {

bool BlendGlyphBitmap(std::span<const uint8_t> resource, uint32_t background, BlendedGlyph& glyph) {
    if (resource.size() != GlyphBitmapBytes) return false;
    const uint8_t* header = resource.data();
    const auto height = static_cast<int32_t>(LoadU32(header + 8));
    const uint16_t planes = header[12] | header[13] << 8, bits = header[14] | header[15] << 8;
    constexpr uint32_t uncompressed = 0; // BI_RGB
    if (LoadU32(header) != GlyphHeaderBytes || LoadU32(header + 4) != GlyphSize ||
        (height != GlyphSize && height != -GlyphSize) || planes != 1 || bits != 32 ||
        LoadU32(header + 16) != uncompressed)
        return false;
    glyph.TopDown = height < 0;
    const uint8_t* pixel = header + GlyphHeaderBytes;
    for (uint32_t& out : glyph.Pixels) {
        const unsigned c = pixel[3] + 1u;
        out = 0;
        for (int channel = 0; channel < 3;
             ++channel) { // blue, green, red in the DIB; red first in a COLORREF
            const unsigned back = background >> (8 * (2 - channel)) & 0xFF;
            out |= ((256 - c) * back + c * pixel[channel]) / 256 << (8 * channel);
        }
        pixel += 4;
    }
    return true;
}

} // namespace jov
