#include "support/Screenshot.h"
#include "support/ListFakes.h"
#include "support/ProcessDriver.h"
#include <vector>

namespace testing_support {

namespace {

// Whether the screen shows what the window's own surface holds, on a grid of points and along the middle
// of the caption (which a frame's repainting alone changes).
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
            if (r.left + x < 0 || r.left + x >= width || r.top + y < 0 || r.top + y >= height) continue;
            const COLORREF drawn = GetPixel(own, x, y);
            same = drawn == CLR_INVALID || drawn == GetPixel(screen, r.left + x, r.top + y);
            if (!same) break;
        }
    ReleaseDC(nullptr, screen);
    ReleaseDC(window, own);
    return same;
}

} // namespace

bool SaveScreenshotPng(const std::string& name) {
    std::string folder = BuildPath("screenshots");
    CreateDirectoryA(folder.c_str(), nullptr);
    return SaveScreenshot(folder + "\\" + name + ".png");
}

bool SaveScreenshotPng(const std::string& name, std::initializer_list<HWND> windows) {
    for (HWND window : windows) {
        RedrawWindow(window, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpUntil([&] { return OnScreen(window); }, 5000);
    }
    return SaveScreenshotPng(name);
}

} // namespace testing_support
