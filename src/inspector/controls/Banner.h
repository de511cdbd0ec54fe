#pragma once
// Scrolling credits: lines that rise through the control and fade out at its top and bottom edges.
#include <functional>
#include <string>
#include "core/BannerArithmetic.h"
#include "framework/Handles.h"
#include "framework/Window.h"

class TBanner : public fw::Window {
public:
    TBanner() = default;
    ~TBanner() override;

    void Create(HWND parent, const RECT& bounds);

    void SetLines(const std::string& text) { lines_ = text; }
    bool Run() const { return run_; }
    void SetRun(bool run);
    int Speed = 10; // the timer interval is Speed x 10 ms
    int Gap = 1;    // pixels per step
    int Space = 5;  // pixels below the bottom at which the text restarts
    int FadeHeight = 10;
    COLORREF FadeColor = RGB(0, 0, 0);
    COLORREF Color = RGB(0, 0, 0);
    COLORREF TextColor = RGB(0, 0, 0);
    UINT Alignment = DT_CENTER;
    bool WordWrap = true;
    void SetFont(HFONT font) { font_ = font; } // not owned
    // Mouse presses and releases on the credits, for their owner, at a point in client coordinates. A left
    // press holds the mouse, so its release comes here from wherever it happens; WM_CAPTURECHANGED says
    // the hold ended.
    std::function<void(UINT message, POINT at)> OnMouse;

    // The text's top edge, for tests.
    int ScrollTop() const { return scroll_.top(); }

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onSize(int width, int height) override;
    void onTimer(UINT_PTR id) override;

private:
    void paint(HDC target);

    std::string lines_;
    bool run_ = false;
    core::BannerScroll scroll_;
    HFONT font_ = nullptr;
};
