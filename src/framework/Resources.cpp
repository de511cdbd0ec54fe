#include "framework/Resources.h"
#include "framework/Application.h"
#include "framework/core/JpegImage.h"
#include <cstring>

namespace fw {

std::string loadString(UINT id) {
    char buffer[4096];
    int length = LoadStringA(application().instance(), id, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? length : 0);
}

namespace {
struct RawData {
    const uint8_t* bytes = nullptr;
    DWORD size = 0;
};

RawData rcData(int id) {
    HINSTANCE instance = application().instance();
    HRSRC info = FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (!info) return {};
    HGLOBAL data = LoadResource(instance, info);
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes) return {};
    return {static_cast<const uint8_t*>(bytes), SizeofResource(instance, info)};
}
} // namespace

Bitmap loadBmpResource(int id) {
    RawData raw = rcData(id);
    if (raw.size < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return {};
    BITMAPFILEHEADER file;
    std::memcpy(&file, raw.bytes, sizeof file);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(raw.bytes + sizeof file);
    if (file.bfType != 0x4D42 || file.bfOffBits >= raw.size) return {};
    const auto& header = info->bmiHeader;
    if (header.biSize < sizeof header || header.biWidth <= 0 || header.biHeight == 0) return {};
    // Only the uncompressed forms the build writes; the pixel rows must lie inside the resource.
    if (header.biCompression != BI_RGB || (header.biBitCount != 24 && header.biBitCount != 32)) return {};
    const long long stride = ((long long)header.biWidth * header.biBitCount + 31) / 32 * 4;
    const long long rows = header.biHeight < 0 ? -(long long)header.biHeight : header.biHeight;
    if (file.bfOffBits + stride * rows > raw.size) return {};
    void* bits = nullptr;
    Bitmap bitmap(CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap && bits) std::memcpy(bits, raw.bytes + file.bfOffBits, size_t(stride * rows));
    return bitmap;
}

void drawBitmap(HDC dc, HBITMAP bitmap, int x, int y) {
    SIZE size = bitmapSize(bitmap);
    MemoryDC memory(CreateCompatibleDC(dc));
    if (!memory) return;
    Selection select(memory.get(), bitmap);
    BitBlt(dc, x, y, size.cx, size.cy, memory.get(), 0, 0, SRCCOPY);
}

Bitmap loadJpegResource(int id) {
    RawData raw = rcData(id);
    if (!raw.bytes) return {};
    Picture picture;
    if (!DecodeJpeg(raw.bytes, raw.size, picture)) return {};

    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = picture.width;
    bmi.bmiHeader.biHeight = -picture.height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    Bitmap bitmap(CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap && bits) std::memcpy(bits, picture.pixels.data(), picture.pixels.size());
    return bitmap;
}

SIZE bitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return {0, 0};
    return {info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
}

} // namespace fw
