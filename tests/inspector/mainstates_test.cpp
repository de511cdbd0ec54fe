// The main window's states in the real program, for each Minimization value, docked and floating: what
// the start, minimising and every way back leave on the screen, on the shell's top edge and in the
// notification area; the hot key, the finder pop-up's commands.
#include "Main.h"
#include "ResourceIds.h"
#include "support/Cursor.h"
#include "support/ProgramDriver.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <shellapi.h>
#include <cstring>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

enum MainControl { idWndHandle = 4, idWndCaption, idWndClass };

// A top-level window of the test's own, standing where the program can see it.
class TestWindow {
public:
    TestWindow(const char* caption, RECT at, bool shown = true, bool topmost = true) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = "MainStatesTestWindow";
        RegisterClassA(&wc);
        handle =
            CreateWindowExA((topmost ? WS_EX_TOPMOST : 0) | WS_EX_TOOLWINDOW, wc.lpszClassName, caption,
                            WS_POPUP | WS_CAPTION | (shown ? WS_VISIBLE : 0), at.left, at.top,
                            at.right - at.left, at.bottom - at.top, nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~TestWindow() {
        if (IsWindow(handle)) DestroyWindow(handle);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND handle;
};

// A bar of the test's own at the top edge of the screen, `height` high, below the bars there. Its window
// is never shown: one shown would take the keyboard from the program under test.
class TopBar {
public:
    explicit TopBar(LONG height) : window_("test bar", {0, 0, 0, 0}, false) {
        data_.cbSize = sizeof data_;
        data_.hWnd = window_.handle;
        data_.uEdge = ABE_TOP;
        SHAppBarMessage(ABM_NEW, &data_);
        data_.rc = {0, 0, GetSystemMetrics(SM_CXSCREEN), height};
        SHAppBarMessage(ABM_QUERYPOS, &data_);
        data_.rc.bottom = data_.rc.top + height;
        if (height > 0) SHAppBarMessage(ABM_SETPOS, &data_);
    }
    ~TopBar() { SHAppBarMessage(ABM_REMOVE, &data_); }
    TopBar(const TopBar&) = delete;
    TopBar& operator=(const TopBar&) = delete;
    LONG top() const { return data_.rc.top; }
    LONG bottom() const { return data_.rc.bottom; }

private:
    TestWindow window_;
    APPBARDATA data_{};
};

// The top of the strip the shell would give a new bar at the top edge: the bottom of the bars there.
LONG TopBarsBottom() {
    return TopBar(0).top();
}

NOTIFYICONDATAA TrayIcon(HWND main) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = main;
    data.uID = 1;
    data.uFlags = NIF_TIP;
    std::strcpy(data.szTip, "Ostrel");
    return data;
}

// The notification area answers a change of an icon it has, and refuses one it has not.
bool TrayIconThere(HWND main) {
    NOTIFYICONDATAA data = TrayIcon(main);
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

struct Config {
    BYTE minimization;
    bool docked;
};

std::string Name(const Config& c) {
    return "main_min" + std::to_string(c.minimization) + (c.docked ? "_docked" : "_floating");
}

// What a user and the shell see of the program.
struct State {
    bool mainShown, mainIconic, appShown, appIconic, bar, tray;
    bool operator==(const State&) const = default;
};

std::ostream& operator<<(std::ostream& out, const State& s) {
    return out << "main " << (s.mainShown ? "shown" : "hidden") << (s.mainIconic ? " iconic" : "")
               << ", taskbar button " << (s.appShown ? "shown" : "hidden") << (s.appIconic ? " iconic" : "")
               << ", bar " << (s.bar ? "registered" : "absent") << ", tray icon "
               << (s.tray ? "there" : "absent");
}

// Minimization 0: a taskbar button; 1: only the tray icon; 2: the tray icon and, while minimised, the
// taskbar button. Docked, the bar has no taskbar button while shown, and no bar while minimised.
State Shown(const Config& c) {
    return {true, false, !c.docked && c.minimization == 0, false, c.docked, c.minimization != 0};
}

State Minimised(const Config& c) {
    return {false, false, c.minimization != 1, true, false, c.minimization != 0};
}

enum class Restore { TrayDoubleClick, ShowOstrel, ChildForm, TaskbarButton };

const char* Name(Restore r) {
    switch (r) {
    case Restore::TrayDoubleClick:
        return "tray double-click";
    case Restore::ShowOstrel:
        return "\"&Show Ostrel\"";
    case Restore::ChildForm:
        return "a child form opening";
    case Restore::TaskbarButton:
        return "the taskbar button";
    }
    return "";
}

// The ways back that exist: the tray's with a tray icon, the taskbar button's with a button.
std::vector<Restore> RestorePaths(const Config& c) {
    std::vector<Restore> paths;
    if (c.minimization != 0) paths = {Restore::TrayDoubleClick, Restore::ShowOstrel};
    paths.push_back(Restore::ChildForm);
    if (c.minimization != 1) paths.push_back(Restore::TaskbarButton);
    return paths;
}

class MainStates : public testing::TestWithParam<Config> {
protected:
    void SetUp() override {
        base = TopBarsBottom();
        WriteProgramSettings();
        const Config& c = GetParam();
        const DWORD on = 1, docked = c.docked;
        WriteProgramSetting("Minimization", REG_BINARY, &c.minimization, 1);
        WriteProgramSetting("AppBarDocking", REG_DWORD, &docked, sizeof docked);
        WriteProgramSetting("StayOnTop", REG_DWORD, &on, sizeof on);
    }

    State Read(const Program& p) const {
        HWND app = p.ostrel.findWindow("fwApplicationWindow", nullptr, false);
        return {IsWindowVisible(p.main) != FALSE, IsIconic(p.main) != FALSE, IsWindowVisible(app) != FALSE,
                IsIconic(app) != FALSE,           TopBarsBottom() > base,    TrayIconThere(p.main)};
    }

    // Waits for the state, then reports each difference.
    void Expect(const Program& p, const State& expected, const std::string& when) const {
        State seen{};
        WaitFor([&] { return (seen = Read(p)) == expected; }, 10000);
        EXPECT_EQ(expected, seen) << when;
    }

    LONG base = 0;
};

// The caption's colour towards its right end, which its drawing as active and as inactive tell apart (the
// system keeps that state from other processes).
COLORREF CaptionColour(HWND form) {
    RECT r{};
    GetWindowRect(form, &r);
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(
        screen, r.right - 200, r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2);
    ReleaseDC(nullptr, screen);
    return colour;
}

// "0x1234 TClassName, visible, pid 36" for a failure's message.
std::string Describe(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return Hex(UINT_PTR(window)) + " " + name + (IsWindowVisible(window) ? ", visible" : ", hidden") +
           (process == GetCurrentProcessId() ? ", the test's" : ", pid " + std::to_string(process));
}

TEST_P(MainStates, StartMinimiseAndEveryWayBack) {
    const Config& c = GetParam();
    Program p;
    ASSERT_TRUE(p.started());
    HWND app = p.ostrel.findWindow("fwApplicationWindow", nullptr, false);
    ASSERT_TRUE(app);
    Expect(p, Shown(c), "after the start");
    RECT start{};
    GetWindowRect(p.main, &start);
    if (c.docked) {
        EXPECT_EQ(base, start.top) << "the bar at its place at the top";
        EXPECT_EQ(base + (start.bottom - start.top), TopBarsBottom()) << "the bar as high as the window";
    }
    // A stored StayOnTop is used only when not docked.
    EXPECT_EQ(!c.docked, (GetWindowLongA(p.main, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == p.main; }))
        << "the keyboard's window at the start";
    EXPECT_TRUE(p.Picture(Name(c) + "_started"));
    const COLORREF activeCaption = CaptionColour(p.main); // painted once pictured

    bool pictured = false;
    for (Restore path : RestorePaths(c)) {
        SCOPED_TRACE(Name(path));
        // As the minimise button of the caption does.
        PostMessageA(p.main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        Expect(p, Minimised(c), "minimised");
        if (!pictured) {
            EXPECT_TRUE(p.Picture(Name(c) + "_minimised"));
        }

        HWND child = nullptr;
        switch (path) {
        case Restore::TrayDoubleClick:
            PostMessageA(p.main, WM_TRAYNOTIFY, 1, WM_LBUTTONDBLCLK);
            break;
        case Restore::ShowOstrel:
            p.Command(TOstrelMainForm::cmShow);
            break;
        case Restore::ChildForm:
            child = p.OpenChild(101, "#32770", "1 Find Window");
            EXPECT_TRUE(child);
            break;
        case Restore::TaskbarButton:
            // What the shell does when the button of a minimised window is clicked: it activates the
            // window, then restores it. Under Wine the activation arrives late, so it is waited for.
            SetForegroundWindow(app);
            ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == app; })) << "the button's activation";
            PostMessageA(app, WM_SYSCOMMAND, SC_RESTORE, 0);
            break;
        }
        Expect(p, Shown(c), "restored");
        if (!child) {
            EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == p.main; }))
                << "the keyboard's window after the restore: " << Describe(GetForegroundWindow());
            // And stays there, rather than going back and forth with another program's window.
            EXPECT_TRUE(HoldsFor([&] { return GetForegroundWindow() == p.main; }, 1000))
                << "the keyboard's window a moment after the restore: " << Describe(GetForegroundWindow());
            EXPECT_TRUE(WaitFor([&] { return CaptionColour(p.main) == activeCaption; }, 5000))
                << "the caption of the form with the keyboard drawn active";
        }
        RECT now{};
        GetWindowRect(p.main, &now);
        EXPECT_EQ(start.top, now.top);
        EXPECT_EQ(start.bottom - start.top, now.bottom - now.top) << "the fixed height";
        if (c.docked) {
            EXPECT_EQ(base + (start.bottom - start.top), TopBarsBottom()) << "the bar's height";
        }
        if (!pictured) {
            EXPECT_TRUE(p.Picture(Name(c) + "_restored"));
        }
        pictured = true;
        if (child) {
            PostMessageA(child, WM_CLOSE, 0, 0);
            EXPECT_TRUE(WaitFor([&] { return !IsWindow(child); }));
        }
    }

    // The shell restarted: it forgot the icon, and the program adds it again when it had one.
    NOTIFYICONDATAA icon = TrayIcon(p.main);
    Shell_NotifyIconA(NIM_DELETE, &icon);
    EXPECT_FALSE(TrayIconThere(p.main));
    SendMessageA(p.main, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_EQ(c.minimization != 0, TrayIconThere(p.main)) << "after \"TaskbarCreated\"";
}

