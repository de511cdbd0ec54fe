// The check box on a tool bar button, driven by mouse messages as a user's clicks send them.
#include "controls/ToolbarCheckbox.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include <gtest/gtest.h>
#include <commctrl.h>

namespace {

const int filterCommand = 42, otherCommand = 43;

class ToolbarHost : public fw::Form {
public:
    ToolbarHost() {
        fw::application().initialize(GetModuleHandleA(nullptr));
        CreateParams p;
        p.className = "ToolbarCheckboxTestHost";
        p.caption = "tool bar";
        p.style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
        p.width = 300;
        p.height = 120;
        create(p);
        INITCOMMONCONTROLSEX init{sizeof init, ICC_BAR_CLASSES};
        InitCommonControlsEx(&init);
        toolbar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT, 0, 0, 0, 0,
                                  handle(), HMENU(1), nullptr, nullptr);
        SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        SendMessageA(toolbar, TB_SETBUTTONSIZE, 0, MAKELPARAM(40, 30));
        TBBUTTON buttons[2] = {};
        buttons[0] = {I_IMAGENONE, filterCommand, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0};
        buttons[1] = {I_IMAGENONE, otherCommand, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0};
        SendMessageA(toolbar, TB_ADDBUTTONS, 2, reinterpret_cast<LPARAM>(buttons));
        SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
    }
    HWND toolbar = nullptr;
    std::vector<int> commands;

protected:
    bool onCommand(int id, int code, HWND control) override {
        if (id == filterCommand || id == otherCommand) {
            commands.push_back(id);
            return true;
        }
        return Form::onCommand(id, code, control);
    }
};

void Click(HWND toolbar, POINT p, UINT down = WM_LBUTTONDOWN, POINT up = {-1, -1}) {
    if (up.x < 0) up = p;
    SendMessageA(toolbar, down, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    SendMessageA(toolbar, WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
}

} // namespace

TEST(ToolbarCheckbox, TheBoxTogglesWithoutTheButtonsCommand) {
    ToolbarHost host;
    TToolbarCheckbox box(host.toolbar, filterCommand);
    box.SetHasCheckbox(true);
    box.SetCheckboxSize(10);
    box.SetCheckboxSpace(3);
    int events = 0;
    box.OnCheckClick = [&] { ++events; };

    const RECT r = box.BoxRect();
    const POINT inside{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    Click(host.toolbar, inside);
    EXPECT_TRUE(box.CheckboxChecked());
    EXPECT_EQ(1, events);

    // Press inside, release outside: nothing.
    Click(host.toolbar, inside, WM_LBUTTONDOWN, {r.right + 10, inside.y});
    EXPECT_TRUE(box.CheckboxChecked());
    EXPECT_EQ(1, events);
    // The next release inside still toggles: the press stays armed.
    SendMessageA(host.toolbar, WM_LBUTTONUP, 0, MAKELPARAM(inside.x, inside.y));
    EXPECT_FALSE(box.CheckboxChecked());
    EXPECT_EQ(2, events);

    // A double click: toggled on the first release and on the second press.
    Click(host.toolbar, inside);
    Click(host.toolbar, inside, WM_LBUTTONDBLCLK);
    EXPECT_FALSE(box.CheckboxChecked());
    EXPECT_EQ(4, events);

    // The border line counts as outside: the button runs, the box stays.
    Click(host.toolbar, {r.left, inside.y});
    fw::application().processMessages();
    EXPECT_EQ(std::vector<int>{filterCommand}, host.commands)
        << "only the click on the border ran the button";
    EXPECT_FALSE(box.CheckboxChecked());
    // From code: no event.
    box.SetCheckboxChecked(true);
    EXPECT_EQ(4, events);
}

TEST(ToolbarCheckbox, ClicksOutsideTheBoxRunTheButton) {
    ToolbarHost host;
    TToolbarCheckbox box(host.toolbar, filterCommand);
    box.SetHasCheckbox(true);
    int events = 0;
    box.OnCheckClick = [&] { ++events; };
    RECT button{};
    SendMessageA(host.toolbar, TB_GETRECT, filterCommand, reinterpret_cast<LPARAM>(&button));
    Click(host.toolbar, {button.right - 5, button.top + 5});
    fw::application().processMessages();
    EXPECT_EQ(std::vector<int>{filterCommand}, host.commands);
    EXPECT_FALSE(box.CheckboxChecked());
    EXPECT_EQ(0, events);
}

namespace {
int stateQueries = 0;
LRESULT CALLBACK CountStateQueries(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR) {
    if (message == TB_ISBUTTONENABLED) ++stateQueries;
    return DefSubclassProc(hwnd, message, wParam, lParam);
}
} // namespace

// The box asks the button's state through the tool bar, whose messages pass through the box again: one
// message must reach the tool bar once, not recurse.
TEST(ToolbarCheckbox, AMessageReachesTheToolBarOnce) {
    ToolbarHost host;
    SetWindowSubclass(host.toolbar, CountStateQueries, 1, 0);
    {
        TToolbarCheckbox box(host.toolbar, filterCommand);
        box.SetHasCheckbox(true);
        stateQueries = 0;
        EXPECT_NE(0, SendMessageA(host.toolbar, TB_ISBUTTONENABLED, filterCommand, 0));
        EXPECT_EQ(1, stateQueries);
        stateQueries = 0;
        SendMessageA(host.toolbar, TB_ENABLEBUTTON, otherCommand, MAKELPARAM(FALSE, 0));
        InvalidateRect(host.toolbar, nullptr, TRUE);
        UpdateWindow(host.toolbar);
        EXPECT_EQ(0, stateQueries);
    }
    RemoveWindowSubclass(host.toolbar, CountStateQueries, 1);
}
