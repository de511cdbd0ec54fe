#pragma once
#include "controls/OstrelToolMenu.h"
#include "core/ToolWindowGeometry.h"
#include "framework/Form.h"
#include <functional>
#include <memory>
#include <vector>

class TToolWindowPanel;

// A caption-less, stay-on-top pop-up of a tool-window panel, holding menu-like items. It stays while the
// mouse is over it and goes a short delay after the mouse has left.
class TToolWindowForm : public fw::Form {
public:
    TToolWindowForm(TToolWindowPanel& panel, const char* className, int clientWidth, int clientHeight);

    TToolWindowPanel& Panel;
    bool MouseInside = false;
    // Items, top to bottom; this window draws them and routes the mouse to them.
    std::vector<std::unique_ptr<TOstrelToolMenu>> Items;

    // Where the panel's tracking found the mouse: over this window or not.
    void TrackMouse(bool inside);

protected:
    // The next item's bounds: aligned to the top below the items so far, the whole client width.
    RECT NextItemBounds(int height) const;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool onPaint() override;

private:
    void Activate();
    void MouseEnter();
    void MouseLeave();
    TOstrelToolMenu* ItemAt(POINT p) const;
    void SetHotItem(TOstrelToolMenu* item);

    bool entered_ = false;
    TOstrelToolMenu* hotItem_ = nullptr;
    TOstrelToolMenu* pressedItem_ = nullptr;
};

// The small arrow button beside a finder tool: the mouse entering it pops up a tool window next to it.
class TToolWindowPanel : public fw::Window {
public:
    using FormFactory = std::function<std::unique_ptr<TToolWindowForm>(TToolWindowPanel&)>;
    static constexpr int defaultSize = 18;

    TToolWindowPanel(HWND parent, int x, int y);
    ~TToolWindowPanel() override;

    // Makes the pop-up; set by the form that holds the panel.
    FormFactory FormClass;
    UINT DelayTime = 250;
    core::TShowDirection ShowDirection() const { return direction_; }
    void SetShowDirection(core::TShowDirection direction);

    TToolWindowForm* Form() const { return form_.get(); }
    // The window of the form that holds this panel.
    HWND HolderForm() const { return GetAncestor(handle(), GA_ROOT); }

    void PopupToolForm();
    // Takes the pop-up away now; it is freed once the message being handled is done with it.
    void ReleaseForm();
    void StopTimer();
    void RestartTimer();
    // Follows the mouse over this button and the pop-up until it has left both and the pop-up is gone.
    void TrackMouse();

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool onPaint() override;
    void onTimer(UINT_PTR id) override;

private:
    void MouseEnter();
    void MouseLeave();
    void FollowMouse();

    std::unique_ptr<TToolWindowForm> form_;
    std::vector<std::unique_ptr<TToolWindowForm>> released_;
    core::TShowDirection direction_ = core::sdBottom;
    bool lowered_ = false; // the mouse is over the button
    bool tracking_ = false;
};
