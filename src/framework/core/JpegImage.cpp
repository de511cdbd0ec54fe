#include "framework/core/JpegImage.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 8192
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmisleading-indentation"
#endif
#include <stb_image.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#include <memory>

namespace fw {

bool DecodeJpeg(const uint8_t* data, size_t size, Picture& picture) {
    if (!data || size == 0 || size > 64u * 1024 * 1024) return false;
    int width = 0, height = 0, channels = 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> rgb(
        stbi_load_from_memory(data, int(size), &width, &height, &channels, 3), stbi_image_free);
    if (!rgb || width <= 0 || height <= 0) return false;
    picture.width = width;
    picture.height = height;
    picture.pixels.assign(size_t(width) * height * 4, 0);
    const stbi_uc* in = rgb.get();
    uint8_t* out = picture.pixels.data();
    for (size_t i = 0, n = size_t(width) * height; i < n; ++i, in += 3, out += 4) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
    }
    return true;
}

} // namespace fw
