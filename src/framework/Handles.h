#pragma once
#include <windows.h>
#include <utility>

namespace fw {

// One owner for every kind of handle. Traits give the release function and the "no handle" value.
template <typename Traits> class UniqueHandle {
public:
    using H = typename Traits::Type;
    UniqueHandle() = default;
    explicit UniqueHandle(H h) : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept
    {
        reset(o.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    H get() const { return h_; }
    explicit operator bool() const { return h_ != Traits::invalid(); }
    H release() { return std::exchange(h_, Traits::invalid()); }
    void reset(H h = Traits::invalid())
    {
        if (h_ != Traits::invalid()) Traits::close(h_);
        h_ = h;
    }

private:
    H h_ = Traits::invalid();
};

namespace detail {
template <typename T, auto Close> struct NullTraits {
    using Type = T;
    static T invalid() { return nullptr; }
    static void close(T h) { Close(h); }
};
// CreateFile and Toolhelp snapshots report failure as INVALID_HANDLE_VALUE, not 0.
struct FileTraits {
    using Type = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};
inline void deleteGdiObject(HGDIOBJ h)
{
    DeleteObject(h);
}
} // namespace detail

using Handle = UniqueHandle<detail::NullTraits<HANDLE, CloseHandle>>;
using FileHandle = UniqueHandle<detail::FileTraits>;
using Bitmap = UniqueHandle<detail::NullTraits<HBITMAP, detail::deleteGdiObject>>;
using Icon = UniqueHandle<detail::NullTraits<HICON, DestroyIcon>>;
using Cursor = UniqueHandle<detail::NullTraits<HCURSOR, DestroyCursor>>;
using Key = UniqueHandle<detail::NullTraits<HKEY, RegCloseKey>>;
using Menu = UniqueHandle<detail::NullTraits<HMENU, DestroyMenu>>;

} // namespace fw
