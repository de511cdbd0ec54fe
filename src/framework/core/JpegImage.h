#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace fw {

// A decoded picture: rows top to bottom, 4 bytes per pixel in blue, green, red, 0 order (a 32-bit DIB).
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

// Decodes a JPEG; false for anything that is not a whole, sane picture.
bool DecodeJpeg(const uint8_t* data, size_t size, Picture& picture);

} // namespace fw
