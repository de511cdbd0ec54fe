#include "framework/Resources.h"
#include "framework/Application.h"
#include "core/JpegImage.h"
#include <cstring>

namespace fw {

std::string loadString(UINT id) {
    char buffer[4096];
    int length = LoadStringA(application().instance(), id, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? length : 0);
}

Bitmap loadJpegResource(int id) {
    HINSTANCE instance = application().instance();
    HRSRC info = FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (!info) return {};
    HGLOBAL data = LoadResource(instance, info);
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes) return {};
    core::Picture picture;
    if (!core::DecodeJpeg(static_cast<const uint8_t*>(bytes), SizeofResource(instance, info), picture))
        return {};

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
