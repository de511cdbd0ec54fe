// The road a user walks first, through the real program: the main window, the five lists, sorting,
// copying, terminating a process, and the finder over a window of another process.
#include "support/ProgramDriver.h"
#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using testing_support::BuildPath;
using testing_support::ChildProcess;
using testing_support::SiblingPath;

namespace {
using testing_support::Hex;
using testing_support::Program;
using testing_support::Text;
using testing_support::WaitFor;

const DWORD timeout = testing_support::programTimeout;
// The list windows' commands.
const int cmTerminateProcess = 107, copyCommandBase = 1000;
enum MainControl { idFinder = 3, idWndHandle, idWndCaption, idWndClass };

std::string Hex(const void* handle) {
    return Hex(reinterpret_cast<UINT_PTR>(handle));
}

class MainRoad : public testing::Test {
protected:
    static void SetUpTestSuite() { testing_support::WriteProgramSettings(); }
};

TEST_F(MainRoad, EachListOpensFromTheToolbarAndFills) {
    Program p;
    ASSERT_TRUE(p.main);
    p.Picture("main_window_floating");
    EXPECT_EQ("Ostrel", Text(p.main));

    HWND windows = p.OpenList(0, "1 Window List");
    ASSERT_TRUE(windows);
    // The desktop is the one root, expanded.
    EXPECT_GT(p.Rows(windows), 1);
    EXPECT_EQ(Hex(GetDesktopWindow()), p.Cell(windows, 0, 0));
    EXPECT_EQ(0u, Program::Status(windows).find("Windows: "));
    p.Picture("window_list_filled");

    HWND processes = p.OpenList(1, "1 Process List");
    ASSERT_TRUE(processes);
    EXPECT_GT(p.Rows(processes), 1);
    EXPECT_EQ(0u, Program::Status(processes).find("Processes: "));
    p.Picture("process_list_filled");

    struct {
        int tag;
        const char* caption;
        const char* status;
        const char* picture;
    } const others[] = {{2, "1 Thread List", "Threads: ", "thread_list_filled"},
                        {3, "1 Module List", "Modules: ", "module_list_filled"},
                        {4, "1 Service List", "Services: ", "service_list_filled"}};
    for (const auto& list : others) {
        HWND form = p.OpenList(list.tag, list.caption);
        ASSERT_TRUE(form) << list.caption;
        EXPECT_EQ(0u, Program::Status(form).find(list.status)) << Program::Status(form);
        p.Picture(list.picture);
    }
}

TEST_F(MainRoad, HeaderClickSortsAndACellGoesToTheClipboard) {
    Program p;
    ASSERT_TRUE(p.main);
    HWND form = p.OpenList(1, "1 Process List");
    ASSERT_TRUE(form);
    auto ids = [&] {
        std::vector<unsigned long> values;
        for (int row = 0; row < Program::Rows(form); ++row)
            values.push_back(std::strtoul(p.Cell(form, row, 0).c_str() + 1, nullptr, 16));
        return values;
    };
    std::vector<unsigned long> filled = ids();
    ASSERT_GT(filled.size(), 1u);
    EXPECT_TRUE(std::is_sorted(filled.begin(), filled.end())) << "a fill ends sorted, smallest first";

    HWND header = ListView_GetHeader(Program::List(form));
    RECT first{};
    Header_GetItemRect(header, 0, &first);
    LPARAM at = MAKELPARAM((first.left + first.right) / 2, (first.top + first.bottom) / 2);
    PostMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(header, WM_LBUTTONUP, 0, at);
    ASSERT_TRUE(WaitFor([&] { return ids().front() > ids().back(); }));
    std::vector<unsigned long> clicked = ids();
    EXPECT_TRUE(std::is_sorted(clicked.rbegin(), clicked.rend()));

    p.Focus(form, 0);
    std::string cell = p.Cell(form, 0, 0);
    const DWORD before = GetClipboardSequenceNumber();
    PostMessageA(form, WM_COMMAND, MAKEWPARAM(copyCommandBase + 0, 0), 0);
    // Not opened before the program has emptied it: held open here at the moment the program asks for
    // it, the clipboard would be refused to the copy, which the program reports in a box.
    ASSERT_TRUE(WaitFor([&] { return GetClipboardSequenceNumber() != before; })) << "the copy";
    std::string copied;
    ASSERT_TRUE(WaitFor([&] {
        if (!OpenClipboard(nullptr)) return false;
        HANDLE data = GetClipboardData(CF_TEXT);
        const char* text = data ? static_cast<const char*>(GlobalLock(data)) : nullptr;
        copied = text ? text : "";
        if (text) GlobalUnlock(data);
        CloseClipboard();
        return copied == cell;
    })) << copied;
}

TEST_F(MainRoad, TerminatingAProcessTakesItsRowsAway) {
    ChildProcess sleeper("\"" + SiblingPath("ostrel_sleeper.exe") + "\"");
    ASSERT_TRUE(sleeper.started());
    Program p;
    ASSERT_TRUE(p.main);
    HWND form = p.OpenList(1, "1 Process List");
    ASSERT_TRUE(form);
    const std::string id = Hex(reinterpret_cast<void*>(static_cast<UINT_PTR>(sleeper.id())));
    int row = -1;
    for (int i = 0; i < Program::Rows(form) && row < 0; ++i)
        if (p.Cell(form, i, 0) == id) row = i;
    ASSERT_GE(row, 0) << id;
    const int rows = Program::Rows(form);
    const std::string status = Program::Status(form);

    p.Focus(form, row);
    PostMessageA(form, WM_COMMAND, MAKEWPARAM(cmTerminateProcess, 0), 0);
    HWND box = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (box = p.Find("#32770", "Terminate process")) != nullptr; }));
    // The question is the program's: above the list that asks, with no window of ours usable behind it
    // (a list closed meanwhile would be gone when the answer comes).
    EXPECT_EQ(form, GetWindow(box, GW_OWNER));
    EXPECT_FALSE(IsWindowEnabled(form));
    EXPECT_FALSE(IsWindowEnabled(p.main));
    p.Picture("terminate_question");
    ASSERT_TRUE(p.Answer(IDYES)) << "\"Are you sure you want to terminate this process?\"";
    EXPECT_NE(-1, sleeper.waitExit(timeout));
    ASSERT_TRUE(WaitFor([&] { return Program::Rows(form) == rows - 1; }));
    for (int i = 0; i < Program::Rows(form); ++i) EXPECT_NE(id, p.Cell(form, i, 0));
    long before = std::strtol(status.c_str() + status.find(':') + 1, nullptr, 10);
    std::string after = Program::Status(form);
    EXPECT_EQ(before - 1, std::strtol(after.c_str() + after.find(':') + 1, nullptr, 10)) << after;
}

