#include "crashreport/core/GlyphBitmap.h"
#include "crashreport/jovExceptActions.h"
#include "crashreport/jovExceptBox.h"
#include "crashreport/jovExceptGlyph.h"
#include "crashreport/jovExceptReport.h"
#include "crashreport/jovToolsHelpers.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "ScreenPicture.h"
#include "common/ClipboardText.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <utility>
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
bool WaitFor(const std::function<bool()>& condition, DWORD limit = 10000);

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

bool WaitFor(const std::function<bool()>& condition, DWORD limit) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < limit; Sleep(10))
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

// A pixel of the window's client area as the screen shows it.
COLORREF ScreenPixel(HWND window, int x, int y) {
    POINT at{x, y};
    ClientToScreen(window, &at);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 1, 1);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, 1, 1, screen, at.x, at.y, SRCCOPY);
    const COLORREF pixel = GetPixel(memory, 0, 0);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixel;
}

RECT ClientRectOf(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The glyph drawn at (2, 2) on a 20 x 20 picture filled with `back`, the colour it is blended onto: its
// pixels as 0x00RRGGBB, top row first.
constexpr int Canvas = 20;
std::vector<uint32_t> DrawnGlyph(const char* name, COLORREF back, bool& drawn) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), Canvas, -Canvas, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, Canvas, Canvas};
    HBRUSH brush = CreateSolidBrush(back);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    drawn = jov::DrawButtonGlyph(dc, name, 2, 2, back);
    GdiFlush();
    const auto* first = static_cast<const uint32_t*>(bits);
    std::vector<uint32_t> pixels(first, first + Canvas * Canvas);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    for (uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
    return pixels;
}

uint32_t Dib(COLORREF colour) {
    return GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
}

int ChannelDistance(uint32_t a, uint32_t b) {
    int most = 0;
    for (int shift : {0, 8, 16})
        most = std::max(most, std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)));
    return most;
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
            if (code == 5) {
                EXPECT_TRUE(WaitFor([&] { return CountdownBarX(GetDlgItem(box, 104)) < 0; }));
            }
            SaveScreenshot(box, std::string("exception_box_focus_") + name);
        }
        Click(box, 4);
    });
}

