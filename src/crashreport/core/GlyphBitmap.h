#pragma once
// A button glyph kept as a bitmap resource: a 40-byte BITMAPINFOHEADER and 16 x 16 pixels of 32 bits with
// alpha, 1064 bytes in all, drawn blended onto the button's background.
#include <array>
#include <cstdint>
#include <span>

namespace jov {

constexpr int GlyphSize = 16;
constexpr size_t GlyphHeaderBytes = 40, GlyphBitmapBytes = GlyphHeaderBytes + GlyphSize * GlyphSize * 4;

// The pixels as a 32-bit DIB holds them (0x00RRGGBB, in the resource's row order), each blended onto
// `background` (0x00BBGGRR, a COLORREF): with c = alpha + 1, channel = ((256 - c) * background + c * pixel)
// / 256. Nothing for a resource of another size, or one that is not 16 x 16 uncompressed 32-bit pixels.
struct BlendedGlyph {
    std::array<uint32_t, GlyphSize * GlyphSize> Pixels{};
    bool TopDown = false; // the rows' order, for the DIB that shows them
};
bool BlendGlyphBitmap(std::span<const uint8_t> resource, uint32_t background, BlendedGlyph& glyph);

} // namespace jov
