#pragma once
#include <windows.h>
#include <utility>

namespace fw {

// One owner for every kind of handle. Traits give the release function and the "no handle" value.
template <typename Traits> class UniqueHandle {
public:
    using H = typename Traits::Type;
    UniqueHandle() = default;
    explicit UniqueHandle(H h) : h_(normal(h)) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        reset(o.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    H get() const { return h_; }
    explicit operator bool() const { return h_ != Traits::invalid(); }
    H release() { return std::exchange(h_, Traits::invalid()); }
    void reset(H h = Traits::invalid()) {
        if (h_ != Traits::invalid()) Traits::close(h_);
        h_ = normal(h);
    }

private:
    static H normal(H h) {
        if constexpr (requires { Traits::normal(h); })
            return Traits::normal(h);
        else
            return h;
    }

    H h_ = Traits::invalid();
};

namespace detail {
template <typename T, auto Close> struct NullTraits {
    using Type = T;
    static T invalid() { return nullptr; }
    static void close(T h) { Close(h); }
};
// Kernel handles: CreateFile and Toolhelp snapshots fail with INVALID_HANDLE_VALUE, the rest with 0; both
// are kept as "none".
struct KernelTraits {
    using Type = HANDLE;
    static HANDLE invalid() { return nullptr; }
    static HANDLE normal(HANDLE h) { return h == INVALID_HANDLE_VALUE ? nullptr : h; }
    static void close(HANDLE h) { CloseHandle(h); }
};
inline void deleteGdiObject(HGDIOBJ h) {
    DeleteObject(h);
}
} // namespace detail

using Handle = UniqueHandle<detail::KernelTraits>;
using Bitmap = UniqueHandle<detail::NullTraits<HBITMAP, detail::deleteGdiObject>>;
using Icon = UniqueHandle<detail::NullTraits<HICON, DestroyIcon>>;
using Cursor = UniqueHandle<detail::NullTraits<HCURSOR, DestroyCursor>>;
using Key = UniqueHandle<detail::NullTraits<HKEY, RegCloseKey>>;
using Menu = UniqueHandle<detail::NullTraits<HMENU, DestroyMenu>>;
using Accelerators = UniqueHandle<detail::NullTraits<HACCEL, DestroyAcceleratorTable>>;
using Font = UniqueHandle<detail::NullTraits<HFONT, detail::deleteGdiObject>>;
using Pen = UniqueHandle<detail::NullTraits<HPEN, detail::deleteGdiObject>>;
using Brush = UniqueHandle<detail::NullTraits<HBRUSH, detail::deleteGdiObject>>;
using Region = UniqueHandle<detail::NullTraits<HRGN, detail::deleteGdiObject>>;
using MemoryDC = UniqueHandle<detail::NullTraits<HDC, DeleteDC>>;

// Selects an object into a device context for the scope, then puts the previous one back.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~Selection() {
        if (old_) SelectObject(dc_, old_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// The device context of one WM_PAINT: BeginPaint at construction, EndPaint at the end of the scope.
class PaintDC {
public:
    explicit PaintDC(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintDC() { EndPaint(window_, &paint_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// A device context of a window: its client area, or the whole window with `wholeWindow`.
class WindowDC {
public:
    explicit WindowDC(HWND window, bool wholeWindow = false)
        : window_(window), dc_(wholeWindow ? GetWindowDC(window) : GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

} // namespace fw
