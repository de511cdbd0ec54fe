#include "framework/core/JpegImage.h"
#include <gtest/gtest.h>
#include <fstream>
#include <iterator>

namespace {
std::vector<uint8_t> ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
} // namespace

TEST(Jpeg, DecodesTheSplashPictureToBgrPixels) {
    std::vector<uint8_t> data = ReadFile(SPLASH_JPG);
    ASSERT_FALSE(data.empty());
    fw::Picture picture;
    ASSERT_TRUE(fw::DecodeJpeg(data.data(), data.size(), picture));
    EXPECT_EQ(420, picture.width);
    EXPECT_EQ(260, picture.height);
    ASSERT_EQ(size_t(420 * 260 * 4), picture.pixels.size());
    // The top-left corner is the gradient's dark blue (#1d3557): blue above red, unused byte 0.
    const uint8_t* corner = picture.pixels.data();
    EXPECT_GT(corner[0], corner[2]);
    EXPECT_EQ(0, corner[3]);
}

TEST(Jpeg, RejectsDamagedData) {
    std::vector<uint8_t> data = ReadFile(SPLASH_JPG);
    ASSERT_GT(data.size(), 200u);
    fw::Picture picture;
    EXPECT_FALSE(fw::DecodeJpeg(nullptr, 0, picture));
    EXPECT_FALSE(fw::DecodeJpeg(data.data(), 100, picture));
    std::vector<uint8_t> noise(4096, 0xA5);
    EXPECT_FALSE(fw::DecodeJpeg(noise.data(), noise.size(), picture));
}
