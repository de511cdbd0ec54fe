// Styled forms, the taskbar and child-form management on real windows, driven as a user would.
#include "ConstVars.h"
#include "Functions.h"
#include "Main.h"
#include "ResourceIds.h"
#include "SplashScreen.h"
#include "controls/LinkLabel.h"
#include "controls/Taskbar.h"
#include "core/CaptionLayout.h"
#include "core/WindowArrangement.h"
#include "fakes/FakeMessageBoxes.h"
#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "support/ListFakes.h"
#include "support/MenuAnswer.h"
#include "support/ProgramDriver.h"
#include "support/Screenshot.h"
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {
int aliveForms = 0;

// A child form of a class of its own, made in code.
class TProbeForm : public TOstrelForm {
public:
    TProbeForm(const char* className, const char* caption, int y = 220, DWORD style = WS_OVERLAPPEDWINDOW) {
        CreateParams p;
        p.className = className;
        p.caption = caption;
        p.style = style;
        p.x = 120;
        p.y = y;
        p.width = 360;
        p.height = 200;
        p.parent = fw::application().handle();
        create(p);
        ++aliveForms;
    }
    ~TProbeForm() override { --aliveForms; }
    void UpdateIntFormat() override { ++Updates; }
    int Updates = 0;
};

class TTestForm : public TProbeForm {
public:
    explicit TTestForm(int y = 220) : TProbeForm("OstrelTestForm", "Test Form", y) {}
};
class TDerivedForm : public TTestForm {};
// Made without minimize and maximize boxes.
class TFixedForm : public TProbeForm {
public:
    TFixedForm() : TProbeForm("OstrelFixedForm", "Fixed Form", 220, WS_CAPTION | WS_SYSMENU) {}
};
class TOtherForm : public TProbeForm {
public:
    TOtherForm() : TProbeForm("OstrelOtherForm", "Other Form") {}
};
class TKeyForm : public TProbeForm {
public:
    explicit TKeyForm(int key) : TProbeForm("OstrelKeyForm", "Key Form"), Key(key) {}
    int Key;
};
class TFailingForm : public TProbeForm {
public:
    TFailingForm() : TProbeForm("OstrelFailingForm", "Failing Form") { throw fw::Exception("set-up failed"); }
};
// One that has told the user why it cannot open.
class TAbortingForm : public TProbeForm {
public:
    TAbortingForm() : TProbeForm("OstrelFailingForm", "Aborting Form") { throw fw::EAbort(); }
};

class TDialogForm : public TStyleForm {
public:
    TDialogForm() { createDialog(IDD_PROPERTIES, fw::application().handle()); }
};

TKeyForm* ShowKeyForm(int key) {
    return ShowChildForm<TKeyForm>(key, [](const TKeyForm& form, int k) { return form.Key == k; });
}

class Forms : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        fw::application().initialize(GetModuleHandleA(nullptr));
        OstrelSettings = new TOSTREL_Settings;
        OstrelSettings->SplashForm.reset();
    }
    static void TearDownTestSuite() {
        delete OstrelSettings;
        OstrelSettings = nullptr;
    }
    void SetUp() override {
        main = std::make_unique<TOstrelMainForm>();
        fw::application().setMainForm(main.get());
        main->setBounds(0, 0, 800, 140);
        main->show();
        UpdateWindow(main->handle());
    }
    void TearDown() override {
        fw::application().setMainForm(nullptr);
        main.reset();
        PumpUntil([] { return aliveForms == 0; }, 5000);
        EXPECT_EQ(0, aliveForms);
        OstrelSettings->StayOnTop = false;
        OstrelSettings->AppBarDocking = false;
        OstrelSettings->Style = 0;
    }
    TTaskbar& Taskbar() { return main->Taskbar; }
    const TTaskButton& ButtonOf(fw::Form* form) {
        return Taskbar().Items().Item(Taskbar().Items().IndexOf(form)).Button;
    }
    void ClickButton(fw::Form* form, bool right = false) {
        const RECT& r = ButtonOf(form).Bounds;
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        PostMessageA(Taskbar().handle(), right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN,
                     right ? MK_RBUTTON : MK_LBUTTON, at);
        PostMessageA(Taskbar().handle(), right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, at);
    }
    bool Activate(TStyleForm* form) {
        SetForegroundWindow(form->handle());
        return PumpUntil([&] { return form->Active() && ButtonOf(form).Down; }, 5000);
    }
    std::unique_ptr<TOstrelMainForm> main;
};

