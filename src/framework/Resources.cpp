#include "framework/Resources.h"
#include "framework/Application.h"
#include "core/JpegImage.h"
#include <cstring>
#include <span>

namespace fw {

std::string loadString(UINT id) {
    char buffer[4096];
    int length = LoadStringA(application().instance(), id, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? length : 0);
}

namespace {

std::span<const uint8_t> rawResource(int id) {
    HINSTANCE instance = application().instance();
    HRSRC info = FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (!info) return {};
    HGLOBAL data = LoadResource(instance, info);
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes) return {};
    return {static_cast<const uint8_t*>(bytes), SizeofResource(instance, info)};
}

} // namespace

Bitmap loadJpegResource(int id) {
    auto bytes = rawResource(id);
    core::Picture picture;
    if (bytes.empty() || !core::DecodeJpeg(bytes.data(), bytes.size(), picture)) return {};

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

Bitmap loadBitmapResource(int id) {
    auto bytes = rawResource(id);
    BITMAPFILEHEADER file;
    if (bytes.size() < sizeof file + sizeof(BITMAPINFOHEADER)) return {};
    std::memcpy(&file, bytes.data(), sizeof file);
    if (file.bfType != 0x4D42 || file.bfOffBits >= bytes.size()) return {};
    auto* info = reinterpret_cast<const BITMAPINFO*>(bytes.data() + sizeof file);
    const BITMAPINFOHEADER& header = info->bmiHeader;
    const uint64_t stride = ((uint64_t(header.biWidth) * header.biBitCount + 31) / 32) * 4;
    const uint64_t rows = header.biHeight < 0 ? -int64_t(header.biHeight) : header.biHeight;
    if (header.biCompression != BI_RGB || header.biWidth <= 0 ||
        file.bfOffBits + stride * rows > bytes.size())
        return {};
    WindowDC screen(nullptr);
    return Bitmap(CreateDIBitmap(screen.get(), &info->bmiHeader, CBM_INIT, bytes.data() + file.bfOffBits,
                                 info, DIB_RGB_COLORS));
}

SIZE bitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return {0, 0};
    return {info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
}

} // namespace fw