INSTANTIATE_TEST_SUITE_P(EachMinimization, MainStates,
                         testing::Values(Config{0, true}, Config{0, false}, Config{1, true}, Config{1, false},
                                         Config{2, true}, Config{2, false}),
                         [](const testing::TestParamInfo<Config>& info) { return Name(info.param); });

// The shell moves the bars when one goes; the docked window follows its bar.
TEST(MainBar, FollowsTheShellWhenABarAboveItGoes) {
    const LONG base = TopBarsBottom();
    WriteProgramSettings();
    const DWORD on = 1;
    WriteProgramSetting("AppBarDocking", REG_DWORD, &on, sizeof on);
    auto above = std::make_unique<TopBar>(20);
    ASSERT_EQ(base + 20, above->bottom());
    Program p;
    ASSERT_TRUE(p.started());
    auto top = [&] {
        RECT r{};
        GetWindowRect(p.main, &r);
        return r.top;
    };
    EXPECT_TRUE(WaitFor([&] { return top() == base + 20; })) << top();
    above.reset();
    // What the shell tells every bar once one of them has gone.
    PostMessageA(p.main, WM_APPBARNOTIFY, ABN_POSCHANGED, 0);
    EXPECT_TRUE(WaitFor([&] { return top() == base; })) << top();
    RECT r{};
    GetWindowRect(p.main, &r);
    EXPECT_EQ(base + (r.bottom - r.top), TopBarsBottom()) << "the bar moved with the window";
}

