#include "ToolbarImages.h"
#include "ResourceIds.h"
#include "framework/Application.h"

namespace {
constexpr int pictureSize = 42;

// Destroyed at exit, after every window that shows them.
class ImageList {
public:
    explicit ImageList(HIMAGELIST list) : list_(list) {}
    ~ImageList() {
        if (list_) ImageList_Destroy(list_);
    }
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;
    HIMAGELIST get() const { return list_; }

private:
    HIMAGELIST list_;
};

HIMAGELIST LoadStrip(int id) {
    HIMAGELIST list = ImageList_Create(pictureSize, pictureSize, ILC_COLOR24 | ILC_MASK, 12, 0);
    if (!list) return nullptr;
    HBITMAP strip = static_cast<HBITMAP>(LoadImageA(fw::application().instance(), MAKEINTRESOURCEA(id),
                                                    IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (strip) {
        ImageList_AddMasked(list, strip, RGB(255, 0, 255));
        DeleteObject(strip);
    }
    return list;
}
} // namespace

HIMAGELIST ToolbarImages() {
    static ImageList list(LoadStrip(IDB_TOOLBAR));
    return list.get();
}

HIMAGELIST DisabledToolbarImages() {
    static ImageList list(LoadStrip(IDB_TOOLBAR_DISABLED));
    return list.get();
}

HIMAGELIST KindIcons() {
    static ImageList list([] {
        HIMAGELIST icons = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 5, 0);
        for (int kind = 0; icons && kind < 5; ++kind) {
            HICON icon = static_cast<HICON>(LoadImageA(fw::application().instance(),
                                                       MAKEINTRESOURCEA(IDI_KIND_FIRST + kind), IMAGE_ICON,
                                                       16, 16, 0));
            ImageList_AddIcon(icons, icon);
            if (icon) DestroyIcon(icon);
        }
        return icons;
    }());
    return list.get();
}
