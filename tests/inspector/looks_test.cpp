// What a user sees of the real program: every window a user looks at, pictured under
// build/win32/screenshots once the program has painted it, and checked for what a user would notice: a
// control that runs past its page, a window that should not be on the screen.
#include "support/ProgramDriver.h"
#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

// Commands of the list windows' tool bar and the main form.
const int cmListProperties = 104, cmAbout = 0x2006;
const UINT WM_TRAYNOTIFY = WM_USER + 102;

struct FoundWindows {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectShown(HWND window, LPARAM param) {
    auto& found = *reinterpret_cast<FoundWindows*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    RECT r{};
    GetWindowRect(window, &r);
    if (owner == found.pid && IsWindowVisible(window) && !IsRectEmpty(&r)) found.windows.push_back(window);
    return TRUE;
}

// The top-level windows of a process that a user can see.
std::vector<HWND> ShownWindows(DWORD pid) {
    FoundWindows found{pid, {}};
    EnumWindows(CollectShown, reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

std::string ClassOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The list's tag on the main form's toolbar and its caption.
struct List {
    int tag;
    const char* caption;
};
const List windowList{0, "1 Window List"}, processList{1, "1 Process List"}, threadList{2, "1 Thread List"},
    moduleList{3, "1 Module List"}, serviceList{4, "1 Service List"};

class Looks : public testing::Test {
protected:
    void SetUp() override { WriteProgramSettings(); }
    static void Picture(const Program& p, const std::string& name) { EXPECT_TRUE(p.Picture(name)) << name; }
    // Opens the list and from it the detail window of the row whose first cell is `row` (else the first
    // row); nothing when the list stays empty.
    static HWND OpenDetail(Program& p, const List& list, const std::string& row, HWND& form) {
        form = p.OpenList(list.tag, list.caption);
        if (!form || Program::Rows(form) == 0) return nullptr;
        int index = 0;
        for (int i = 0; i < Program::Rows(form) && !row.empty(); ++i)
            if (p.Cell(form, i, 0) == row) index = i;
        p.Focus(form, index);
        PostMessageA(form, WM_COMMAND, MAKEWPARAM(cmListProperties, 0), 0);
        return p.ostrel.waitWindow("TInfoForm", nullptr, programTimeout);
    }
    // Pictures each page of a detail window, checks that every control of the page stays inside it and
    // that nothing else of the program is on the screen, then closes it.
    static void PictureEachPage(Program& p, HWND detail, const std::string& name,
                                const std::vector<HWND>& expected) {
        HWND tabs = FindWindowExA(detail, nullptr, WC_TABCONTROLA, nullptr);
        ASSERT_TRUE(tabs);
        const int pages = int(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
        for (int page = 0; page < pages; ++page) {
            SCOPED_TRACE("page " + std::to_string(page + 1));
            if (page > 0) {
                PostMessageA(tabs, WM_KEYDOWN, VK_RIGHT, 0);
                ASSERT_TRUE(WaitFor([&] { return SendMessageA(tabs, TCM_GETCURSEL, 0, 0) == page; }, 5000));
            }
            Picture(p, "detail_" + name + "_page" + std::to_string(page + 1));
            RECT inside;
            GetWindowRect(tabs, &inside);
            for (HWND control : Children(detail)) {
                RECT r;
                GetWindowRect(control, &r);
                if (GetParent(control) != detail || !IsWindowVisible(control) || r.top < inside.top) continue;
                EXPECT_LE(r.right, inside.right) << ClassOf(control) << " \"" << Text(control) << "\"";
                EXPECT_LE(r.bottom, inside.bottom) << ClassOf(control) << " \"" << Text(control) << "\"";
            }
        }
        for (HWND window : ShownWindows(p.ostrel.id()))
            if (window != detail && std::find(expected.begin(), expected.end(), window) == expected.end())
                ADD_FAILURE() << "also on the screen: " << ClassOf(window) << " \"" << Text(window) << "\"";
        PostMessageA(detail, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(detail) || !IsWindowVisible(detail); }, 5000));
    }
    static void Close(HWND form) {
        PostMessageA(form, WM_CLOSE, 0, 0);
        WaitFor([&] { return !IsWindow(form) || !IsWindowVisible(form); }, 5000);
    }
};

TEST_F(Looks, EveryDetailWindowOnEachOfItsPages) {
    Program p;
    ASSERT_TRUE(p.main);
    HWND list = nullptr;
    const std::string mainHandle = Hex(reinterpret_cast<UINT_PTR>(p.main));

    HWND detail = OpenDetail(p, windowList, mainHandle, list);
    ASSERT_TRUE(detail);
    EXPECT_EQ("1 Window Info", Text(detail));
    PictureEachPage(p, detail, "window", {p.main, list});
    Close(list);

    detail = OpenDetail(p, processList, Hex(p.ostrel.id()), list);
    ASSERT_TRUE(detail);
    EXPECT_EQ("1 Process Info", Text(detail));
    PictureEachPage(p, detail, "process", {p.main, list});
    Close(list);

    detail = OpenDetail(p, moduleList, "ostrel.exe", list);
    ASSERT_TRUE(detail);
    EXPECT_EQ("1 Module Info", Text(detail));
    // The module's own file: its version resource reads.
    EXPECT_NE("(Unavailable)", Text(FindWindowExA(detail, nullptr, "STATIC", "Lintra")));
    PictureEachPage(p, detail, "module", {p.main, list});
    Close(list);

    detail = OpenDetail(p, serviceList, "", list);
    ASSERT_TRUE(detail);
    EXPECT_EQ("1 Service Info", Text(detail));
    PictureEachPage(p, detail, "service", {p.main, list});
    Close(list);

    // A thread from its list; where the list has none (WMI of some systems gives no threads), from the
    // thread link of the main window's detail window.
    detail = OpenDetail(p, threadList, "", list);
    if (!detail) {
        Close(list);
        HWND windowDetail = OpenDetail(p, windowList, mainHandle, list);
        ASSERT_TRUE(windowDetail);
        const std::string thread = Hex(GetWindowThreadProcessId(p.main, nullptr));
        HWND link = FindWindowExA(windowDetail, nullptr, "TLinkLabel", thread.c_str());
        ASSERT_TRUE(link) << thread;
        PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        PostMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        ASSERT_TRUE(WaitFor([&] {
            detail = p.ostrel.findWindow("TInfoForm", "1 Thread Info");
            return detail || p.ostrel.findWindow("#32770", "Error");
        }));
        if (!detail) {
            HWND box = p.ostrel.findWindow("#32770", "Error");
            Picture(p, "detail_thread_unavailable");
            std::string message;
            for (HWND control : Children(box)) message += Text(control) + " ";
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }, 5000));
            GTEST_SKIP() << "this system reads no thread: " << message;
        }
        Close(windowDetail);
    }
    EXPECT_EQ("1 Thread Info", Text(detail));
    PictureEachPage(p, detail, "thread", {p.main, list});
}