// Whether Ctrl+F10, the stored hot key, is free: the program holds it when it registered it.
bool HotKeyFree() {
    const bool free = RegisterHotKey(nullptr, 0xB00, MOD_CONTROL, VK_F10);
    if (free) UnregisterHotKey(nullptr, 0xB00);
    return free;
}

TEST(MainHotKey, PicksTheWindowUnderTheCursorOnlyWithTheFinderShown) {
    const DWORD on = 1, off = 0;
    WriteProgramSettings();
    WriteProgramSetting("UseHotKey", REG_DWORD, &on, sizeof on);
    {
        Program p;
        ASSERT_TRUE(p.started());
        EXPECT_FALSE(HotKeyFree()) << "the program holds its hot key";
        TestWindow target("hot key target", {300, 400, 500, 500});
        ASSERT_TRUE(MoveCursorTo({400, 460}));
        PostMessageA(p.main, WM_HOTKEY, 1, MAKELPARAM(MOD_CONTROL, VK_F10));
        EXPECT_TRUE(WaitFor([&] { return Text(p.Control(idWndHandle)) == Hex(UINT_PTR(target.handle)); }))
            << Text(p.Control(idWndHandle));
        EXPECT_TRUE(WaitFor([&] { return Text(p.Control(idWndCaption)) == "hot key target"; }))
            << Text(p.Control(idWndCaption));
        EXPECT_EQ("MainStatesTestWindow", Text(p.Control(idWndClass)));
    }
    WriteProgramSetting("MainFinder", REG_DWORD, &off, sizeof off);
    Program p;
    ASSERT_TRUE(p.started());
    EXPECT_TRUE(HotKeyFree()) << "no hot key without the finder panel";
}

bool TopMost(HWND window) {
    return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// Opens the settings dialog from the main window, clicks the boxes in turn and presses OK.
void ChangeInSettingsDialog(const Program& p, std::initializer_list<int> boxes) {
    p.Command(TOstrelMainForm::cmProperties);
    HWND dialog = p.ostrel.waitWindow("#32770", "Properties", programTimeout);
    ASSERT_TRUE(dialog);
    for (int box : boxes) SendMessageA(GetDlgItem(dialog, box), BM_CLICK, 0, 0);
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); })) << "the dialog closed";
}

