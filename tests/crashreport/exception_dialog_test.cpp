#include "crashreport/jovExceptActions.h"
#include "crashreport/jovExceptBox.h"
#include "crashreport/jovExceptReport.h"
#include "crashreport/jovToolsHelpers.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "ScreenPicture.h"
#include "common/ClipboardText.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Continue is the default and pressed by the countdown after three seconds; saving needs no dialog; no
// mail transport is configured, so mailing fails without leaving the machine.
constexpr jov::CrashSettings BoxSettings() {
    jov::CrashSettings settings;
    settings.FreezeTimeout = 0;
    settings.ContinueIsDefault = true;
    settings.AutoClickSeconds = 3;
    settings.ConsoleNoBox = false;
    settings.BugReportFile = "\\ostrel_exception_box_test.txt";
    settings.SaveCaption = "save bug report";
    settings.MailDirect = false;
    settings.MailViaMapi = false;
    settings.MailViaMailto = false;
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = BoxSettings();

namespace {

const std::string report = "date/time         : 2026-12-09 10:00\r\nexception class   : EBoxTest\r\n";

HWND WaitForBox() {
    for (DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(10))
        if (HWND box = FindWindowA("jovExceptWndClass", nullptr); box && IsWindowVisible(box)) return box;
    return nullptr;
}

HWND OwnedMessageBox(HWND box);
bool WaitFor(const std::function<bool()>& condition);

// A dialog that a failed test left open is closed, with any box over it, so that the next test runs.
void CloseLeftOpen(HWND box) {
    if (WaitFor([&] { return !IsWindow(box); })) return;
    ADD_FAILURE() << "the dialog was left open";
    while (HWND left = OwnedMessageBox(box)) {
        PostMessageA(left, WM_COMMAND, IDOK, 0);
        WaitFor([&] { return !IsWindow(left); });
    }
    PostMessageA(box, WM_NULL, 777, 777);
}

// Runs the dialog on this thread while `drive` acts on it from another; gives the milliseconds it was open.
DWORD RunBox(const std::function<void(HWND)>& drive, bool canContinue = true) {
    std::thread driver([&] {
        if (HWND box = WaitForBox()) {
            drive(box);
            CloseLeftOpen(box);
        }
    });
    const DWORD start = GetTickCount();
    jov::RunExceptionBox(false, nullptr, nullptr, canContinue, "", report);
    const DWORD open = GetTickCount() - start;
    driver.join();
    return open;
}

void Click(HWND box, int code) {
    HWND button = GetDlgItem(box, 100 + code);
    ASSERT_NE(button, nullptr) << code;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(100 + code, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

bool WaitFor(const std::function<bool()>& condition) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(10))
        if (condition()) return true;
    return false;
}

// The window as a user sees it once its thread has painted, saved as a PNG named for what it shows.
void SaveScreenshot(HWND window, const std::string& name) {
    screen_picture::PaintPending(window);
    EXPECT_TRUE(screen_picture::Save(window, name)) << name;
}

HWND Focused(HWND box) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info) ? info.hwndFocus : nullptr;
}

// The x of the countdown bar on the button: its middle line has the face colour, which the dark face of
// the focused button does not; -1 while there is none. Read from the screen, in the button's top row.
int CountdownBarX(HWND button) {
    RECT rect;
    if (!GetWindowRect(button, &rect)) return -1;
    const int width = rect.right - rect.left;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, 1);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, 1, screen, rect.left, rect.top + 1, SRCCOPY);
    int found = -1;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    for (int x = 0; x < width && found < 0; ++x)
        if (GetPixel(memory, x, 0) == face) found = x;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return found;
}

struct OwnedBoxSearch {
    HWND owner, found;
};

BOOL CALLBACK FindOwnedMessageBox(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<OwnedBoxSearch*>(parameter);
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) == "#32770" && GetWindow(window, GW_OWNER) == search.owner &&
        IsWindowVisible(window))
        search.found = window;
    return search.found ? FALSE : TRUE;
}

