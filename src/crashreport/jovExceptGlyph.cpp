#include "crashreport/jovExceptGlyph.h"

#include "crashreport/core/GlyphBitmap.h"
#include "crashreport/jovTools.h"

#include <cstring>
#include <string>

namespace jov {
namespace {

bool DrawIconGlyph(HDC dc, HMODULE module, const char* resource, int x, int y) {
    auto icon = static_cast<HICON>(LoadImageA(module, resource, IMAGE_ICON, GlyphSize, GlyphSize, 0));
    if (!icon) return false;
    DrawIconEx(dc, x, y, icon, GlyphSize, GlyphSize, 0, nullptr, DI_NORMAL);
    DestroyIcon(icon);
    return true;
}

// A memory context holding a bitmap that goes with it.
class BitmapDc {
public:
    BitmapDc(HDC like, HBITMAP bitmap) : bitmap_(bitmap), dc_(bitmap ? CreateCompatibleDC(like) : nullptr) {
        if (dc_) old_ = SelectObject(dc_, bitmap_);
    }
    ~BitmapDc() {
        if (dc_) {
            SelectObject(dc_, old_);
            DeleteDC(dc_);
        }
        if (bitmap_) DeleteObject(bitmap_);
    }
    BitmapDc(const BitmapDc&) = delete;
    BitmapDc& operator=(const BitmapDc&) = delete;
    HDC get() const { return dc_; }

private:
    HBITMAP bitmap_;
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

// Blended onto the plain background by hand: the system's blending needs another library and
// premultiplied pixels.
bool DrawBitmapGlyph(HDC dc, HMODULE module, const char* resource, int x, int y, COLORREF background) {
    HRSRC found = FindResourceA(module, resource, RT_BITMAP);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    BlendedGlyph glyph;
    if (!data || !BlendGlyphBitmap({static_cast<const uint8_t*>(data), SizeofResource(module, found)},
                                   background, glyph))
        return false;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER),
                      GlyphSize,
                      glyph.TopDown ? -GlyphSize : GlyphSize,
                      1,
                      32,
                      BI_RGB,
                      0,
                      0,
                      0,
                      0,
                      0};
    void* bits = nullptr;
    BitmapDc section(dc, CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section.get()) return false;
    std::memcpy(bits, glyph.Pixels.data(), sizeof glyph.Pixels);
    return BitBlt(dc, x, y, GlyphSize, GlyphSize, section.get(), 0, 0, SRCCOPY) != FALSE;
}

} // namespace

bool DrawButtonGlyph(HDC dc, const char* name, int x, int y, COLORREF background) {
    const std::string resource = std::string("jei") + name;
    const HMODULE modules[] = {CrashReporterModule(), GetModuleHandleA(nullptr)};
    for (HMODULE module : modules)
        if (DrawIconGlyph(dc, module, resource.c_str(), x, y)) return true;
    for (HMODULE module : modules)
        if (DrawBitmapGlyph(dc, module, resource.c_str(), x, y, background)) return true;
    return false;
}

} // namespace jov