bool Near(COLORREF a, COLORREF b) {
    for (int shift = 0; shift <= 16; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 8) return false;
    return true;
}

// The caption bitmap's first row: no button, icon or text reaches it.
COLORREF CaptionPixel(const TStyleForm& form, int x) {
    RECT w = form.bounds();
    HDC screen = GetDC(nullptr);
    COLORREF color =
        GetPixel(screen, w.left + GetSystemMetrics(SM_CXFRAME) + x, w.top + GetSystemMetrics(SM_CYFRAME));
    ReleaseDC(nullptr, screen);
    return color;
}

void RedrawFrame(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
}
} // namespace

TEST_F(Forms, CaptionGradientReadBackFromTheScreen) {
    TTestForm* form = CreateChildForm<TTestForm>();
    ASSERT_NE(nullptr, form);
    const COLORREF red = 0x0000FF, blue = 0xFF0000;
    form->SetStartColor(red);
    form->SetEndColor(blue);
    ASSERT_TRUE(Activate(form));
    RedrawFrame(form->handle());
    RECT w = form->bounds();
    int width = (w.right - w.left) - 2 * GetSystemMetrics(SM_CXFRAME);
    for (int x : {0, width / 4, width / 2, width - 1})
        EXPECT_TRUE(Near(core::GradientColor(red, blue, x, width), CaptionPixel(*form, x)))
            << "column " << x << ": " << std::hex << CaptionPixel(*form, x);
    HDC screen = GetDC(nullptr);
    EXPECT_TRUE(Near(GetSysColor(COLOR_3DLIGHT), GetPixel(screen, w.left, w.top)));
    EXPECT_TRUE(Near(GetSysColor(COLOR_3DDKSHADOW), GetPixel(screen, w.right - 1, w.bottom - 1)));
    ReleaseDC(nullptr, screen);

    // The system shows what a window drew some time later (Wine flushes window surfaces when idle).
    auto captionBecomes = [&](COLORREF color) {
        return PumpUntil([&] { return Near(color, CaptionPixel(*form, 0)); }, 5000);
    };
    form->SetUseStandardCaption(true);
    EXPECT_TRUE(captionBecomes(GetSysColor(COLOR_ACTIVECAPTION))) << std::hex << CaptionPixel(*form, 0);
    SetForegroundWindow(main->handle());
    ASSERT_TRUE(PumpUntil([&] { return !form->Active(); }, 5000));
    EXPECT_TRUE(captionBecomes(GetSysColor(COLOR_INACTIVECAPTION))) << std::hex << CaptionPixel(*form, 0);
}

TEST_F(Forms, CaptionButtonPostsItsCommandOnlyWhenReleasedOverIt) {
    TTestForm* form = CreateChildForm<TTestForm>();
    ASSERT_NE(nullptr, form);
    ASSERT_TRUE(Activate(form));
    HWND h = form->handle();
    RECT w = form->bounds(), r = form->GetButtonRect(cbClose);
    POINT on{w.left + (r.left + r.right) / 2, w.top + (r.top + r.bottom) / 2};
    POINT off{w.left + 40, w.top + 120};
    auto press = [&] {
        EXPECT_EQ(HTCAPTION, SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(on.x, on.y)));
        SendMessageA(h, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(on.x, on.y));
        EXPECT_TRUE(form->Button(cbClose).Pressed && form->Button(cbClose).Down);
    };
    // Mouse messages of the captured mouse carry client coordinates, above the client area here.
    auto at = [&](POINT screen) {
        ScreenToClient(h, &screen);
        return MAKELPARAM(screen.x, screen.y);
    };
    auto move = [&](POINT to) { SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, at(to)); };
    MSG msg;
    press();
    move(off);
    EXPECT_FALSE(form->Button(cbClose).Down);
    SendMessageA(h, WM_LBUTTONUP, 0, at(off));
    EXPECT_FALSE(PeekMessageA(&msg, h, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_NOREMOVE));
    EXPECT_FALSE(form->Button(cbClose).Pressed);
    EXPECT_EQ(1, Taskbar().Items().Count());

    // Back onto the button before the release: pushed again, and the command goes.
    press();
    move(off);
    move(on);
    EXPECT_TRUE(form->Button(cbClose).Down);
    SendMessageA(h, WM_LBUTTONUP, 0, at(on));
    ASSERT_TRUE(PeekMessageA(&msg, h, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_NOREMOVE));
    EXPECT_EQ(WPARAM(SC_CLOSE), msg.wParam);
    // Closing removes the button and frees the form.
    EXPECT_TRUE(PumpUntil([&] { return aliveForms == 0; }, 5000));
    EXPECT_EQ(0, Taskbar().Items().Count());
}