// The message box the dialog opened over itself, or nil.
HWND OwnedMessageBox(HWND box) {
    OwnedBoxSearch search{box, nullptr};
    EnumThreadWindows(GetWindowThreadProcessId(box, nullptr), FindOwnedMessageBox,
                      reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string WindowText(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

BOOL CALLBACK FindEdit(HWND window, LPARAM found) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, "Edit") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The report's edit, inside the dialog's report frame.
HWND ReportEdit(HWND box) {
    HWND edit = nullptr;
    EnumChildWindows(box, FindEdit, reinterpret_cast<LPARAM>(&edit));
    return edit;
}

// True when the window's upper left part on the screen holds a pixel as dark as text.
bool ShowsText(HWND window) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return false;
    const int width = std::min<int>(rect.right - rect.left, 200),
              height = std::min<int>(rect.bottom - rect.top, 40);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    bool dark = false;
    for (int y = 0; y < height && !dark; ++y)
        for (int x = 0; x < width && !dark; ++x) {
            const COLORREF pixel = GetPixel(memory, x, y);
            dark = GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel) < 3 * 64;
        }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return dark;
}

} // namespace

TEST(ExceptionBox, TheCountdownPressesContinue) {
    std::atomic<bool> barMoved{false};
    const DWORD open = RunBox([&](HWND box) {
        HWND button = GetDlgItem(box, 104);
        RECT rect;
        GetClientRect(button, &rect);
        // A bar runs across the default button; the picture shows it a third of the way.
        barMoved = WaitFor([&] { return CountdownBarX(button) >= rect.right / 3; });
        SaveScreenshot(box, "exception_box_countdown");
    });
    EXPECT_TRUE(barMoved);
    EXPECT_GE(open, 2900u);
    EXPECT_FALSE(IsWindow(FindWindowA("jovExceptWndClass", nullptr)));
}

TEST(ExceptionBox, TabTakesTheFocusRoundTheButtons) {
    // The default button has the focus; Tab follows the order of the row, mail to show, then continue,
    // restart and close. The first Tab stops the countdown.
    const std::pair<int, const char*> order[] = {{5, "restart"}, {6, "close"}, {0, "mail"},
                                                 {1, "save"},    {3, "show"},  {4, "continue"}};
    RunBox([&](HWND box) {
        ASSERT_TRUE(WaitFor([&] { return Focused(box) == GetDlgItem(box, 104); }));
        for (const auto& [code, name] : order) {
            PostMessageA(Focused(box), WM_KEYDOWN, VK_TAB, 0);
            EXPECT_TRUE(WaitFor([&] { return Focused(box) == GetDlgItem(box, 100 + code); })) << name;
            SaveScreenshot(box, std::string("exception_box_focus_") + name);
        }
        Click(box, 4);
    });
}

TEST(ExceptionBox, ShowRevealsTheReportAndCopiesIt) {
    jov::CopyToClipboard("nothing yet");
    RunBox([](HWND box) {
        RECT before;
        GetWindowRect(box, &before);
        Click(box, 3);
        EXPECT_TRUE(WaitFor([&] { return GetDlgItem(box, 103) == nullptr; }));
        RECT after;
        GetWindowRect(box, &after);
        EXPECT_GE(after.bottom - after.top, before.bottom - before.top + 400);
        EXPECT_GE(after.right - after.left, jov::ReportAreaWidth);
        SaveScreenshot(box, "exception_box_report_shown");
        // The report's text is on the screen, not only in the edit.
        HWND edit = ReportEdit(box);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(WindowText(edit), report);
        EXPECT_TRUE(ShowsText(edit));
        EXPECT_EQ(testing_common::ClipboardText(), report);
        Click(box, 4);
    });
}

