#pragma once
// Pictures of the crash reporter's windows for the tests under Wine: what the screen shows of a window,
// saved as a PNG under the build's screenshots folder (OSTREL_SCREENSHOTS). The crash reporter's tests
// link nothing of the inspector, so they do not share its picture helper.
#include <windows.h>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <string>
#include <utility>
#include <vector>

namespace screen_picture {

// Waits until the window's thread is back in its message loop (a sent message is answered only there, so
// an animation it is drawing has ended) and has painted what is pending (a WM_PAINT sent to another
// thread's window returns once it is handled): the picture then shows what a user would see.
inline void PaintPending(HWND window) {
    DWORD_PTR ignored;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored);
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

inline bool Save(HWND window, const std::string& name) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return false;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<unsigned char> pixels(size_t(width) * height * 4);
    GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    for (size_t i = 0; i < pixels.size(); i += 4) { // BGR with an unused byte to opaque RGBA
        std::swap(pixels[i], pixels[i + 2]);
        pixels[i + 3] = 255;
    }
    CreateDirectoryA(OSTREL_SCREENSHOTS, nullptr);
    const std::string file = std::string(OSTREL_SCREENSHOTS) + "/" + name + ".png";
    return stbi_write_png(file.c_str(), width, height, 4, pixels.data(), width * 4) != 0;
}

} // namespace screen_picture