BOOL CALLBACK CollectDirectChild(HWND child, LPARAM children) {
    auto& found = *reinterpret_cast<std::vector<HWND>*>(children);
    if (GetAncestor(child, GA_PARENT) == found.front()) found.push_back(child);
    return TRUE;
}

// From the main form's row to its detail window, whose "Select Window" focuses the first child's row in
// every window list, the rows of its parent opened.
TEST_F(MainRoad, SelectWindowInADetailWindowFocusesTheRowInEveryWindowList) {
    const int cmProperties = 104, cmSelectWindow = 150;
    Program p;
    ASSERT_TRUE(p.main);
    HWND lists[] = {p.OpenList(0, "1 Window List"), p.OpenList(0, "2 Window List")};
    ASSERT_TRUE(lists[0] && lists[1]);
    auto rowOf = [&](HWND list, HWND window) {
        for (int i = 0; i < Program::Rows(list); ++i)
            if (p.Cell(list, i, 0) == Hex(window)) return i;
        return -1;
    };
    const int mainRow = rowOf(lists[0], p.main);
    ASSERT_GE(mainRow, 0);
    p.Focus(lists[0], mainRow);
    PostMessageA(lists[0], WM_COMMAND, MAKEWPARAM(cmProperties, 0), 0);
    HWND details = p.ostrel.waitWindow("TInfoForm", "1 Window Info", timeout);
    ASSERT_TRUE(details);

    // The detail window's child tree is sorted by handle and focuses its first row.
    std::vector<HWND> children{p.main};
    EnumChildWindows(p.main, CollectDirectChild, reinterpret_cast<LPARAM>(&children));
    ASSERT_GT(children.size(), 1u);
    const HWND first = *std::min_element(children.begin() + 1, children.end());
    EXPECT_EQ(-1, rowOf(lists[1], first)) << "under the main form's closed row";
    PostMessageA(details, WM_COMMAND, MAKEWPARAM(cmSelectWindow, BN_CLICKED), 0);
    for (HWND list : lists)
        EXPECT_TRUE(WaitFor([&] {
            const int focused =
                int(SendMessageA(Program::List(list), LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED));
            return focused >= 0 && p.Cell(list, focused, 0) == Hex(first);
        })) << Text(list);
    SetWindowPos(details, nullptr, 700, 500, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetForegroundWindow(lists[1]);
    p.Picture("window_list_selected_from_details");
}

// Each kind's detail window is found again by its own object: the window, the process, the module's path
// and the service's name.
TEST_F(MainRoad, AskingTwiceForTheSameDetailWindowBringsTheOpenOneToTheFront) {
    const int cmProperties = 104;
    Program p;
    ASSERT_TRUE(p.main);
    struct Kind {
        int tag;
        const char* list;
        std::string row; // the first cell of the row asked for; empty: the first row
        const char* detail;
    } const kinds[] = {{0, "1 Window List", Hex(p.main), "Window Info"},
                       {1, "1 Process List", Hex(p.ostrel.id()), "Process Info"},
                       {3, "1 Module List", "ostrel.exe", "Module Info"},
                       {4, "1 Service List", "", "Service Info"}};
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.detail);
        HWND list = p.OpenList(kind.tag, kind.list);
        ASSERT_TRUE(list);
        ASSERT_GT(Program::Rows(list), 0);
        int row = 0;
        for (int i = 0; i < Program::Rows(list) && !kind.row.empty(); ++i)
            if (p.Cell(list, i, 0) == kind.row) row = i;
        p.Focus(list, row);
        PostMessageA(list, WM_COMMAND, MAKEWPARAM(cmProperties, 0), 0);
        const std::string first = std::string("1 ") + kind.detail, second = std::string("2 ") + kind.detail;
        HWND detail = p.ostrel.waitWindow("TInfoForm", first.c_str(), timeout);
        ASSERT_TRUE(detail);
        SetForegroundWindow(list);
        ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == list; }));
        PostMessageA(list, WM_COMMAND, MAKEWPARAM(cmProperties, 0), 0);
        EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == detail; }));
        p.WaitIdle();
        EXPECT_FALSE(p.ostrel.findWindow("TInfoForm", second.c_str()));
        PostMessageA(detail, WM_CLOSE, 0, 0);
        PostMessageA(list, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(detail) && !IsWindow(list); }));
    }
}

