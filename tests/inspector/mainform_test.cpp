// The main form in this process: the finder panel's fields, the messages it shows, its size rules.
#include "ConstVars.h"
#include "Functions.h"
#include "Main.h"
#include "SplashScreen.h"
#include "core/NumberFormat.h"
#include "fakes/FakeMessageBoxes.h"
#include "framework/Application.h"
#include "support/ListFakes.h"
#include "support/MenuAnswer.h"
#include "support/Screenshot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string Text(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string Hex(HWND window) {
    char text[16];
    std::snprintf(text, sizeof text, "$%.8lX",
                  static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)));
    return text;
}

// A child window of a class of its own.
class TProbeForm : public TOstrelForm {
public:
    TProbeForm() {
        CreateParams p;
        p.className = "MainFormProbe";
        p.caption = "Probe";
        p.style = WS_OVERLAPPEDWINDOW;
        p.x = 120;
        p.y = 260;
        p.width = 300;
        p.height = 160;
        p.parent = fw::application().handle();
        create(p);
    }
    void UpdateIntFormat() override {}
};

class MainForm : public testing::Test {
protected:
    static void SetUpTestSuite() {
        fw::application().initialize(GetModuleHandleA(nullptr));
        OstrelSettings = new TOSTREL_Settings;
        OstrelSettings->SplashForm.reset();
        OstrelSettings->IntFormat = 1;
        OstrelSettings->ParseFormat = 3; // as the shown format
        OstrelSettings->MainFinder = true;
    }
    static void TearDownTestSuite() {
        delete OstrelSettings;
        OstrelSettings = nullptr;
    }
    void SetUp() override {
        main = std::make_unique<TOstrelMainForm>();
        fw::application().setMainForm(main.get());
        main->show(SW_SHOWNOACTIVATE);
    }
    void TearDown() override {
        fw::application().setMainForm(nullptr);
        main.reset();
    }
    std::unique_ptr<TOstrelMainForm> main;
};

TEST_F(MainForm, FoundWindowFillsTheFieldsAndTypingSearches) {
    main->FoundWnd(main->handle());
    EXPECT_EQ(Hex(main->handle()), Text(main->WndHandle));
    EXPECT_EQ("Ostrel", Text(main->WndCaption.handle()));
    EXPECT_EQ("Ostrel", main->WndCaption.Hint());
    EXPECT_EQ("TOstrelMainForm", Text(main->WndClass));
    EXPECT_TRUE(main->EditsLive);

    SetWindowTextA(main->WndClass, "");
    SetWindowTextA(main->WndCaption.handle(), "no window has this caption 41c7");
    EXPECT_EQ("<no window found>", Text(main->WndHandle));
    // A new number format leaves the text that is no number alone.
    main->UpdateHandleFormat();
    EXPECT_EQ("<no window found>", Text(main->WndHandle));
    SetWindowTextA(main->WndClass, "TOstrelMainForm");
    SetWindowTextA(main->WndCaption.handle(), "");
    EXPECT_EQ(Hex(main->handle()), Text(main->WndHandle)) << "the class alone finds it";
}

TEST_F(MainForm, HandlesThatAreNoWindowsAreReported) {
    fake::MessageBoxes boxes;
    HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    main->FoundWnd(gone);
    ASSERT_EQ(1u, boxes.shown.size());
    EXPECT_EQ(Hex(gone) + " is not a Window", boxes.shown[0].text);
    EXPECT_EQ("Invalid Handle", boxes.shown[0].caption);

    struct Case {
        const char* typed;
        const char* message;
    } const cases[] = {
        {"12x", "\"12x\" is not a valid Handle-Value"},
        {"<no window found>", "No such window found"},
        {"$00000000", "No such window found"},
    };
    for (const Case& c : cases) {
        boxes.shown.clear();
        SetWindowTextA(main->WndHandle, c.typed);
        SendMessageA(main->WndHandle, WM_CHAR, '\r', 0);
        ASSERT_EQ(1u, boxes.shown.size()) << c.typed;
        EXPECT_EQ(c.message, boxes.shown[0].text);
        EXPECT_EQ("Error", boxes.shown[0].caption);
    }
    boxes.shown.clear();
    SetWindowTextA(main->WndHandle, Hex(main->handle()).c_str());
    SendMessageA(main->WndHandle, WM_CHAR, '\r', 0);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ("TOstrelMainForm", Text(main->WndClass)) << "Enter finds the typed window";
}

