// The about box in this process: which clicks close it, the hidden picture behind Shift+Ctrl+Alt, and the
// credits that scroll fast while the left button holds them.
#include "About.h"
#include "framework/Application.h"
#include "support/ListFakes.h"
#include "support/Screenshot.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace {

class About : public testing::Test {
protected:
    static void SetUpTestSuite() { fw::application().initialize(GetModuleHandleA(nullptr)); }
};

// Keys this thread reads as held (the box asks the keyboard state, not only the mouse message's flags)
// until the end of the scope.
class HeldKeys {
public:
    explicit HeldKeys(std::initializer_list<int> keys) {
        GetKeyboardState(saved_);
        BYTE state[256];
        GetKeyboardState(state);
        for (int key : keys) state[key] |= 0x80;
        SetKeyboardState(state);
    }
    ~HeldKeys() { SetKeyboardState(saved_); }
    HeldKeys(const HeldKeys&) = delete;
    HeldKeys& operator=(const HeldKeys&) = delete;

private:
    BYTE saved_[256];
};

LPARAM At(POINT p) {
    return MAKELPARAM(p.x, p.y);
}

POINT Centre(const RECT& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

bool Closed(const TAboutForm& form) {
    return form.modalResult() == fw::mrCancel;
}

TEST_F(About, AClickClosesItExceptOnTheLinkAndWithTheRightOrMiddleButton) {
    using Place = POINT (*)(const TAboutForm&);
    const Place picture = [](const TAboutForm&) { return POINT{100, 60}; };
    const Place versionLabel = [](const TAboutForm& f) { return POINT{20, f.HomepageRect().top - 10}; };
    const Place label4 = [](const TAboutForm& f) { return Centre(f.Label4Rect()); };
    const Place homepage = [](const TAboutForm& f) { return Centre(f.HomepageRect()); };
    const Place credits = [](const TAboutForm&) { return POINT{20, 20}; };
    struct Case {
        const char* where;
        UINT press, release;
        bool onCredits;
        Place at; // in the client area of the form or of the credits
        bool closes;
    } const cases[] = {
        {"the main picture", WM_LBUTTONDOWN, WM_LBUTTONUP, false, picture, true},
        {"the version label", WM_LBUTTONDOWN, WM_LBUTTONUP, false, versionLabel, true},
        {"the one-character label", WM_LBUTTONDOWN, WM_LBUTTONUP, false, label4, true},
        {"the homepage link", WM_LBUTTONDOWN, WM_LBUTTONUP, false, homepage, false},
        {"the credits", WM_LBUTTONDOWN, WM_LBUTTONUP, true, credits, true},
        {"the credits, right button", WM_RBUTTONDOWN, WM_RBUTTONUP, true, credits, false},
        {"the credits, middle button", WM_MBUTTONDOWN, WM_MBUTTONUP, true, credits, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        TAboutForm form;
        form.show(SW_SHOWNOACTIVATE);
        HWND target = c.onCredits ? form.Thanks().handle() : form.handle();
        SendMessageA(target, c.press, 0, At(c.at(form)));
        SendMessageA(target, c.release, 0, At(c.at(form)));
        EXPECT_EQ(c.closes, Closed(form));
    }
}

TEST_F(About, ShiftCtrlAltAndAPressOnTheLabelShowTheHiddenPicture) {
    TAboutForm form;
    form.show(SW_SHOWNOACTIVATE);
    const LPARAM label = At(Centre(form.Label4Rect()));
    // Two of the three keys are not enough.
    for (auto keys :
         {std::initializer_list<int>{VK_SHIFT, VK_CONTROL}, {VK_CONTROL, VK_MENU}, {VK_SHIFT, VK_MENU}}) {
        HeldKeys held(keys);
        WPARAM flags = MK_LBUTTON;
        for (int key : keys) flags |= key == VK_SHIFT ? MK_SHIFT : key == VK_CONTROL ? MK_CONTROL : 0;
        SendMessageA(form.handle(), WM_LBUTTONDOWN, flags, label);
        EXPECT_FALSE(form.HiddenPicture());
    }
    EXPECT_TRUE(form.Thanks().Run());

    {
        HeldKeys held{VK_SHIFT, VK_CONTROL, VK_MENU};
        SendMessageA(form.handle(), WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT | MK_CONTROL, label);
        EXPECT_TRUE(form.HiddenPicture());
        EXPECT_FALSE(form.Thanks().Run());
        EXPECT_FALSE(IsWindowVisible(form.Thanks().handle()));
        // Released with the keys still held, the box stays for the picture to be seen.
        SendMessageA(form.handle(), WM_LBUTTONUP, MK_SHIFT | MK_CONTROL, label);
        EXPECT_FALSE(Closed(form));
        EXPECT_TRUE(testing_support::SaveScreenshotPng("about_hidden_picture", {form.handle()}));
    }
    SendMessageA(form.handle(), WM_LBUTTONDOWN, MK_LBUTTON, label);
    SendMessageA(form.handle(), WM_LBUTTONUP, 0, label);
    EXPECT_TRUE(Closed(form)) << "a release without the keys";
}

TEST_F(About, HeldCreditsScrollFastUntilTheButtonIsReleasedWherever) {
    TAboutForm form;
    form.show(SW_SHOWNOACTIVATE);
    HWND credits = form.Thanks().handle();
    const int slow = form.Thanks().Gap;

    SendMessageA(credits, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    EXPECT_EQ(5 * slow, form.Thanks().Gap);
    // The release comes to the credits from wherever the mouse went.
    EXPECT_EQ(credits, GetCapture());
    // Dragged off the box and released there: no click, the speed back.
    SendMessageA(credits, WM_LBUTTONUP, 0, MAKELPARAM(-200, 400));
    EXPECT_EQ(slow, form.Thanks().Gap);
    EXPECT_FALSE(Closed(form));
    EXPECT_NE(credits, GetCapture());

    // Another window takes the mouse while the button is down.
    SendMessageA(credits, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    ASSERT_EQ(5 * slow, form.Thanks().Gap);
    SetCapture(form.handle());
    EXPECT_EQ(slow, form.Thanks().Gap);
    ReleaseCapture();
    EXPECT_FALSE(Closed(form));

    SendMessageA(credits, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    SendMessageA(credits, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    EXPECT_EQ(slow, form.Thanks().Gap);
    EXPECT_TRUE(Closed(form));
}

} // namespace
