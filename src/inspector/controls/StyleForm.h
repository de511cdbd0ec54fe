#pragma once
// The styled form: a top-level form that draws its own frame, gradient caption and caption buttons
// instead of leaving the non-client area to the system.
#include "controls/Colors.h"
#include "core/CaptionLayout.h"
#include "framework/Form.h"
#include "framework/Handles.h"

#include <array>
#include <string>

using core::CaptionButtonKind;
using core::CaptionButtonSet;
using core::cbClose;
using core::cbHelp;
using core::cbMaximize;
using core::cbMinimize;

// One caption button of a styled form.
class TTitlebarButton {
public:
    explicit TTitlebarButton(CaptionButtonKind kind) : Kind(kind) {}
    // Posts the button's system command to the window, at the cursor's position.
    void Click() const;
    void Paint(HDC dc, const RECT& r) const;

    const CaptionButtonKind Kind;
    bool Enabled = true;
    bool Pressed = false; // the left button went down on it and is not yet released
    bool Down = false;    // pressed and the cursor is over it: drawn pushed
    HWND Window = nullptr;
};

class TStyleForm : public fw::Form {
public:
    TStyleForm();
    ~TStyleForm() override;

    bool HideDisabledButtons() const { return hideDisabledButtons_; }
    void SetHideDisabledButtons(bool value) { hideDisabledButtons_ = value; }
    CaptionButtonSet CaptionButtons() const { return captionButtons_; }
    void SetCaptionButtons(CaptionButtonSet value);
    bool SystemMenu() const { return systemMenu_; }
    void SetSystemMenu(bool value);
    bool UseStandardCaption() const { return useStandardCaption_; }
    void SetUseStandardCaption(bool value);
    enum ColorIndex { ciStart, ciEnd, ciText };
    TColor Color(ColorIndex index) const { return colors_[index]; }
    void SetColor(ColorIndex index, TColor value);
    TColor StartColor() const { return Color(ciStart); }
    TColor EndColor() const { return Color(ciEnd); }
    TColor TextColor() const { return Color(ciText); }
    void SetStartColor(TColor value) { SetColor(ciStart, value); }
    void SetEndColor(TColor value) { SetColor(ciEnd, value); }
    void SetTextColor(TColor value) { SetColor(ciText, value); }

    // A plain number for whoever manages the form (child forms carry their number here).
    int Tag = 0;
    std::string Caption() const { return text(); }
    void SetCaption(const std::string& caption) { setText(caption); }
    bool Enabled() const { return IsWindowEnabled(handle()) != FALSE; }
    void SetEnabled(bool value) { EnableWindow(handle(), value); }
    bool Active() const { return active_; }

    // The window's big and small icon from the program's icon resource `id`, each in its own size.
    void SetIconResource(int id);

    const TTitlebarButton& Button(CaptionButtonKind kind) const { return buttons_[kind]; }
    // In window coordinates; empty for a button that is not shown.
    RECT GetButtonRect(CaptionButtonKind kind) const;
    // The shown caption button under a point on the screen, or 255.
    uint8_t ButtonAtPoint(POINT screen) const;

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FinishCreation();
    void ReadMetrics();
    void ReadSmallIcon();
    void RefreshButtonWindows();
    void Repaint();
    void InvalidateButton(CaptionButtonKind kind);
    LRESULT PaintFrame(HRGN updateRegion);
    void PaintCaption(HDC windowDC, int windowWidth);
    core::CaptionMetrics LayoutMetrics() const;
    CaptionButtonSet EnabledButtons() const;
    CaptionButtonSet ShownButtons() const;
    void OnLeftButtonDown(WPARAM hit);
    void EndTracking();

    std::array<TTitlebarButton, 4> buttons_{TTitlebarButton(cbHelp), TTitlebarButton(cbMinimize),
                                            TTitlebarButton(cbMaximize), TTitlebarButton(cbClose)};
    uint8_t hitButton_ = core::noCaptionButton;
    uint8_t pressedButton_ = core::noCaptionButton;
    bool tracking_ = false;
    bool active_ = false;
    bool creating_ = true;
    HICON smallIcon_ = nullptr;
    std::array<fw::Icon, 2> ownIcons_; // big and small, from SetIconResource
    fw::Font captionFont_;
    int frameWidth_ = 0, frameHeight_ = 0;
    int smallIconWidth_ = 0, smallIconHeight_ = 0;
    int captionHeight_ = 0;
    NONCLIENTMETRICSA metrics_{};
    bool hideDisabledButtons_ = false;
    CaptionButtonSet captionButtons_ = core::allCaptionButtons;
    bool systemMenu_ = true;
    bool useStandardCaption_ = false;
    std::array<TColor, 3> colors_{0, 64250, 16448250};
};
