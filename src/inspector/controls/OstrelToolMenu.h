#pragma once
#include <windows.h>
#include <functional>
#include <string>

// A menu-like item of a pop-up tool window: drawn by the window that holds it (it has no window of its
// own), highlighted with a colour gradient while the mouse is over it.
class TOstrelToolMenu {
public:
    using Event = std::function<void(TOstrelToolMenu&)>;

    TOstrelToolMenu(HWND host, RECT bounds, int tag, const std::string& caption);

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    void SetHighlightColorStart(COLORREF color);
    void SetHighlightColorEnd(COLORREF color);
    void SetHiglightFontColor(COLORREF color);

    int Tag;
    bool Enabled = true;
    bool Visible = true;
    RECT Bounds;
    Event OnClick, OnMouseEnter, OnMouseLeave;
    bool Pressed = false;
    bool Hot = false;

    void Repaint() const;
    void Paint(HDC dc) const;
    // The mouse, as the host window routes it.
    void MouseDown();
    void MouseUp(bool inside);
    void MouseEnter();
    void MouseLeave();

private:
    HWND host_;
    std::string caption_;
    COLORREF highlightColorStart_ = GetSysColor(COLOR_HIGHLIGHT);
    COLORREF highlightColorEnd_ = GetSysColor(COLOR_HIGHLIGHT);
    COLORREF higlightFontColor_ = GetSysColor(COLOR_HIGHLIGHTTEXT);
};
