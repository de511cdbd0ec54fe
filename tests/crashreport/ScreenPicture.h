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

inline BOOL CALLBACK MarkIfUnpainted(HWND child, LPARAM pending) {
    if (GetUpdateRect(child, nullptr, FALSE)) *reinterpret_cast<bool*>(pending) = true;
    return TRUE;
}

inline bool NeedsPainting(HWND window) {
    bool pending = GetUpdateRect(window, nullptr, FALSE) != FALSE;
    EnumChildWindows(window, MarkIfUnpainted, reinterpret_cast<LPARAM>(&pending));
    return pending;
}

// Waits until the window's thread has painted the window and its controls and the picture has reached the
// screen. A message sent to another thread is answered only when that thread is back in its message loop
// (so an animation it was drawing has ended); the loop paints what is due and, before it waits again,
// brings what was drawn to the screen (Wine does so only then), which one more message makes sure of.
inline void PaintPending(HWND window) {
    DWORD_PTR ignored;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(10)) {
        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored);
        if (!NeedsPainting(window)) break;
    }
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored);
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
