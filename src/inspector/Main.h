#pragma once
// The application's main form: the toolbar and menus that open the lists, the finder panel with the
// found window's handle, caption and class, and the private messages of app bar, tray and finder.
#include "AppBar.h"
#include "TrayIcon.h"
#include "controls/FindWndPanel.h"
#include "controls/StyleForm.h"
#include "controls/Taskbar.h"
#include "controls/ToolBar.h"
#include "controls/ToolWindowPanel.h"
#include "framework/Handles.h"

#include <memory>
#include <string>
#include <vector>

// Posted by a finder pop-up: wParam the command (1 select, 2 properties, 3 create code), lParam the
// window handle of the form whose pop-up was used.
constexpr UINT WM_FINDERCOMMAND = WM_USER + 301;

class TOstrelMainForm : public TStyleForm {
public:
    enum Command : int {
        // Toolbar buttons and menu entries that open a child form carry its Tag in the low byte.
        cmCreateWindow = 0x1000, // + Tag
        cmProperties = 0x2000,
        cmExit,
        cmCascade,
        cmTileHorizontally,
        cmTileVertically,
        cmCloseAll,
        cmAbout,
        cmShow,
        cmClose,
        cmTrayFormFirst = 0x3000 // + index of the tray entry of an open child form
    };
    static constexpr int FinderPanelWidth = 161;

    TOstrelMainForm();
    ~TOstrelMainForm() override;

    void FoundWnd(HWND window);
    void WndHandleKeyPress(char key);
    void WndCaptionChange();
    void UpdateHandleFormat();
    // Shows or hides the finder panel; the main panel takes the rest of the width.
    void ShowFinderPanel(bool shown);
    void ButtonCreateWindowClick(int tag);
    void ButtonPropertiesClick();
    void CascadeExecute();
    void TileHorizontallyExecute();
    void TileVerticallyExecute();
    void MenuCloseAllClick();
    // Restores the application when it is minimised and brings the main form to the foreground.
    void MenuShowClick();
    // Moves the form to its placement rectangle: the app bar's when docked, else the work area's top.
    void ApplyPlacement(const RECT& placement);
    // The application's taskbar button while the form is shown (first shown, or restored with the
    // application) or minimised with it, as docking and Minimization ask.
    void StyleFormShow();
    void StyleFormHide();
    void TaskbarAddForm(fw::Form& form);
    void TaskbarRemoveForm(fw::Form& form);

    TFindWndPanel FindWndPanel;
    std::unique_ptr<TToolWindowPanel> ToolWindowPanel;
    HWND WndHandle = nullptr;
    THintEdit WndCaption;
    HWND WndClass = nullptr;
    TToolBar TBToolbar;
    HWND TBDock = nullptr;
    TTaskbar Taskbar;
    bool EditsLive = false;
    bool TrayRightDown = false;

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool onCommand(int id, int code, HWND control) override;
    bool onNotify(NMHDR& header, LRESULT& result) override;
    bool onClose() override;
    void onSize(int width, int height) override;

private:
    void CreateMenus();
    void CreateFinderPanel();
    void CreateToolbar();
    void ShowTrayMenu();
    void TrayFormClick(int index);
    HWND FinderCommandField(HWND source) const;
    void FinderCommand(int command, HWND source);
    int ToolbarHeight() const;
    int FormHeight() const;
    bool Docking() const; // the AppBarDocking setting
    void MinimizeToTray();
    static LRESULT CALLBACK handleEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                           DWORD_PTR data);

    fw::Menu trayMenu_;
    fw::Accelerators accelerators_;
    std::vector<fw::Form*> trayForms_; // the forms of the tray menu's top entries, in menu order
    bool traySeparator_ = false;
    bool finderShown_ = true;
    bool parentOpening_ = false; // inside the show that follows the application's restore
    RECT placement_{}; // the app bar's rectangle when docked, else the work area's top strip
    HFONT font_ = nullptr;
};