TEST_F(Forms, CaptionButtonsSetTheStyleAndTheSystemMenuAndALongCaptionStopsBeforeThem) {
    TTestForm* form = CreateChildForm<TTestForm>();
    ASSERT_NE(nullptr, form);
    HWND h = form->handle();
    auto closeGreyed = [&] {
        return (GetMenuState(GetSystemMenu(h, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED) != 0;
    };
    const struct {
        CaptionButtonSet buttons;
        bool maximizeBox, minimizeBox, greyed;
    } cases[] = {
        {core::ButtonBit(cbClose) | core::ButtonBit(cbMinimize), false, true, false},
        {core::ButtonBit(cbHelp) | core::ButtonBit(cbMaximize), true, false, true},
        {core::allCaptionButtons, true, true, true}, // nothing enables Close again
    };
    for (const auto& c : cases) {
        form->SetCaptionButtons(c.buttons);
        const LONG style = GetWindowLongA(h, GWL_STYLE);
        EXPECT_EQ(c.maximizeBox, (style & WS_MAXIMIZEBOX) != 0) << c.buttons;
        EXPECT_EQ(c.minimizeBox, (style & WS_MINIMIZEBOX) != 0) << c.buttons;
        EXPECT_EQ(c.greyed, closeGreyed()) << c.buttons;
    }

    // White caption text on a gradient without blue: the text ends 2 pixels before the leftmost button.
    form->SetStartColor(0x000000);
    form->SetEndColor(0x00FFFF);
    form->SetTextColor(0xFFFFFF);
    form->SetCaption(std::string(200, 'W'));
    ASSERT_TRUE(Activate(form));
    RECT w = form->bounds(), help = form->GetButtonRect(cbHelp);
    const int textRight = help.left - 2;
    auto whiteIn = [&](int from, int to) {
        HDC screen = GetDC(nullptr);
        bool white = false;
        for (int x = from; x < to && !white; ++x)
            for (int y = help.top; y < help.bottom && !white; ++y)
                white = ((GetPixel(screen, w.left + x, w.top + y) >> 16) & 0xFF) > 128;
        ReleaseDC(nullptr, screen);
        return white;
    };
    EXPECT_TRUE(PumpUntil([&] { return whiteIn(textRight - 40, textRight); }, 5000))
        << "no text near its end";
    // The caption may be drawn again as the form becomes active: the drawing that stays counts.
    EXPECT_TRUE(PumpUntil([&] { return !whiteIn(textRight, help.left); }, 5000))
        << "text between its end and the buttons";
    testing_support::SaveScreenshotPng("styled_form_long_caption", {h});
}

TEST_F(Forms, AButtonAddedAfterTheFormWasMadeDoesNothing) {
    TFixedForm* form = CreateChildForm<TFixedForm>();
    ASSERT_NE(nullptr, form);
    form->SetCaptionButtons(core::allCaptionButtons);
    ASSERT_TRUE(Activate(form));
    HWND h = form->handle();
    for (CaptionButtonKind kind : {cbMaximize, cbMinimize}) {
        RECT w = form->bounds(), r = form->GetButtonRect(kind);
        ASSERT_FALSE(IsRectEmpty(&r)) << "shown: " << int(kind);
        const POINT on{w.left + (r.left + r.right) / 2, w.top + (r.top + r.bottom) / 2};
        POINT client = on;
        ScreenToClient(h, &client);
        SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(on.x, on.y));
        SendMessageA(h, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(on.x, on.y));
        EXPECT_FALSE(form->Button(kind).Pressed) << int(kind);
        SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
        MSG msg;
        EXPECT_FALSE(PeekMessageA(&msg, h, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_NOREMOVE)) << int(kind);
    }
    EXPECT_FALSE(IsZoomed(h) || IsIconic(h));
}

TEST_F(Forms, DoubleClickMaximisesOnlyWithTheMaximizeButton) {
    TTestForm* form = CreateChildForm<TTestForm>();
    ASSERT_NE(nullptr, form);
    HWND h = form->handle();
    SendMessageA(h, WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
    EXPECT_TRUE(PumpUntil([&] { return IsZoomed(h) != FALSE; }, 5000));
    SendMessageA(h, WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsZoomed(h); }, 5000));
    form->SetCaptionButtons(core::ButtonBit(cbClose) | core::ButtonBit(cbMinimize));
    SendMessageA(h, WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, h, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_NOREMOVE));
    // The minimize button moved into the maximize button's place.
    RECT maximize = form->GetButtonRect(cbMaximize);
    EXPECT_TRUE(IsRectEmpty(&maximize));
}

