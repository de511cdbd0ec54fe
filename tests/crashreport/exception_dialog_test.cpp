#include "crashreport/jovExceptActions.h"
#include "crashreport/jovExceptBox.h"
#include "crashreport/jovExceptReport.h"
#include "crashreport/jovToolsHelpers.h"

#include <gtest/gtest.h>

#include <windows.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Continue is the default and pressed by the countdown after a second; saving needs no dialog.
constexpr jov::CrashSettings BoxSettings() {
    jov::CrashSettings settings;
    settings.FreezeTimeout = 0;
    settings.ContinueIsDefault = true;
    settings.AutoClickSeconds = 1;
    settings.ConsoleNoBox = false;
    settings.BugReportFile = "\\ostrel_exception_box_test.txt";
    settings.SaveCaption = "save bug report";
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

// Runs the dialog on this thread while `drive` acts on it from another; gives the milliseconds it was open.
DWORD RunBox(const std::function<void(HWND)>& drive, bool canContinue = true) {
    std::thread driver([&] {
        if (HWND box = WaitForBox()) drive(box);
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

// The window as the screen shows it, saved as a PNG named for what it shows.
void SaveScreenshot(HWND window, const char* name) {
    RECT rect;
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<unsigned char> pixels(size_t(width) * height * 4);
    GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    for (size_t i = 0; i < pixels.size(); i += 4) { // BGR with an unused byte to opaque RGBA
        std::swap(pixels[i], pixels[i + 2]);
        pixels[i + 3] = 255;
    }
    CreateDirectoryA(OSTREL_SCREENSHOTS, nullptr);
    const std::string file = std::string(OSTREL_SCREENSHOTS) + "/" + name + ".png";
    EXPECT_TRUE(stbi_write_png(file.c_str(), width, height, 4, pixels.data(), width * 4)) << file;
}

std::string ClipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_TEXT))
        if (const char* locked = static_cast<const char*>(GlobalLock(data))) {
            text = locked;
            GlobalUnlock(data);
        }
    CloseClipboard();
    return text;
}

} // namespace

TEST(ExceptionBox, TheCountdownPressesContinue) {
    std::atomic<bool> seen{false};
    const DWORD open = RunBox([&](HWND box) {
        seen = true;
        SaveScreenshot(box, "exception_box_closed");
    });
    EXPECT_TRUE(seen);
    EXPECT_GE(open, 900u);
    EXPECT_FALSE(IsWindow(FindWindowA("jovExceptWndClass", nullptr)));
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
        EXPECT_EQ(ClipboardText(), report);
        Click(box, 4);
    });
}

TEST(ExceptionBox, ButtonsAnswerPostedClicks) {
    DeleteFileA(jov::BugReportFileName().c_str());
    RunBox([](HWND box) {
        Click(box, 0); // mail: no transport in this program, the dialog stays
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
