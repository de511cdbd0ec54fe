#pragma once
// The main form's taskbar of its own: one button per open child form. A registered form minimises into
// its button, is restored by a click on it, and its button follows the form's activation, caption and
// icon. Its entries are the program's list of open child forms.
#include "controls/Colors.h"
#include "framework/Exceptions.h"
#include "framework/Form.h"
#include "framework/Handles.h"
#include "framework/Window.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class ETaskbarError : public fw::Exception {
public:
    using Exception::Exception;
};

class TTaskbar;
class TTaskItem;

// Colours and fonts of the buttons in their four states, and the colours of their 3-D edge.
struct TButtonSettings {
    TColor Color = clBtnFace;
    TColor ColorWhenDown = cl3DLight;
    TColor ColorOnMouseOver = clBtnFace;
    TColor ColorOnClick = clBtnFace;
    LOGFONTA Font{};            // the default GUI font
    LOGFONTA FontWhenDown{};    // bold
    LOGFONTA FontOnMouseOver{}; // underlined
    LOGFONTA FontOnClick{};     // as FontWhenDown
    TColor LightColor = clWhite;
    TColor ShadowColor = clBlack;

    TButtonSettings();
};

// A button of the taskbar: not a window, the taskbar paints it and routes the mouse to it.
class TTaskButton {
public:
    explicit TTaskButton(TTaskItem& item) : Item(&item) {}

    TTaskItem* Item;
    std::string Caption;
    std::string Hint;
    bool Down = false;    // its form is the active one
    bool Pressed = false; // a mouse button is held on it
    bool MouseOver = false;
    fw::Icon Icon; // 16 x 16, the button's own copy
    bool RefreshIcon = true;
    bool RefreshCaption = true;
    bool InSystemMenu = false; // the form's system menu, opened from the button, is showing
    bool Visible = true;       // false while detached from the bar (its form was hidden by closing)
    RECT Bounds{};
};

// One registered form: its button and the hook on its window.
class TTaskItem {
public:
    TTaskItem(TTaskbar& taskbar, fw::Form& form, bool removeOnClose, bool owned);
    ~TTaskItem(); // takes the hook off the window, when the window still exists
    TTaskItem(const TTaskItem&) = delete;
    TTaskItem& operator=(const TTaskItem&) = delete;

    bool RestoreOnActivate = true; // false while the item itself minimises its form
    TTaskButton Button;
    fw::Form* const Form;
    TTaskbar* const Taskbar;
    const bool RemoveOnClose; // the entry goes when the form is closed
    const bool Owned;         // the taskbar frees the form when the entry goes

    // Re-reads the form's icon into the button (small, else big, else the taskbar's StdIcon).
    void ReadIcon();
    // Restores the form if minimised, shows it and brings it to the front.
    void ShowForm();
    // Minimises the form into its button.
    void MinimizeForm();

private:
    static LRESULT CALLBACK Hook(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                 DWORD_PTR data);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Previous(UINT message, WPARAM wParam, LPARAM lParam);
    void OnClose();
    void FollowCaption();
    void FollowIcon();
    void Attach();

    HWND window_;
    bool hooked_ = false;
    bool updatingCaption_ = false;
    bool updatingIcon_ = false;
};

// The ordered entries of a taskbar.
class TTaskItems {
public:
    explicit TTaskItems(TTaskbar& taskbar) : taskbar_(&taskbar) {}
    int Count() const { return int(items_.size()); }
    // The form of entry i.
    fw::Form* operator[](int i) const { return items_[i]->Form; }
    TTaskItem& Item(int i) const { return *items_[i]; }
    int IndexOf(const fw::Form* form) const;
    int IndexOf(const TTaskItem* item) const;
    // As TTaskbar::RemoveForm by entry; nothing when it is absent.
    void Remove(TTaskItem* item, bool freeIfOwned, bool forceFree);

private:
    friend class TTaskbar;
    TTaskbar* taskbar_;
    std::vector<std::unique_ptr<TTaskItem>> items_;
};

class TTaskbar : public fw::Window {
public:
    using FormEvent = std::function<void(TTaskbar& sender, fw::Form& form)>;

    TTaskbar();
    ~TTaskbar() override; // removes every entry, freeing the forms it owns
    // The bar as a child window of `parent`, `Height` pixels high across its top.
    void Create(HWND parent, int id = 0);

    // Registers a form unless it is already there; ETaskbarError "Invalid Form" without one.
    void AddForm(fw::Form* form, bool removeOnClose, bool owned);
    // Removes entry `index`; then frees its form when forceFree, or when freeIfOwned and the entry owned it.
    void RemoveForm(int index, bool freeIfOwned, bool forceFree);
    TTaskItems& Items() { return items_; }
    const TTaskItems& Items() const { return items_; }
    void BeginUpdate() { ++updating_; }
    void EndUpdate();
    void ArrangeButtons();

    bool AutoSizeButtons() const { return autoSizeButtons_; }
    void SetAutoSizeButtons(bool value);
    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int value);
    int ButtonHeight() const { return buttonHeight_; }
    void SetButtonHeight(int value);
    const TButtonSettings& ButtonSettings() const { return buttonSettings_; }
    void SetButtonSettings(const TButtonSettings& value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    // Shown for forms without an icon (the application's icon after Create); the taskbar keeps a copy.
    HICON StdIcon() const { return stdIcon_.get(); }
    void SetStdIcon(HICON icon);
    FormEvent OnAddForm;
    FormEvent OnRemoveForm;

    static constexpr int Height = 32;

    // Makes one button the down one (its form is active): every other down button goes up. Null: none.
    void SetDown(TTaskButton* button);
    void InvalidateButton(const TTaskButton& button);
    // The button at a client point, or null.
    TTaskButton* ButtonAt(POINT client);

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onSize(int width, int height) override;
    bool onPaint() override;

private:
    friend class TTaskItem;
    // Removal from inside the form's own close handling: the form is freed once the message unwound.
    void RemoveDeferred(TTaskItem* item);
    void ReleasePending();
    void PaintButton(HDC dc, const TTaskButton& button);
    HFONT StateFont(const LOGFONTA& font);
    void OnMouseMove(POINT p);
    void OnMouseLeave();
    void OnButtonDown(POINT p);
    void OnButtonUp(POINT p, bool right);
    void UpdateHints();

    TTaskItems items_{*this};
    int updating_ = 0;
    bool destroying_ = false;
    bool autoSizeButtons_ = true;
    int buttonWidth_ = 120;
    int buttonHeight_ = 24;
    TColor color_ = clBtnFace;
    TButtonSettings buttonSettings_;
    fw::Icon stdIcon_;
    std::vector<std::pair<LOGFONTA, fw::Font>> fonts_;
    TTaskButton* hot_ = nullptr;     // under the mouse
    TTaskButton* pressed_ = nullptr; // a mouse button went down on it
    bool trackingLeave_ = false;
    HWND tooltip_ = nullptr;
    std::vector<std::unique_ptr<fw::Form>> pendingRelease_;
};
