#pragma once
// A static label that becomes a link (link colour, underlined, hand cursor) while a click handler is set.
#include "controls/Colors.h"
#include "framework/Handles.h"
#include "framework/Window.h"

#include <functional>
#include <string>

class TLinkLabel : public fw::Window {
public:
    using NotifyEvent = std::function<void(TLinkLabel& sender)>;

    // A child label of `parent` at these bounds.
    void Create(HWND parent, int id, const RECT& bounds, const std::string& caption = {});

    TColor LinkColor() const { return linkColor_; }
    void SetLinkColor(TColor value);
    const NotifyEvent& OnLinkClick() const { return onLinkClick_; }
    void SetOnLinkClick(NotifyEvent handler);
    // The label's ordinary click, used while no link handler is set.
    NotifyEvent OnClick;
    bool IsLink() const { return bool(onLinkClick_); }
    // As a user's click.
    void Click();

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool onPaint() override;

private:
    HFONT CurrentFont() const;

    TColor linkColor_ = clGreen;
    NotifyEvent onLinkClick_;
    HFONT normalFont_ = nullptr; // as set by its parent; not ours
    fw::Font linkFont_;          // the normal font, underlined
    bool pressed_ = false;       // the left button went down on the label and is not released yet
};
