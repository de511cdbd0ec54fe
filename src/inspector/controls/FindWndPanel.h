#pragma once
// The finder tool: a picture the user presses and drags over the screen. Every window that comes under
// the cursor is framed and reported; releasing the button ends the drag and removes the frame.
#include "framework/Handles.h"
#include "framework/Window.h"

#include <functional>
#include <string>

// The window under a screen point: the smallest descendant (hidden ones included) of the top-level or
// parent window there whose rectangle holds the point, else that window; none where there is none.
HWND GetWindowAtPoint(POINT point);

// An inverted thick frame on the window's screen rectangle, where the window shows (one frame at a time).
// Drawn on the screen DC: a frame drawn into another process's window DC does not show everywhere.
void HighlightWindow(HWND window);
// Inverts the window's frame back and lets the window repaint; nothing for no window, no repaint for
// one that is gone.
void RemoveHighlight(HWND window);

class TFindWndPanel : public fw::Window {
public:
    TFindWndPanel();
    void Create(HWND parent, int id, int x, int y);
    SIZE PictureSize() const;
    bool Dragging() const { return dragging_; }

    // Each window newly under the cursor during a drag, after it was framed; live windows only.
    std::function<void(HWND)> OnFoundWnd;

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Press();
    void Move();
    void Release();
    void Paint();

    fw::Bitmap idleImage_, dragImage_;
    HWND lastWindow_ = nullptr;
    bool showIdle_ = true;
    bool dragging_ = false;
};

// An edit that shows its full hint text at the cursor while Ctrl is held over it.
class THintEdit : public fw::Window {
public:
    ~THintEdit() override;
    // Takes over an existing edit control.
    void Attach(HWND edit);
    void SetHint(const std::string& hint) { hint_ = hint; }
    const std::string& Hint() const { return hint_; }
    bool HintShown() const { return hintShown_; }

private:
    static LRESULT CALLBACK subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    void MouseMoved();
    void HideHint();

    std::string hint_;
    HWND hintWindow_ = nullptr;
    bool hintShown_ = false;
    bool tracking_ = false;
};
