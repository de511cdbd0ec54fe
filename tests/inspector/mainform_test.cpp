// The main form in this process: the finder panel's fields, the messages it shows, its size rules.
#include "ConstVars.h"
#include "Main.h"
#include "SplashScreen.h"
#include "core/NumberFormat.h"
#include "fakes/FakeMessageBoxes.h"
#include "framework/Application.h"
#include "support/ListFakes.h"

#include <gtest/gtest.h>

#include <string>

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

} // namespace
