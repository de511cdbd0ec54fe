#pragma once
// The base of the detail windows: one information object, shown on pages and refreshed on demand or
// every few seconds, with links that open the detail windows of related objects.
#include "Functions.h"
#include "InfoObjects.h"
#include "ListingSources.h"
#include "controls/LinkLabel.h"
#include "controls/OstrelTreeview.h"
#include "controls/Ostrel_Form.h"
#include "core/InfoFormRules.h"
#include "framework/Exceptions.h"
#include "framework/Handles.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <list>
#include <memory>
#include <string>
#include <vector>

// Thrown out of a detail window's constructor when its object cannot be bound; the user has been told,
// so it is silent where it is caught.
class EInfoBindFailed : public fw::EAbort {};

class TInfoForm : public TOstrelForm {
public:
    enum Command : int { cmRefresh = 101, cmAutoUpdate, cmUpdateTime, cmModuleButton, FirstFieldId = 200 };
    static constexpr UINT_PTR UpdateTimerId = 1;
    static constexpr int ClientWidth = 540, ClientHeight = 460;

    ~TInfoForm() override;

    std::unique_ptr<TBasicInfo> Info;

    // One timer tick: the object refreshed, then the changing fields. A failure is reported once and
    // stops the auto-update.
    void RefreshClick();
    bool AutoUpdate() const;
    void SetAutoUpdate(bool on);
    // The typed seconds, brought into 1..60; the timer follows.
    void SetUpdateTime(int seconds);
    int UpdateTime() const { return updateSeconds_; }
    bool TimerRunning() const { return timerRunning_; }

    // A label linking to the window, process or thread whose number it shows. The number is kept with
    // the link, so a re-rendered text never changes what opens.
    class TNumberLink : public TLinkLabel {
    public:
        fw::Value Number;
    };
    // Shows the value as a number; unless it is a placeholder, a click opens the target's detail window.
    static void SetNumberLink(TNumberLink& label, const fw::Value& value, TListTypes target);
    // Re-renders a number link in the current format from the number it carries.
    static void ReformatLink(TNumberLink& label);

    int PageCount() const;
    int ActivePage() const;
    // The button beside a module path; hidden while the path names no file.
    HWND ModuleButton() const { return moduleButton_; }

protected:
    TInfoForm(std::unique_ptr<TBasicInfo> info, const char* caption, TListingSources& sources);

    virtual void UpdateInfo() = 0;

    // WMI binding of the process, thread and service windows: a connection of this window's own, then
    // SetID. A failing SetID shows `message` and throws EInfoBindFailed; a failing connection throws
    // its own error, which says that WMI, not the object, is missing.
    void BindWmi(TBasicWMIInfo& info, const fw::Value& id, const std::string& message);

    // Page building: captions and value fields laid out in rows. A row's value reaches the page's right
    // margin; in a two-column row (column 0 or 1) the second column's captions are as wide as the widest
    // of them on that page, so that none is cut off.
    int AddPage(const char* caption);
    // A row's caption alone, for a row whose value is a control of its own.
    HWND AddCaption(int page, int row, const char* caption);
    HWND AddField(int page, int row, const char* caption, int column = -1);
    // An edit that leaves `reserve` pixels free before the right margin.
    HWND AddEdit(int page, int row, const char* caption, int lines = 1, int reserve = 0);
    TNumberLink& AddLink(int page, int row, const char* caption, int column = -1);
    // Controls at page coordinates: (0, 0) is the page's top left corner.
    HWND AddGroup(int page, const RECT& bounds, const char* caption);
    HWND AddValue(int page, const RECT& bounds);
    HWND AddListBox(int page, const RECT& bounds);
    // A control of a page placed in page coordinates (added to the page's controls); it hands Esc to
    // the window.
    void Place(int page, HWND control);
    RECT PageRect() const;
    int PageWidth() const;
    int PageHeight() const;

    // The module button beside a path edit: shown when the edit names an existing file, and then the
    // edit is narrower by the button's width.
    void SetupModuleButton(int page, HWND edit);
    virtual void ModuleButtonClick();

    // A tree of rows of one kind, placed on a page, with the kind's shown columns of the settings.
    void AddKindTree(TOstrelTreeview& tree, TListTypes kind, int page, const RECT& pageBounds);

    static void SetText(HWND control, const std::string& text);
    // The text of a value shown through VariantToDisplayText.
    static std::string NumberText(const fw::Value& value);

    TListingSources& Sources;

    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool onCommand(int id, int code, HWND control) override;
    bool onNotify(NMHDR& header, LRESULT& result) override;
    void onTimer(UINT_PTR id) override;

private:
    static LRESULT CALLBACK EscapeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR data);
    void PassEscape(HWND control);
    HWND AddControl(const char* className, const char* text, DWORD style, DWORD exStyle, int page,
                    const RECT& bounds);
    RECT FromPage(const RECT& bounds) const;
    void AlignSecondColumn(int page);
    void UpdateTimer();
    void ShowPage(int page);

    HWND tabs_ = nullptr;
    HWND autoUpdate_ = nullptr;
    HWND updateTime_ = nullptr;
    HWND upDown_ = nullptr;
    HWND moduleButton_ = nullptr;
    HWND moduleEdit_ = nullptr;
    std::vector<std::vector<HWND>> pages_;
    // Per page, the caption and value of each second-column field.
    std::vector<std::vector<std::pair<HWND, HWND>>> secondColumns_;
    std::list<TNumberLink> links_;
    int nextId_ = FirstFieldId;
    int updateSeconds_ = core::DefaultUpdateSeconds;
    bool timerRunning_ = false;
    bool settingTime_ = false;
    core::TRefreshFailure refreshFailure_;
    std::string goneText_; // what a failing refresh of a bound WMI object reports
};

// Where links and buttons open detail windows: the functions below, unless a test put others here.
struct TDetailOpeners {
    std::function<void(HWND)> Window;
    std::function<void(DWORD)> Process;
    std::function<void(DWORD)> Thread;
    std::function<void(const std::string&)> Module;
};
TDetailOpeners& DetailOpeners();
// Opens the detail window of kind `target` for a number (a window handle, process or thread ID).
void OpenNumberLink(TListTypes target, std::uint32_t number);