TEST(ExceptionBox, ReadingTheReportStopsTheCountdown) {
    // With the report shown from the start, a click into it takes the focus from the counting button: the
    // bar goes and the dialog waits for its user past the countdown's three seconds.
    struct ReportShown {
        bool before = std::exchange(jov::RunningSettings().ShowReportAtStart, true);
        ~ReportShown() { jov::RunningSettings().ShowReportAtStart = before; }
    } shown;
    bool stopped = false, waited = false;
    RunBox([&](HWND box) {
        HWND button = GetDlgItem(box, 104), edit = ReportEdit(box);
        ASSERT_NE(edit, nullptr);
        ASSERT_TRUE(WaitFor([&] { return Focused(box) == button; }));
        PostMessageA(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
        PostMessageA(edit, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
        EXPECT_TRUE(WaitFor([&] { return Focused(box) == edit; }));
        stopped = WaitFor([&] { return CountdownBarX(button) < 0; });
        SaveScreenshot(box, "exception_box_reading_report");
        waited = !WaitFor([&] { return !IsWindow(box); }, 4000);
        Click(box, 4);
    });
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(waited);
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

TEST(ExceptionBox, TheBigIconStandsBeforeTheMessage) {
    RunBox([](HWND box) {
        screen_picture::PaintPending(box);
        HWND icon = FindWindowExA(box, nullptr, "Button", "");
        ASSERT_NE(icon, nullptr);
        const RECT place = ClientRectOf(icon);
        EXPECT_EQ((std::array{place.left, place.top, place.right, place.bottom}),
                  (std::array{9L, 10L, 41L, 42L}));
        EXPECT_FALSE(IsWindowEnabled(icon));
        // The icon's white mark on its red disc.
        const COLORREF mark = ScreenPixel(icon, 16, 12), disc = ScreenPixel(icon, 8, 16);
        EXPECT_GE(std::min({GetRValue(mark), GetGValue(mark), GetBValue(mark)}), 230) << std::hex << mark;
        EXPECT_TRUE(GetRValue(disc) > 150 && GetGValue(disc) < 120) << std::hex << disc;
        // The message moves right of the icon, centred on it while it is one line, and keeps clear of the
        // buttons.
        HWND message = FindWindowExA(box, nullptr, "Static", nullptr);
        ASSERT_NE(message, nullptr);
        const RECT text = ClientRectOf(message);
        const int height = text.bottom - text.top;
        EXPECT_EQ(text.left, 51);
        EXPECT_EQ(text.top, height < 26 ? 12 + (26 - height) / 2 : 12);
        EXPECT_LT(text.right, ClientRectOf(GetDlgItem(box, 104)).left);
        // A button's glyph: the close button's red disc above its white cross.
        const COLORREF glyph = ScreenPixel(GetDlgItem(box, 106), 3 + 8, 3 + 2);
        EXPECT_TRUE(GetRValue(glyph) > 150 && GetGValue(glyph) < 100) << std::hex << glyph;
        Click(box, 4);
    });
}

TEST(ExceptionBoxGlyph, AnIconFirstElseABitmapOf1064BytesElseNothing) {
    const COLORREF blue = RGB(0, 0, 255);
    struct {
        const char* name;
        bool drawn;
        uint32_t top, bottom; // the glyph's first and last row
    } cases[] = {
        {"testBoth", true, 0xFF0000, 0xFF0000},     // the red icon, not the blue bitmap of that name
        {"testHalves", true, 0xFF0000, 0x64327F},   // rows bottom-up; orange at half alpha on blue
        {"TESTHALVES", true, 0xFF0000, 0x64327F},   // names in any case
        {"testNoAlpha", false, 0x0000FF, 0x0000FF}, // 24 bits
        {"testBig", false, 0x0000FF, 0x0000FF},     // 17 x 17
        {"testMissing", false, 0x0000FF, 0x0000FF},
    };
    for (const auto& c : cases) {
        bool drawn = false;
        const std::vector<uint32_t> pixels = DrawnGlyph(c.name, blue, drawn);
        EXPECT_EQ(drawn, c.drawn) << c.name;
        EXPECT_EQ(pixels[2 * Canvas + 2], c.top) << c.name;
        EXPECT_EQ(pixels[17 * Canvas + 17], c.bottom) << c.name;
        // Exactly 16 x 16 at (2, 2).
        EXPECT_EQ(pixels[1 * Canvas + 2], 0x0000FFu) << c.name;
        EXPECT_EQ(pixels[18 * Canvas + 17], 0x0000FFu) << c.name;
        EXPECT_EQ(pixels[2 * Canvas + 18], 0x0000FFu) << c.name;
    }
}

TEST(ExceptionBoxGlyph, EveryButtonDrawsItsBitmapWithAlpha) {
    const COLORREF backgrounds[] = {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_3DDKSHADOW)};
    for (const char* name :
         {"mail", "save", "print", "show", "continue", "restart", "close", "cantContinue"}) {
        const std::string resource = std::string("jei") + name;
        const HMODULE module = GetModuleHandleA(nullptr);
        HRSRC bitmap = FindResourceA(module, resource.c_str(), RT_BITMAP);
        ASSERT_NE(bitmap, nullptr) << name;
        EXPECT_EQ(SizeofResource(module, bitmap), jov::GlyphBitmapBytes) << name;
        EXPECT_EQ(FindResourceA(module, resource.c_str(), RT_GROUP_ICON), nullptr) << name;
        for (COLORREF back : backgrounds) {
            bool drawn = false;
            const std::vector<uint32_t> pixels = DrawnGlyph(name, back, drawn);
            EXPECT_TRUE(drawn) << name;
            // Clear corners without a fringe, and a picture that stands out from the background.
            for (int corner : {2 * Canvas + 2, 2 * Canvas + 17, 17 * Canvas + 2, 17 * Canvas + 17})
                EXPECT_LE(ChannelDistance(pixels[corner], Dib(back)), 1) << name;
            EXPECT_GE(std::count_if(pixels.begin(), pixels.end(),
                                    [&](uint32_t pixel) { return ChannelDistance(pixel, Dib(back)) > 40; }),
                      40)
                << name;
        }
    }
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