TEST(MainSettings, StayOnTopTickedInTheDialogWithoutDockingKeepsTheWindowOnTop) {
    const DWORD off = 0;
    for (const DWORD docked : {0, 1}) {
        SCOPED_TRACE(docked ? "docked at the start" : "floating at the start");
        WriteProgramSettings();
        WriteProgramSetting("AppBarDocking", REG_DWORD, &docked, sizeof docked);
        WriteProgramSetting("StayOnTop", REG_DWORD, &off, sizeof off);
        WriteProgramSetting("SaveDesktopIcons", REG_DWORD, &off, sizeof off);
        Program p;
        ASSERT_TRUE(p.started());
        EXPECT_FALSE(TopMost(p.main));
        if (docked)
            ChangeInSettingsDialog(p, {IDC_PROP_APPBAR, IDC_PROP_STAYONTOP});
        else
            ChangeInSettingsDialog(p, {IDC_PROP_STAYONTOP});
        EXPECT_TRUE(WaitFor([&] { return TopMost(p.main); }, 5000)) << "on top after OK";
        p.Picture(std::string("main_stay_on_top_") + (docked ? "undocked" : "floating"));
        // And above a window that comes to the front later (which Wine's virtual desktop shows over it all
        // the same: the picture is taken before).
        TestWindow later("later window", {100, 50, 400, 300}, true, false);
        SetForegroundWindow(later.handle);
        EXPECT_TRUE(WaitFor([&] { return IsAbove(p.main, later.handle); }, 5000));
        ChangeInSettingsDialog(p, {IDC_PROP_STAYONTOP});
        EXPECT_TRUE(WaitFor([&] { return !TopMost(p.main); }, 5000)) << "not on top once cleared";
    }
}

// The finder pop-up's commands for the main form's handle field, with a window that lives and with one
// that was destroyed after the window list showed it.
TEST(MainFinderCommand, SelectPropertiesAndCodeForALiveAndADestroyedWindow) {
    WriteProgramSettings();
    Program p;
    ASSERT_TRUE(p.started());
    TestWindow live("live window", {300, 400, 460, 480});
    auto gone = std::make_unique<TestWindow>("destroyed window", RECT{500, 400, 660, 480});
    const HWND destroyed = gone->handle;
    HWND list = p.OpenList(0, "1 Window List");
    ASSERT_TRUE(list);
    gone.reset();
    ASSERT_FALSE(IsWindow(destroyed));

    auto command = [&](WPARAM which, HWND window) {
        SendMessageA(p.Control(idWndHandle), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(Hex(UINT_PTR(window)).c_str()));
        PostMessageA(p.main, WM_FINDERCOMMAND, which, reinterpret_cast<LPARAM>(p.main));
    };
    auto focused = [&] {
        const int row = int(SendMessageA(Program::List(list), LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED));
        return row < 0 ? std::string() : p.Cell(list, row, 0);
    };
    for (HWND window : {live.handle, destroyed}) {
        SCOPED_TRACE(window == destroyed ? "destroyed" : "live");
        command(1, window);
        EXPECT_TRUE(WaitFor([&] { return focused() == Hex(UINT_PTR(window)); }, 10000)) << focused();
    }

    command(2, live.handle);
    HWND info = p.ostrel.waitWindow("TInfoForm", "1 Window Info", programTimeout);
    EXPECT_TRUE(info);
    if (info) PostMessageA(info, WM_CLOSE, 0, 0);
    command(2, destroyed);
    HWND box = p.ostrel.waitWindow("#32770", "Error", programTimeout);
    ASSERT_TRUE(box);
    EXPECT_TRUE(FindWindowExA(box, nullptr, "Static", "No such window found"));
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));

    int number = 1;
    for (HWND window : {live.handle, destroyed}) {
        SCOPED_TRACE(window == destroyed ? "destroyed" : "live");
        command(3, window);
        if (window == destroyed) {
            // The generator itself says that it finds no chain for the handle.
            HWND refusal = p.ostrel.waitWindow("#32770", "Error", programTimeout);
            ASSERT_TRUE(refusal);
            const std::string text = "Unable to create FindWindow-Code for window " + Hex(UINT_PTR(window));
            EXPECT_TRUE(FindWindowExA(refusal, nullptr, "Static", text.c_str()));
            PostMessageA(refusal, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        const std::string caption = std::to_string(number++) + " FindWindow-Code-Generator";
        HWND coder = p.ostrel.waitWindow("#32770", caption.c_str(), programTimeout);
        ASSERT_TRUE(coder);
        EXPECT_EQ(Hex(UINT_PTR(window)), Text(GetDlgItem(coder, IDC_CODER_HANDLE)));
    }
    p.Picture("main_finder_commands");
}

} // namespace
