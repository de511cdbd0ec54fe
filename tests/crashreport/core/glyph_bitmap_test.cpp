#include <gtest/gtest.h>
#include "crashreport/core/GlyphBitmap.h"
#include "crashreport/core/LittleEndian.h"

#include <vector>

using namespace jov;

namespace {

// A bitmap resource: the header's fields as given, every pixel `bgra`.
std::vector<uint8_t> Glyph(int width = 16, int height = 16, int bits = 32, int compression = 0,
                           size_t size = GlyphBitmapBytes, uint32_t bgra = 0) {
    std::vector<uint8_t> data(GlyphBitmapBytes);
    StoreU32(data.data(), 40);
    StoreU32(data.data() + 4, static_cast<uint32_t>(width));
    StoreU32(data.data() + 8, static_cast<uint32_t>(height));
    data[12] = 1;
    data[14] = static_cast<uint8_t>(bits);
    StoreU32(data.data() + 16, static_cast<uint32_t>(compression));
    for (size_t at = 40; at < GlyphBitmapBytes; at += 4) StoreU32(data.data() + at, bgra);
    data.resize(size);
    return data;
}

} // namespace

TEST(GlyphBitmap, BlendsEachPixelOntoTheBackground) {
    const uint32_t background = 0x00FF8040; // red 0x40, green 0x80, blue 0xFF
    struct {
        uint32_t bgra, blended;
    } cases[] = {
        {0xFF102030, 0x00102030}, // opaque: the pixel itself
        {0x00102030, 0x003F7FFE}, // transparent: the background, less a 256th
        {0x7FC86400, 0x0084727F}, // half: c = 128, (128 * back + 128 * pixel) / 256
    };
    for (const auto& c : cases) {
        BlendedGlyph glyph;
        ASSERT_TRUE(BlendGlyphBitmap(Glyph(16, 16, 32, 0, GlyphBitmapBytes, c.bgra), background, glyph));
        EXPECT_EQ(glyph.Pixels[0], c.blended) << std::hex << c.bgra;
        EXPECT_EQ(glyph.Pixels[255], c.blended) << std::hex << c.bgra;
        EXPECT_FALSE(glyph.TopDown);
    }
    BlendedGlyph glyph;
    ASSERT_TRUE(BlendGlyphBitmap(Glyph(16, -16), background, glyph));
    EXPECT_TRUE(glyph.TopDown);
}

TEST(GlyphBitmap, AnythingButSixteenSquarePixelsOfThirtyTwoBitsIsNoGlyph) {
    const std::vector<uint8_t> cases[] = {
        Glyph(16, 16, 32, 0, GlyphBitmapBytes - 1),
        Glyph(16, 16, 32, 0, GlyphBitmapBytes + 1),
        Glyph(16, 16, 32, 0, 0),
        Glyph(17, 16),
        Glyph(16, 15),
        Glyph(-16, 16),
        Glyph(16, 16, 24),
        Glyph(16, 16, 32, 3), // masks would follow the header
    };
    for (const auto& bytes : cases) {
        BlendedGlyph glyph;
        EXPECT_FALSE(BlendGlyphBitmap(bytes, 0, glyph)) << &bytes - cases;
    }
}
