#include "support/Screenshot.h"
#include "support/ListFakes.h"
#include "support/ProcessDriver.h"
#include <utility>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace testing_support {

namespace {

// Whether the screen shows what the window's own surface holds, on a grid of points and along the middle
// of the caption (which a frame's repainting alone changes), where no other window covers it.
bool OnScreen(HWND window) {
    RECT r{};
    if (!IsWindowVisible(window) || !GetWindowRect(window, &r)) return true;
    HDC own = GetWindowDC(window), screen = GetDC(nullptr);
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    std::vector<int> rows{GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2};
    for (int j = 1; j < 8; ++j) rows.push_back(int(r.bottom - r.top) * j / 8);
    bool same = true;
    for (int i = 1; i < 16 && same; ++i)
        for (int y : rows) {
            const int x = int(r.right - r.left) * i / 16;
            const POINT p{r.left + x, r.top + y};
            // Where another window lies over it, the screen rightly shows that one.
            if (p.x < 0 || p.x >= width || p.y < 0 || p.y >= height ||
                GetAncestor(WindowFromPoint(p), GA_ROOT) != window)
                continue;
            const COLORREF drawn = GetPixel(own, x, y);
            same = drawn == CLR_INVALID || drawn == GetPixel(screen, p.x, p.y);
            if (!same) break;
        }
    ReleaseDC(nullptr, screen);
    ReleaseDC(window, own);
    return same;
}

// The screen as opaque RGBA pixels, top row first; empty when it could not be read.
std::vector<unsigned char> CaptureScreen(int width, int height) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<unsigned char> pixels(std::size_t(width) * height * 4);
    const bool read = GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS) == height;
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!read) return {};
    for (std::size_t i = 0; i < pixels.size(); i += 4) { // BGR and an unused byte to opaque RGBA
        std::swap(pixels[i], pixels[i + 2]);
        pixels[i + 3] = 255;
    }
    return pixels;
}

bool WritePng(const std::string& name, int width, int height, const std::vector<unsigned char>& pixels) {
    if (pixels.empty()) return false;
    const std::string folder = BuildPath("screenshots");
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string file = folder + "\\" + name + ".png";
    return stbi_write_png(file.c_str(), width, height, 4, pixels.data(), width * 4) != 0;
}

} // namespace

bool SaveScreenshotPng(const std::string& name) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    return WritePng(name, width, height, CaptureScreen(width, height));
}

bool SaveSettledScreenshotPng(const std::string& name) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    std::vector<unsigned char> pixels = CaptureScreen(width, height);
    for (int tries = 0; tries < 30; ++tries) {
        Sleep(100);
        std::vector<unsigned char> again = CaptureScreen(width, height);
        const bool still = again == pixels;
        pixels = std::move(again);
        if (still) break;
    }
    return WritePng(name, width, height, pixels);
}

bool SaveScreenshotPng(const std::string& name, std::initializer_list<HWND> windows) {
    for (HWND window : windows) {
        RedrawWindow(window, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpUntil([&] { return OnScreen(window); }, 2000);
    }
    return SaveScreenshotPng(name);
}

} // namespace testing_support
