#include "support/Screenshot.h"
#include "support/ProcessDriver.h"
#include <windows.h>
#include <cstdint>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace testing_support {

bool SaveScreenshotPng(const std::string& name) {
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    // Top-down BGR rows, padded to 4 bytes; the picture wants packed RGB.
    int stride = (width * 3 + 3) & ~3;
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    const auto* source = static_cast<const uint8_t*>(bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                rgb[(size_t(y) * width + x) * 3 + c] = source[y * stride + x * 3 + 2 - c];
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    std::string folder = BuildPath("screenshots");
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string path = folder + "\\" + name + ".png";
    return stbi_write_png(path.c_str(), width, height, 3, rgb.data(), width * 3) != 0;
}

} // namespace testing_support