TEST_F(Forms, MinimisedFormLivesInItsButtonAndItsButtonTogglesIt) {
    TTestForm* form = CreateChildForm<TTestForm>();
    ASSERT_NE(nullptr, form);
    HWND h = form->handle();
    SendMessageA(h, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(IsWindowVisible(h));
    ASSERT_EQ(1, Taskbar().Items().Count());
    EXPECT_TRUE(ButtonOf(form).Visible);

    ClickButton(form);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(h) && !IsIconic(h); }, 5000));
    ASSERT_TRUE(Activate(form));

    // The active form's button minimises it.
    ClickButton(form);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(h); }, 5000));
    EXPECT_TRUE(IsIconic(h));
    EXPECT_EQ(1, Taskbar().Items().Count());
}

TEST_F(Forms, OneButtonDownAtATime) {
    TTestForm* first = CreateChildForm<TTestForm>();
    TTestForm* second = CreateChildForm<TTestForm>();
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(Activate(first));
    EXPECT_FALSE(ButtonOf(second).Down);
    ASSERT_TRUE(Activate(second));
    EXPECT_FALSE(ButtonOf(first).Down);
    first->SetCaption("renamed");
    EXPECT_EQ("renamed", ButtonOf(first).Caption);
    EXPECT_EQ("renamed", ButtonOf(first).Hint);
}

TEST_F(Forms, RightClickOpensTheSystemMenuAndItsCloseClosesTheForm) {
    TTestForm* form = CreateChildForm<TTestForm>();
    TTestForm* other = CreateChildForm<TTestForm>();
    ASSERT_TRUE(form && other);
    ASSERT_TRUE(Activate(other));
    std::atomic<bool> opened{false};
    std::thread escape = testing_support::AnswerMenu(0, opened);
    ClickButton(form, true);
    EXPECT_TRUE(PumpUntil([&] { return opened.load(); }));
    escape.join();
    EXPECT_EQ(2, aliveForms);
    EXPECT_TRUE(ButtonOf(form).Down) << "the button goes down, as with the left button";

    // On the down button of a shown form, the right button minimises it first, as the left one does.
    std::atomic<bool> again{false};
    std::thread keep = testing_support::AnswerMenu(0, again);
    ClickButton(form, true);
    EXPECT_TRUE(PumpUntil([&] { return again.load(); }));
    keep.join();
    EXPECT_TRUE(IsIconic(form->handle()));

    std::atomic<bool> reopened{false};
    std::thread close = testing_support::AnswerMenu(SC_CLOSE, reopened);
    ClickButton(form, true);
    EXPECT_TRUE(PumpUntil([&] { return reopened.load(); }));
    close.join();
    EXPECT_TRUE(PumpUntil([&] { return aliveForms == 1; }, 5000));
    EXPECT_EQ(1, Taskbar().Items().Count());
    EXPECT_EQ(other, Taskbar().Items()[0]);
}