TEST_F(MainForm, HeightIsFixedAndWidthHasAMinimum) {
    RECT before = main->bounds();
    main->setBounds(before.left, before.top, 100, (before.bottom - before.top) * 3);
    RECT after = main->bounds();
    EXPECT_EQ(639, after.right - after.left);
    EXPECT_EQ(before.bottom - before.top, after.bottom - after.top);
    POINT bottomEdge{(after.left + after.right) / 2, after.bottom - 1};
    EXPECT_EQ(HTBORDER,
              SendMessageA(main->handle(), WM_NCHITTEST, 0, MAKELPARAM(bottomEdge.x, bottomEdge.y)));
}

// What the tray menu showed when the user opened it, the entry at `choose` then chosen (none: Escape).
std::vector<std::string> OpenTrayMenu(TOstrelMainForm& main, const std::string& choose = {},
                                      const std::string& picture = {}) {
    std::vector<std::string> shown;
    std::atomic<bool> seen{false};
    std::thread answer = testing_support::AnswerMenu(
        [&](const std::vector<testing_support::MenuEntry>& entries) {
            int chosen = -1;
            for (const auto& entry : entries) {
                if (entry.text == choose && !choose.empty()) chosen = int(shown.size());
                shown.push_back(entry.separator ? "-" : entry.text + (entry.isDefault ? " (default)" : ""));
            }
            if (!picture.empty()) testing_support::SaveSettledScreenshotPng(picture);
            return chosen;
        },
        seen);
    // As the shell reports a right click on the icon.
    PostMessageA(main.handle(), WM_TRAYNOTIFY, 1, WM_RBUTTONDOWN);
    PostMessageA(main.handle(), WM_TRAYNOTIFY, 1, WM_RBUTTONUP);
    EXPECT_TRUE(PumpUntil([&] { return seen.load(); }, 70000)) << "the tray menu opened";
    answer.join();
    fw::application().processMessages(); // the chosen entry's command
    return shown;
}

using Entries = std::vector<std::string>;
const Entries fixedEntries{"Windows...",    "Processes...",           "Threads...",
                           "Modules...",    "Find Window...",         "-",
                           "Properties...", "&Show Ostrel (default)", "&Close Ostrel"};

Entries WithForms(Entries forms) {
    if (!forms.empty()) forms.push_back("-");
    forms.insert(forms.end(), fixedEntries.begin(), fixedEntries.end());
    return forms;
}

TEST_F(MainForm, TrayMenuCarriesAnEntryPerChildWindowAboveASeparatorThatGoesWithTheLast) {
    EXPECT_EQ(WithForms({}), OpenTrayMenu(*main));
    std::vector<TProbeForm*> forms;
    for (int i = 0; i < 3; ++i) forms.push_back(CreateChildForm<TProbeForm>());
    ASSERT_TRUE(forms[0] && forms[1] && forms[2]);
    // The newest first, each with the caption it has when the menu opens.
    EXPECT_EQ(WithForms({"3 Probe", "2 Probe", "1 Probe"}), OpenTrayMenu(*main, {}, "tray_menu_three_forms"));
    forms[0]->SetCaption("1 Probe renamed");
    forms[1]->close();
    ASSERT_TRUE(PumpUntil([&] { return main->Taskbar.Items().Count() == 2; }, 5000));
    EXPECT_EQ(WithForms({"3 Probe", "1 Probe renamed"}), OpenTrayMenu(*main));

    // Its entry brings a form back from its taskbar button, and to the front.
    SendMessageA(forms[0]->handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_FALSE(IsWindowVisible(forms[0]->handle()));
    OpenTrayMenu(*main, "1 Probe renamed");
    EXPECT_TRUE(PumpUntil(
        [&] {
            HWND h = forms[0]->handle();
            return IsWindowVisible(h) && !IsIconic(h) && GetForegroundWindow() == h;
        },
        5000));
    // A shown one behind another comes to the front too.
    SetForegroundWindow(forms[2]->handle());
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == forms[2]->handle(); }, 5000));
    OpenTrayMenu(*main, "1 Probe renamed");
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == forms[0]->handle(); }, 5000));

    forms[2]->close();
    forms[0]->close();
    ASSERT_TRUE(PumpUntil([&] { return main->Taskbar.Items().Count() == 0; }, 5000));
    EXPECT_EQ(WithForms({}), OpenTrayMenu(*main)) << "no separator above the fixed entries";
    CreateChildForm<TProbeForm>();
    EXPECT_EQ(WithForms({"1 Probe"}), OpenTrayMenu(*main));
    main->MenuCloseAllClick();
    EXPECT_EQ(WithForms({}), OpenTrayMenu(*main));
}

} // namespace