TEST_F(MainRoad, FinderDraggedOverAForeignWindowFillsTheFieldsAndFramesIt) {
    ChildProcess target("\"" + SiblingPath("ostrel_sleeper.exe") + "\" shown");
    HWND window = target.waitWindow("OstrelFinderTarget", "ostrel finder target", timeout);
    ASSERT_TRUE(window);
    Program p;
    ASSERT_TRUE(p.main);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RECT r;
    GetWindowRect(window, &r);
    // A pixel in the middle of the frame's 3-pixel pen, which runs 1 pixel inside the window's edge.
    const POINT onFrame{r.left + 1, (r.top + r.bottom) / 2};
    HDC screen = GetDC(nullptr);
    const COLORREF before = GetPixel(screen, onFrame.x, onFrame.y);

    HWND finder = p.Control(idFinder);
    PostMessageA(finder, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageA(finder, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_TRUE(WaitFor([&] { return Text(p.Control(idWndHandle)) == Hex(window); }))
        << Text(p.Control(idWndHandle));
    // The fields fill one after another.
    EXPECT_TRUE(WaitFor([&] { return Text(p.Control(idWndCaption)) == "ostrel finder target"; }))
        << Text(p.Control(idWndCaption));
    EXPECT_TRUE(WaitFor([&] { return Text(p.Control(idWndClass)) == "OstrelFinderTarget"; }))
        << Text(p.Control(idWndClass));
    EXPECT_TRUE(WaitFor([&] { return GetPixel(screen, onFrame.x, onFrame.y) == (~before & 0xFFFFFF); }))
        << "the inverted frame shows on the foreign window";
    p.Picture("finder_over_foreign_window");

    PostMessageA(finder, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_TRUE(WaitFor([&] { return GetPixel(screen, onFrame.x, onFrame.y) == before; }))
        << "releasing removes the frame";
    ReleaseDC(nullptr, screen);
}

TEST_F(MainRoad, TypingACaptionThatMatchesNothingSaysSo) {
    Program p;
    ASSERT_TRUE(p.main);
    SendMessageA(p.Control(idWndCaption), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>("no window has this caption 7f3a9c"));
    EXPECT_TRUE(WaitFor([&] { return Text(p.Control(idWndHandle)) == "<no window found>"; }))
        << Text(p.Control(idWndHandle));
    // The program's hidden application window carries the same title: either may come first.
    SendMessageA(p.Control(idWndCaption), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Ostrel"));
    EXPECT_TRUE(WaitFor([&] {
        std::string handle = Text(p.Control(idWndHandle));
        if (handle.size() != 9 || handle[0] != '$') return false;
        HWND found =
            reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoul(handle.c_str() + 1, nullptr, 16)));
        DWORD pid = 0;
        GetWindowThreadProcessId(found, &pid);
        return pid == p.ostrel.id() && Text(found) == "Ostrel";
    })) << Text(p.Control(idWndHandle));
}

} // namespace