TEST_F(Looks, AboutBoxAndItsBanner) {
    Program p;
    ASSERT_TRUE(p.main);
    PostMessageA(p.main, WM_COMMAND, MAKEWPARAM(cmAbout, 0), 0);
    HWND about = p.ostrel.waitWindow("TAboutForm", "About Ostrel", programTimeout);
    ASSERT_TRUE(about);
    Picture(p, "about_box");
    // The credits scroll in from below: they show once light text stands in the banner.
    HWND banner = FindWindowExA(about, nullptr, "TBanner", nullptr);
    ASSERT_TRUE(banner);
    RECT r;
    GetWindowRect(banner, &r);
    HDC screen = GetDC(nullptr);
    EXPECT_TRUE(WaitFor([&] {
        for (int y = r.top + (r.bottom - r.top) / 3; y < r.bottom - (r.bottom - r.top) / 3; y += 2)
            for (int x = r.left; x < r.right; x += 2)
                if (GetGValue(GetPixel(screen, x, y)) > 0x80) return true;
        return false;
    }));
    ReleaseDC(nullptr, screen);
    Picture(p, "about_banner");
    // Only a left click on the credits closes the box; Esc closes it too.
    PostMessageA(banner, WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    PostMessageA(banner, WM_MBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_TRUE(HoldsFor([&] { return IsWindowVisible(about) != FALSE; }, 500));
    PostMessageA(banner, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    PostMessageA(banner, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }, 5000));
    PostMessageA(p.main, WM_COMMAND, MAKEWPARAM(cmAbout, 0), 0);
    about = p.ostrel.waitWindow("TAboutForm", "About Ostrel", programTimeout);
    ASSERT_TRUE(about);
    PostMessageA(about, WM_KEYUP, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }, 5000));
}

TEST_F(Looks, DockedMainWindowItsTaskbarAndTrayMenu) {
    const DWORD on = 1, off = 0;
    const BYTE tray = 1;
    WriteProgramSetting("AppBarDocking", REG_DWORD, &on, sizeof on);
    WriteProgramSetting("SaveDesktopIcons", REG_DWORD, &off, sizeof off);
    WriteProgramSetting("Minimization", REG_BINARY, &tray, sizeof tray);
    Program p;
    ASSERT_TRUE(p.main);
    Picture(p, "main_window_docked");
    RECT r;
    GetWindowRect(p.main, &r);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), r.right);

    std::vector<HWND> forms;
    for (const List& list : {windowList, processList, moduleList}) {
        forms.push_back(p.OpenList(list.tag, list.caption));
        ASSERT_TRUE(forms.back()) << list.caption;
    }
    std::vector<HWND> controls = Children(p.main);
    ASSERT_NE(controls.end(), std::find_if(controls.begin(), controls.end(),
                                           [](HWND c) { return ClassOf(c) == "TTaskbar"; }));
    // The taskbar lies under the list windows: they make room for a picture of it.
    for (HWND form : forms)
        SetWindowPos(form, nullptr, 60, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Picture(p, "taskbar_three_forms");

    POINT before{};
    GetCursorPos(&before);
    SetCursorPos(400, 200);
    PostMessageA(p.main, WM_TRAYNOTIFY, 1, WM_RBUTTONDOWN);
    PostMessageA(p.main, WM_TRAYNOTIFY, 1, WM_RBUTTONUP);
    HWND menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = p.ostrel.findWindow("#32768", nullptr)) != nullptr; }));
    Picture(p, "tray_menu");
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitFor([&] { return !p.ostrel.findWindow("#32768", nullptr); }, 5000));
    SetCursorPos(before.x, before.y);
}

} // namespace