namespace {
int textsSeen = 0;
LRESULT CALLBACK CountTexts(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_SETTEXT) ++textsSeen;
    return DefSubclassProc(hwnd, message, wParam, lParam);
}
WNDPROC replacedProc = nullptr;
LRESULT CALLBACK ReplacedProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(replacedProc, hwnd, message, wParam, lParam);
}
} // namespace

TEST_F(Forms, RemovingAnEntryKeepsSubclassesInstalledAfterIt) {
    TTestForm* form = CreateChildForm<TTestForm>();
    ASSERT_NE(nullptr, form);
    HWND h = form->handle();
    ASSERT_TRUE(SetWindowSubclass(h, CountTexts, 7, 0));
    replacedProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ReplacedProc)));
    Taskbar().RemoveForm(0, false, false);
    EXPECT_EQ(0, Taskbar().Items().Count());
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(&ReplacedProc), GetWindowLongPtrA(h, GWLP_WNDPROC));
    textsSeen = 0;
    form->SetCaption("still subclassed");
    EXPECT_EQ(1, textsSeen);
    SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(replacedProc));
    RemoveWindowSubclass(h, CountTexts, 7);
    delete form;
}

TEST_F(Forms, ClosedFormIsFreedOnlyAfterItsCloseMessage) {
    TTestForm* form = CreateChildForm<TTestForm>();
    ASSERT_NE(nullptr, form);
    HWND h = form->handle();
    SendMessageA(h, WM_CLOSE, 0, 0);
    // Still there when the message returns, hidden and off the taskbar; gone once it unwound.
    EXPECT_EQ(1, aliveForms);
    EXPECT_TRUE(IsWindow(h));
    EXPECT_FALSE(IsWindowVisible(h));
    EXPECT_EQ(0, Taskbar().Items().Count());
    EXPECT_TRUE(PumpUntil([] { return aliveForms == 0; }, 5000));
    EXPECT_FALSE(IsWindow(h));
}

TEST_F(Forms, FramePaintingLeavesTheSystemsRegionAsItWas) {
    TTestForm* form = CreateChildForm<TTestForm>();
    ASSERT_NE(nullptr, form);
    RECT w = form->bounds(), before{}, after{};
    HRGN region = CreateRectRgn(w.left, w.top, w.right, w.top + 20);
    GetRgnBox(region, &before);
    SendMessageA(form->handle(), WM_NCPAINT, reinterpret_cast<WPARAM>(region), 0);
    GetRgnBox(region, &after);
    EXPECT_TRUE(EqualRect(&before, &after));
    DeleteObject(region);
}

TEST_F(Forms, NumbersPerClassReuseTheSmallestFreeOne) {
    std::vector<TTestForm*> forms;
    for (int i = 0; i < 5; ++i) forms.push_back(CreateChildForm<TTestForm>());
    for (int i = 0; i < 5; ++i) {
        ASSERT_NE(nullptr, forms[i]);
        EXPECT_EQ(i + 1, forms[i]->Tag);
        EXPECT_EQ(std::to_string(i + 1) + " Test Form", forms[i]->Caption());
    }
    forms[1]->close();
    ASSERT_TRUE(PumpUntil([] { return aliveForms == 4; }, 5000));
    EXPECT_EQ(4, Taskbar().Items().Count());
    // A class counts its own forms and those of its subclasses: the base class's forms leave 1 free for
    // the subclass, whose form then takes 1 from the base class.
    TDerivedForm* derived = CreateChildForm<TDerivedForm>();
    ASSERT_NE(nullptr, derived);
    EXPECT_EQ("1 Test Form", derived->Caption());
    forms[0]->close();
    ASSERT_TRUE(PumpUntil([] { return aliveForms == 4; }, 5000));
    EXPECT_EQ(2, CreateChildForm<TTestForm>()->Tag);
    EXPECT_EQ(6, CreateChildForm<TTestForm>()->Tag);
    // Another class counts on its own.
    TOtherForm* other = CreateChildForm<TOtherForm>();
    ASSERT_NE(nullptr, other);
    EXPECT_EQ("1 Other Form", other->Caption());
    EXPECT_EQ(7, Taskbar().Items().Count());
    // Every registered form re-displays its numbers.
    ApplyIntFormatToForms();
    EXPECT_EQ(1, other->Updates);
    EXPECT_EQ(1, derived->Updates);
}

