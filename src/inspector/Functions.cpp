#include "Functions.h"

#include "ConstVars.h"
#include "FormatConsts.h"
#include "Main.h"
#include "ModuleInfo.h"
#include "ProcessInfo.h"
#include "ServiceInfo.h"
#include "ThreadInfo.h"
#include "WindowInfo.h"
#include "ResourceIds.h"
#include "WindowText.h"
#include "controls/Taskbar.h"
#include "core/TaskbarLayout.h"
#include "core/WindowArrangement.h"
#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/Handles.h"
#include "framework/MessageBox.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {

struct FindRequest {
    HWND parent;
    HWND startAfter;
    const char* className;
    const char* windowText;
    bool started;
    HWND found;
};

bool matches(HWND wnd, const FindRequest& request) {
    if (request.className) {
        char name[256] = {};
        GetClassNameA(wnd, name, sizeof name);
        if (std::strcmp(name, request.className) != 0) return false;
    }
    if (request.windowText) {
        // The search runs on every typed character: a window already hung is passed by at once.
        std::string text;
        if (ReadWindowText(wnd, text, 750, true) != WindowTextResult::Ok || text != request.windowText)
            return false;
    }
    return true;
}

BOOL CALLBACK considerWindow(HWND wnd, LPARAM param) {
    auto& request = *reinterpret_cast<FindRequest*>(param);
    if (request.parent && GetAncestor(wnd, GA_PARENT) != request.parent) return TRUE;
    if (!request.started) {
        request.started = wnd == request.startAfter;
        return TRUE;
    }
    if (!matches(wnd, request)) return TRUE;
    request.found = wnd;
    return FALSE;
}

} // namespace

HWND EmulateFindWindowEx(HWND parent, HWND startAfter, const char* className, const char* windowText) {
    if (parent && !IsWindow(parent)) return nullptr;
    FindRequest request{parent, startAfter, className, windowText, startAfter == nullptr, nullptr};
    if (parent)
        EnumChildWindows(parent, considerWindow, reinterpret_cast<LPARAM>(&request));
    else
        EnumWindows(considerWindow, reinterpret_cast<LPARAM>(&request));
    return request.found;
}

std::string NoWindowFoundText() {
    char text[256] = {};
    if (LoadStringA(GetModuleHandleA(nullptr), IDS_NOWINDOWFOUND, text, sizeof text) > 0) return text;
    return "<no window found>";
}

std::uint32_t ParseWindowHandle(const std::string& text, bool& error, std::string* message) {
    error = false;
    if (message && text == NoWindowFoundText()) {
        error = true;
        *message = "No such window found";
        return 0;
    }
    bool parseError = false;
    const std::int64_t number = ParseNumber(text, &parseError);
    // Cut to 32 bits, a wider number would name some other window.
    if (number < 0 || number > std::int64_t(UINT32_MAX)) parseError = true;
    const auto value = static_cast<std::uint32_t>(number);
    if (parseError) {
        error = true;
        if (message) *message = "\"" + text + "\" is not a valid Handle-Value";
        return 0;
    }
    if (message && !IsWindow(reinterpret_cast<HWND>(static_cast<UINT_PTR>(value)))) {
        error = true;
        *message = "No such window found";
    }
    return value;
}

void DelayWithMessages(DWORD ms) {
    const DWORD start = GetTickCount();
    // Unsigned difference: correct across the tick counter's wrap.
    while (GetTickCount() - start < ms) {
        // The application's own handling: a quit posted meanwhile still ends the program.
        fw::application().processMessages();
        Sleep(1);
    }
}