TEST(ExceptionBox, ButtonsAnswerPostedClicks) {
    DeleteFileA(jov::BugReportFileName().c_str());
    RunBox([](HWND box) {
        Click(box, 0); // mail: no transport in this program; the failure box comes over the dialog
        HWND failure = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (failure = OwnedMessageBox(box)) != nullptr; }));
        EXPECT_EQ(WindowText(failure), "mail bug report");
        EXPECT_EQ(WindowText(GetDlgItem(failure, 0xFFFF)), "Sorry, sending the mail didn't work.");
        SaveScreenshot(failure, "exception_box_mail_failed");
        PostMessageA(failure, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(failure); }));
        Click(box, 1); // save: an absolute name needs no dialog; the button goes once it worked
        EXPECT_TRUE(WaitFor([&] { return GetDlgItem(box, 101) == nullptr; }));
        EXPECT_TRUE(IsWindow(box));
        Click(box, 4);
    });
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(jov::BugReportFileName().c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, report.size() + 4);
    DeleteFileA(jov::BugReportFileName().c_str());
}

TEST(ExceptionBox, AFailureThatCannotContinueGreysContinue) {
    // Continue is shown disabled with its own glyph; mail, the configured default, has the focus. The
    // main thread's answer after a freeze closes the dialog without ending this program.
    RunBox(
        [](HWND box) {
            HWND continueButton = GetDlgItem(box, 104);
            ASSERT_NE(continueButton, nullptr);
            EXPECT_FALSE(IsWindowEnabled(continueButton));
            EXPECT_EQ(GetWindowLongPtrA(continueButton, GWLP_USERDATA), 7);
            EXPECT_TRUE(WaitFor([&] { return Focused(box) == GetDlgItem(box, 100); }));
            SaveScreenshot(box, "exception_box_cannot_continue");
            PostMessageA(box, WM_NULL, 777, 777);
        },
        false);
}

TEST(ExceptionBox, EscapeRunsTheDefaultAction) {
    // Continue is the default: Esc on any control of the dialog lets the program go on.
    RunBox([](HWND box) { PostMessageA(GetDlgItem(box, 100), WM_KEYDOWN, VK_ESCAPE, 0); });
    EXPECT_FALSE(IsWindow(FindWindowA("jovExceptWndClass", nullptr)));
}

TEST(ReportFile, AnAbsoluteNameSavesWithoutADialogAndAppends) {
    const std::string name = jov::BugReportFileName();
    DeleteFileA(name.c_str());
    ASSERT_TRUE(jov::SaveBugReportAs(report, nullptr));
    ASSERT_TRUE(jov::SaveBugReportAs(report, nullptr));
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 2 * (report.size() + 4));
    DeleteFileA(name.c_str());
}

TEST(ReportFile, AGrownFileIsCutAtAReportStart) {
    const std::string name = jov::BugReportFileName();
    DeleteFileA(name.c_str());
    std::string big = report;
    big.resize(10000 - 4, 'x');
    std::string earlier;
    for (int i = 0; i < 11; ++i) earlier += big + "\r\n\r\n";
    HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written;
    WriteFile(file, earlier.data(), static_cast<DWORD>(earlier.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_TRUE(jov::AutoSaveBugReport(big)); // 120000 bytes before the cut
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data));
    EXPECT_LT(data.nFileSizeLow, 75000u);
    EXPECT_EQ(data.nFileSizeLow % 10000, 0u);
    DeleteFileA(name.c_str());
}

TEST(Report, HoldsEverySection) {
    std::string text;
    jov::ComposeCrashReport(true, nullptr, nullptr, 0, nullptr, nullptr, false, text);
    for (const char* part : {"date/time         : ", "jovExcept version : 2.7c\r\n",
                             "exception message : The application seems to be frozen.",
                             "\r\n\r\nmain thread ($", "\r\n\r\nmodules:\r\n", "\r\n\r\nhardware:"})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    EXPECT_EQ(text.find("An exception occurred during composing the bug report."), std::string::npos);
}