TEST_F(Forms, ShowReusesTheOpenFormOfTheSameKey) {
    TKeyForm* first = ShowKeyForm(42);
    ASSERT_NE(nullptr, first);
    SetForegroundWindow(main->handle());
    EXPECT_EQ(first, ShowKeyForm(42));
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == first->handle(); }, 5000));
    TKeyForm* second = ShowKeyForm(7);
    EXPECT_NE(first, second);
    EXPECT_EQ(2, Taskbar().Items().Count());
    EXPECT_EQ(2, second->Tag);
}

TEST_F(Forms, FailedCreationLeavesNoWindowAndNoButtonAndSaysWhy) {
    fake::MessageBoxes boxes;
    EXPECT_EQ(nullptr, CreateChildForm<TFailingForm>());
    EXPECT_EQ(nullptr, CreateChildForm<TAbortingForm>());
    EXPECT_EQ(nullptr, FindWindowA("OstrelFailingForm", nullptr));
    EXPECT_EQ(0, Taskbar().Items().Count());
    EXPECT_EQ(0, aliveForms);
    ASSERT_EQ(1u, boxes.shown.size()) << "the form that told the user is not reported again";
    EXPECT_EQ("set-up failed", boxes.shown[0].text);
    EXPECT_EQ("Error", boxes.shown[0].caption);
    EXPECT_EQ(UINT(MB_OK | MB_ICONERROR), boxes.shown[0].type);
    EXPECT_THROW(Taskbar().AddForm(nullptr, true, true), ETaskbarError);
}

TEST_F(Forms, StayOnTopMovesNewFormsBelowTheMainForm) {
    OstrelSettings->StayOnTop = true;
    OstrelSettings->AppBarDocking = false;
    RECT m = main->bounds();
    int mainHeight = m.bottom - m.top;
    TTestForm* under = CreateChildForm<TTestForm>(50);
    ASSERT_NE(nullptr, under);
    EXPECT_EQ(50 + mainHeight, under->bounds().top);
    TTestForm* below = CreateChildForm<TTestForm>(m.bottom + 10);
    ASSERT_NE(nullptr, below);
    EXPECT_EQ(m.bottom + 10, below->bounds().top);
    OstrelSettings->AppBarDocking = true;
    EXPECT_EQ(50, CreateChildForm<TTestForm>(50)->bounds().top);
}

TEST_F(Forms, StandardCaptionFollowsTheStyleSetting) {
    OstrelSettings->Style = 1;
    TTestForm* standard = CreateChildForm<TTestForm>();
    OstrelSettings->Style = 0;
    TTestForm* own = CreateChildForm<TTestForm>();
    ASSERT_TRUE(standard && own);
    EXPECT_TRUE(standard->UseStandardCaption());
    EXPECT_FALSE(own->UseStandardCaption());
}

TEST_F(Forms, CascadeAndTileArrangeTheFormsOverTheWorkArea) {
    TTestForm* forms[] = {CreateChildForm<TTestForm>(), CreateChildForm<TTestForm>(),
                          CreateChildForm<TTestForm>()};
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    for (TArrangeMode mode : {TArrangeMode::TileHorizontally, TArrangeMode::TileVertically}) {
        ArrangeChildForms(mode);
        for (int i = 0; i < 3; ++i) {
            RECT a = forms[i]->bounds(), inside{};
            EXPECT_TRUE(IntersectRect(&inside, &a, &work) && EqualRect(&inside, &a)) << i;
            for (int j = i + 1; j < 3; ++j) {
                RECT b = forms[j]->bounds(), overlap{};
                EXPECT_FALSE(IntersectRect(&overlap, &a, &b)) << i << " and " << j;
            }
        }
    }
    ArrangeChildForms(TArrangeMode::Cascade);
    for (int i = 1; i < 3; ++i) {
        EXPECT_GT(forms[i]->bounds().left, forms[i - 1]->bounds().left);
        EXPECT_GT(forms[i]->bounds().top, forms[i - 1]->bounds().top);
    }
}