void RedrawWindowFull(HWND wnd) {
    InvalidateRect(wnd, nullptr, TRUE);
    UpdateWindow(wnd);
    RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

namespace {
struct OwnedWindows {
    HWND owner;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectOwned(HWND window, LPARAM param) {
    auto& owned = *reinterpret_cast<OwnedWindows*>(param);
    if (GetWindow(window, GW_OWNER) == owned.owner) owned.found.push_back(window);
    return TRUE;
}
} // namespace

void SetWindowTopmost(HWND wnd, bool topmost) {
    const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    SetWindowPos(wnd, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, keep);
    if (!topmost || (GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST)) return;
    // Wine keeps a window below the windows it owns (a tool tip, the dialog that asked), and so out of the
    // band: they are let go for the move and owned again, then follow it as Windows moves them.
    OwnedWindows owned{wnd, {}};
    EnumWindows(CollectOwned, reinterpret_cast<LPARAM>(&owned));
    for (HWND window : owned.found) SetWindowLongPtrA(window, GWLP_HWNDPARENT, 0);
    SetWindowPos(wnd, HWND_TOPMOST, 0, 0, 0, 0, keep);
    for (HWND window : owned.found) {
        SetWindowLongPtrA(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(wnd));
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, keep);
    }
}

void BlinkWindow(HWND wnd) {
    RECT r;
    if (!GetWindowRect(wnd, &r)) return;
    fw::WindowDC dc(wnd, true);
    if (!dc.get()) return;
    PatBlt(dc.get(), 0, 0, r.right - r.left, r.bottom - r.top, DSTINVERT);
    DelayWithMessages(350);
    RedrawWindowFull(wnd);
}

// --- Child forms ---

namespace {
TOstrelMainForm* MainForm() {
    return dynamic_cast<TOstrelMainForm*>(fw::application().mainForm());
}
} // namespace

TTaskbar& ChildFormTaskbar() {
    TOstrelMainForm* main = MainForm();
    if (!main) throw fw::Exception("The main form is not open");
    return main->Taskbar;
}

int ChildFormCount() {
    TOstrelMainForm* main = MainForm();
    return main ? main->Taskbar.Items().Count() : 0;
}

fw::Form* ChildForm(int index) {
    return ChildFormTaskbar().Items()[index];
}

int NextChildFormNumber(const std::function<bool(const fw::Form&)>& isInstance) {
    std::vector<int> used;
    for (int i = 0, n = ChildFormCount(); i < n; ++i) {
        fw::Form* form = ChildForm(i);
        if (auto* styled = dynamic_cast<TStyleForm*>(form); styled && isInstance(*form))
            used.push_back(styled->Tag);
    }
    return core::SmallestFreeNumber(used);
}

void PlaceBelowMainForm(fw::Form& form) {
    TOstrelMainForm* main = MainForm();
    if (!main || !OstrelSettings || OstrelSettings->AppBarDocking || !OstrelSettings->StayOnTop) return;
    RECT m = main->bounds(), f = form.bounds();
    int mainHeight = m.bottom - m.top;
    if (f.top < m.top + mainHeight)
        SetWindowPos(form.handle(), nullptr, f.left, f.top + mainHeight, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TOstrelForm* CreateChildForm(const TChildFormClass& formClass) {
    if (TOstrelMainForm* main = MainForm()) main->MenuShowClick();
    std::unique_ptr<TOstrelForm> form;
    try {
        form.reset(formClass.Create());
    } catch (const fw::EAbort&) {
        return nullptr; // the form told the user itself
    } catch (...) {
        // A form that fails in its constructor is gone with its window: the user hears why.
        fw::messageBox(fw::application().handle(), fw::Application::exceptionText(std::current_exception()),
                       "Error", MB_OK | MB_ICONERROR);
        return nullptr;
    }
    if (!form || !form->handle()) return nullptr;
    form->SetEnabled(false);
    TOstrelForm* added = nullptr;
    try {
        int number = NextChildFormNumber(formClass.IsInstance);
        form->Tag = number;
        form->SetCaption(std::to_string(number) + " " + form->Caption());
        form->SetUseStandardCaption(OstrelSettings && OstrelSettings->Style == 1);
        TTaskbar& taskbar = ChildFormTaskbar();
        taskbar.AddForm(form.get(), true, true);
        added = form.release(); // the taskbar's from here on
        PlaceBelowMainForm(*added);
        if (formClass.BeforeShow) formClass.BeforeShow(*added);
        added->SetEnabled(true);
        added->show();
        return added;
    } catch (...) {
        if (added) {
            TTaskbar& taskbar = ChildFormTaskbar();
            taskbar.RemoveForm(taskbar.Items().IndexOf(added), false, true);
        }
        return nullptr;
    }
}

void BringChildFormToFront(fw::Form& form) {
    TTaskItems& items = ChildFormTaskbar().Items();
    int index = items.IndexOf(&form);
    if (index >= 0) {
        items.Item(index).ShowForm();
    } else {
        form.show(IsIconic(form.handle()) ? SW_RESTORE : SW_SHOW);
        SetForegroundWindow(form.handle());
    }
}

void ApplyIntFormatToForms() {
    TOstrelMainForm* main = MainForm();
    if (!main) return;
    main->UpdateHandleFormat();
    for (int i = 0; i < ChildFormCount(); ++i)
        if (auto* form = dynamic_cast<TOstrelForm*>(ChildForm(i))) form->UpdateIntFormat();
}

void ArrangeChildForms(TArrangeMode mode) {
    std::vector<HWND> windows;
    for (int i = 0, n = ChildFormCount(); i < n; ++i) windows.push_back(ChildForm(i)->handle());
    if (windows.empty()) return;
    const UINT arranged =
        mode == TArrangeMode::Cascade
            ? CascadeWindows(GetDesktopWindow(), MDITILE_SKIPDISABLED, nullptr, UINT(windows.size()),
                             windows.data())
            : TileWindows(GetDesktopWindow(),
                          mode == TArrangeMode::TileHorizontally ? MDITILE_HORIZONTAL : MDITILE_VERTICAL,
                          nullptr, UINT(windows.size()), windows.data());
    // Forms the system arranged stay as it put them, even where nothing had to move.
    if (arranged) return;

    // The system's arrangement is a stub here (it arranges none): the same over the work area, for the
    // forms on screen.
    std::vector<HWND> shown;
    for (HWND w : windows)
        if (IsWindowVisible(w) && !IsIconic(w) && (mode != TArrangeMode::Cascade || IsWindowEnabled(w)))
            shown.push_back(w);
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    core::LayoutRect area{work.left, work.top, work.right, work.bottom};
    int count = int(shown.size());
    std::vector<core::LayoutRect> rects =
        mode == TArrangeMode::Cascade
            ? core::CascadeRects(area, count, GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME))
            : core::TileRects(area, count,
                              mode == TArrangeMode::TileHorizontally ? core::TileMode::Horizontal
                                                                     : core::TileMode::Vertical);
    for (int i = 0; i < count; ++i) {
        const core::LayoutRect& r = rects[i];
        SetWindowPos(shown[i], HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE);
    }
}

TWindowInfoForm* ShowWindowInfo(HWND window) {
    return ShowChildForm<TWindowInfoForm>(
        window, [](const TWindowInfoForm& form, HWND key) { return form.Window() == key; });
}

TProcessInfoForm* ShowProcessInfo(DWORD processId) {
    return ShowChildForm<TProcessInfoForm>(
        processId, [](const TProcessInfoForm& form, DWORD key) { return form.ProcessID() == key; });
}

TThreadInfoForm* ShowThreadInfo(DWORD threadId) {
    return ShowChildForm<TThreadInfoForm>(
        threadId, [](const TThreadInfoForm& form, DWORD key) { return form.ThreadID() == key; });
}

TModuleInfoForm* ShowModuleInfo(const std::string& path) {
    return ShowChildForm<TModuleInfoForm>(
        path, [](const TModuleInfoForm& form, const std::string& key) { return form.Path() == key; });
}

TServiceInfoForm* ShowServiceInfo(const std::string& name) {
    return ShowChildForm<TServiceInfoForm>(
        name, [](const TServiceInfoForm& form, const std::string& key) { return form.Name() == key; });
}
