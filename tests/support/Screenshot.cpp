#include "support/Screenshot.h"
#include "support/ProcessDriver.h"
#include <windows.h>
#include <zlib.h>
#include <cstdint>
#include <fstream>
#include <vector>

namespace testing_support {

namespace {

// The screen as rows of red, green, blue bytes, top row first.
std::vector<uint8_t> CaptureScreen(int width, int height) {
    std::vector<uint8_t> rgb;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        GdiFlush();
        const auto* bgrx = static_cast<const uint8_t*>(bits);
        rgb.reserve(size_t(width) * height * 3);
        for (size_t i = 0; i < size_t(width) * height; ++i)
            rgb.insert(rgb.end(), {bgrx[4 * i + 2], bgrx[4 * i + 1], bgrx[4 * i]});
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return rgb;
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char (&type)[5], const std::vector<uint8_t>& data) {
    PutBigEndian(out, uint32_t(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

// An 8-bit RGB picture without interlacing; every row unfiltered.
std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& rgb) {
    std::vector<uint8_t> rows;
    const size_t stride = size_t(width) * 3;
    rows.reserve((stride + 1) * height);
    for (int y = 0; y < height; ++y) {
        rows.push_back(0);
        rows.insert(rows.end(), rgb.begin() + y * stride, rgb.begin() + (y + 1) * stride);
    }
    uLongf packedSize = compressBound(uLong(rows.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, rows.data(), uLong(rows.size()), Z_BEST_SPEED) != Z_OK)
        return {};
    packed.resize(packedSize);

    std::vector<uint8_t> header;
    PutBigEndian(header, uint32_t(width));
    PutBigEndian(header, uint32_t(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});
    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", {});
    return png;
}

} // namespace

bool SaveScreenshotPng(const std::string& name) {
    std::string folder = BuildPath("screenshots");
    CreateDirectoryA(folder.c_str(), nullptr);
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    // What was painted reaches the screen a moment later: the picture is taken once the screen holds
    // still (or, for a screen that keeps moving, after a few seconds).
    std::vector<uint8_t> rgb = CaptureScreen(width, height);
    for (int tries = 0; tries < 30; ++tries) {
        Sleep(100);
        std::vector<uint8_t> again = CaptureScreen(width, height);
        bool still = again == rgb;
        rgb = std::move(again);
        if (still) break;
    }
    if (rgb.empty()) return false;
    std::vector<uint8_t> png = EncodePng(width, height, rgb);
    std::ofstream out(folder + "\\" + name + ".png", std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    return !png.empty() && out.good();
}

} // namespace testing_support