TEST_F(Forms, DialogStyleFormKeepsTheDialogKeys) {
    struct Case {
        WPARAM key;
        int result;
    } const cases[] = {{VK_ESCAPE, fw::mrCancel}, {VK_RETURN, fw::mrOk}};
    for (const auto& c : cases) {
        TDialogForm dialog;
        EXPECT_EQ(core::ButtonBit(cbHelp) | core::ButtonBit(cbClose), dialog.CaptionButtons());
        PostMessageA(dialog.handle(), WM_KEYDOWN, c.key, 0);
        EXPECT_EQ(c.result, dialog.showModal()) << c.key;
    }
}

TEST_F(Forms, DialogTemplateFormKeepsItsOwnCaption) {
    // Its painting reads its own caption text, a message of its own inside the painting's: the system's
    // caption must not be drawn over it afterwards.
    TDialogForm dialog;
    const COLORREF red = 0x0000FF, blue = 0xFF0000;
    dialog.SetStartColor(red);
    dialog.SetEndColor(blue);
    dialog.show();
    SetForegroundWindow(dialog.handle());
    ASSERT_TRUE(PumpUntil([&] { return dialog.Active(); }, 5000));
    RedrawFrame(dialog.handle());
    EXPECT_TRUE(PumpUntil([&] { return Near(red, CaptionPixel(dialog, 0)); }, 5000))
        << std::hex << CaptionPixel(dialog, 0);
}

TEST_F(Forms, LinkLabelIsALinkOnlyWhileItHasAHandler) {
    TLinkLabel label;
    label.Create(main->handle(), 100, {300, 40, 500, 60}, "link");
    int linkClicks = 0, plainClicks = 0;
    label.OnClick = [&](TLinkLabel&) { ++plainClicks; };
    // A release without a press on the label, and a press released outside it, are no clicks.
    SendMessageA(label.handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageA(label.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(label.handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 300));
    EXPECT_EQ(0, plainClicks);
    auto click = [&] {
        SendMessageA(label.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageA(label.handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        SendMessageA(label.handle(), WM_SETCURSOR, WPARAM(label.handle()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    };
    click();
    EXPECT_EQ(1, plainClicks);
    EXPECT_EQ(LoadCursor(nullptr, IDC_ARROW), GetCursor());
    label.SetOnLinkClick([&](TLinkLabel& sender) {
        EXPECT_EQ(&label, &sender);
        ++linkClicks;
    });
    click();
    EXPECT_EQ(1, linkClicks);
    EXPECT_EQ(1, plainClicks);
    EXPECT_EQ(LoadCursor(nullptr, IDC_HAND), GetCursor());
    label.SetOnLinkClick(nullptr);
    click();
    EXPECT_EQ(2, plainClicks);
    EXPECT_EQ(LoadCursor(nullptr, IDC_ARROW), GetCursor());
}

TEST_F(Forms, ScreenshotOfTheTaskbarWithThreeStyledForms) {
    TTestForm* own = CreateChildForm<TTestForm>(170);
    TOtherForm* other = CreateChildForm<TOtherForm>();
    OstrelSettings->Style = 1;
    TTestForm* standard = CreateChildForm<TTestForm>(300);
    ASSERT_TRUE(own && other && standard);
    own->setBounds(20, 170, 360, 200);
    other->setBounds(200, 260, 360, 200);
    standard->setBounds(400, 350, 360, 200);
    ASSERT_TRUE(Activate(own));
    EXPECT_TRUE(testing_support::SaveScreenshotPng(
        "forms_taskbar_three_styled_forms",
        {main->handle(), other->handle(), standard->handle(), own->handle()}));
}
