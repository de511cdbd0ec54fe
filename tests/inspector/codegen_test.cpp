// The FindWindow code generator, its code view and the finder pop-up, driven in this process.
#include "FindWndCoder.h"
#include "ConstVars.h"
#include "Main.h"
#include "ToolWindow.h"
#include "WndSearch.h"
#include "Functions.h"
#include "controls/CodeEditor.h"
#include "controls/OstrelToolMenu.h"
#include "core/NumberFormat.h"
#include "framework/Application.h"
#include "fakes/FakeMessageBoxes.h"
#include "helpers/ChildProcess.h"
#include "support/Cursor.h"
#include "support/ImportPatch.h"
#include "support/ProcessDriver.h"
#include "support/Screenshot.h"
#include "support/TestSettings.h"
#include <gtest/gtest.h>
#include <richedit.h>
#include <functional>

namespace {

void EnsureApplication() {
    fw::application().initialize(GetModuleHandleA(nullptr));
}

std::uint32_t Id(HWND wnd) {
    return std::uint32_t(reinterpret_cast<UINT_PTR>(wnd));
}

// Pumps messages until the condition holds or 5 s have passed.
bool WaitFor(const std::function<bool()>& condition) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > 5000) return false;
        fw::application().processMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// A plain top-level window that keeps the messages posted to it.
class Host : public fw::Form {
public:
    explicit Host(const char* caption, const char* className = "CodegenTestHost") {
        CreateParams p;
        p.className = className;
        p.caption = caption;
        p.style = WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN;
        p.x = 40;
        p.y = 40;
        p.width = 400;
        p.height = 300;
        create(p);
    }
    std::vector<MSG> posted;

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_FINDERCOMMAND) posted.push_back({handle(), message, wParam, lParam, 0, {}});
        return Form::handleMessage(message, wParam, lParam);
    }
};

// The format of the characters at [start, end) of a rich edit, in its own positions.
CHARFORMAT2A FormatAt(HWND edit, LONG start, LONG end) {
    CHARRANGE range{start, end};
    SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMAT2A format{};
    format.cbSize = sizeof format;
    SendMessageA(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return format;
}

// An edit after a label inside a dialog child of `top`: a control two levels below its top window.
HWND EditInADialogOf(const Host& top) {
    HWND dialog = CreateWindowExA(0, "#32770", "Inner", WS_CHILD | WS_VISIBLE, 0, 0, 300, 200, top.handle(),
                                  HMENU(INT_PTR(7)), nullptr, nullptr);
    CreateWindowExA(0, "STATIC", "label", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, dialog, HMENU(INT_PTR(1000)),
                    nullptr, nullptr);
    return CreateWindowExA(0, "EDIT", "typed", WS_CHILD | WS_VISIBLE, 0, 30, 100, 20, dialog,
                           HMENU(INT_PTR(1001)), nullptr, nullptr);
}

} // namespace

TEST(CodeEditor, ColoursTokensAtRichEditPositions) {
    EnsureApplication();
    Host host("code view");
    TCodeEditor editor(host.handle(), 100);
    SetWindowPos(editor.handle(), nullptr, 0, 0, 380, 260, SWP_NOZORDER);
    editor.setSyntax(core::TCodeSyntax::Cpp);
    const std::string code =
        "{\r\n\tHWND wnd;\r\n\r\n\twnd =  FindWindow(\"Notepad\", NULL);\r\n\r\n\tif (wnd != 0)\r\n";
    editor.setCode(code);
    // Three line breaks before the string: positions three less than the byte offsets.
    const LONG string = LONG(core::RichEditPosition(code, code.find("\"Notepad\"")));
    EXPECT_EQ(LONG(code.find("\"Notepad\"")) - 3, string);
    CHARFORMAT2A s = FormatAt(editor.handle(), string, string + 9);
    EXPECT_EQ(RGB(0, 0, 255), s.crTextColor);
    const LONG keyword = LONG(core::RichEditPosition(code, code.find("if")));
    CHARFORMAT2A k = FormatAt(editor.handle(), keyword, keyword + 2);
    EXPECT_TRUE(k.dwEffects & CFE_BOLD);
    CHARFORMAT2A plain = FormatAt(editor.handle(), keyword + 4, keyword + 7); // "wnd"
    EXPECT_FALSE(plain.dwEffects & CFE_BOLD);
    EXPECT_NE(RGB(0, 0, 255), plain.crTextColor);
    EXPECT_NE(0, GetWindowLongA(editor.handle(), GWL_STYLE) & ES_READONLY);
}

TEST(FindWndCoder, ChainAndCodeOfAnEditInsideADialog) {
    TestSettings settings;
    OstrelSettings->SelectCodeLanguage();
    Host top("Top window", "CodegenTestTop");
    HWND dialog = CreateWindowExA(WS_EX_CONTROLPARENT, "#32770", "Inner", WS_CHILD | WS_VISIBLE, 0, 0, 300,
                                  200, top.handle(), HMENU(INT_PTR(7)), nullptr, nullptr);
    HWND before = CreateWindowExA(0, "STATIC", "label", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, dialog,
                                  HMENU(INT_PTR(1000)), nullptr, nullptr);
    HWND edit = CreateWindowExA(0, "EDIT", "it's \"typed\"", WS_CHILD | WS_VISIBLE, 0, 30, 100, 20, dialog,
                                HMENU(INT_PTR(1001)), nullptr, nullptr);
    ASSERT_TRUE(dialog && before && edit);

    auto* coder = new TFindWndCodeGenerator(edit); // frees itself when closed
    coder->show();
    for (WPARAM which : {ICON_BIG, ICON_SMALL})
        EXPECT_NE(0, SendMessageA(coder->handle(), WM_GETICON, which, 0)) << "its own icon, in both sizes";
    const auto& rows = coder->Rows();
    ASSERT_EQ(4u, rows.size());
    EXPECT_EQ("CodegenTestTop", rows[0].Node.ClassName);
    EXPECT_EQ("#32770", rows[1].Node.ClassName);
    EXPECT_EQ(7, rows[1].Node.ControlID);
    EXPECT_FALSE(rows[2].Node.OnPath);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(before), rows[2].Node.Window);
    EXPECT_TRUE(rows[3].Node.OnPath);
    EXPECT_EQ(1001, rows[3].Node.ControlID);
    EXPECT_EQ(2, rows[3].Level);

    const std::string expected = "var\r\n  wnd: HWND;\r\nbegin\r\n"
                                 "  wnd :=  FindWindow('CodegenTestTop', 'Top window');\r\n"
                                 "  wnd :=  FindWindowEx(wnd, 0, '#32770', 'Inner');\r\n"
                                 "  wnd :=  FindWindowEx(wnd, 0, 'Edit', 'it''s \"typed\"');\r\n"
                                 "\r\n  if wnd <> 0 then\r\n  begin\r\n\r\n  end;\r\nend;\r\n";
    EXPECT_EQ(expected, coder->Editor().code());
    testing_support::SaveScreenshotPng("findwndcoder_pascal", {top.handle(), coder->handle()});

    // Another language: the code and its highlighting follow.
    OstrelSettings->CodeLanguage = 1;
    OstrelSettings->SelectCodeLanguage();
    coder->UpdateHighlighter();
    coder->GenerateCode();
    EXPECT_EQ(core::TCodeSyntax::Cpp, coder->Editor().syntax());
    EXPECT_EQ(0u,
              coder->Editor().code().find("{\r\n\tHWND wnd;\r\n\r\n\twnd =  FindWindow(\"CodegenTestTop\""));
    EXPECT_NE(std::string::npos, coder->Editor().code().find("\"it's \\\"typed\\\"\");"));
    testing_support::SaveScreenshotPng("findwndcoder_cpp", {top.handle(), coder->handle()});
    coder->close();
    fw::application().processMessages();
}

// The generator's own window as the user works it: clicks on the drawn check boxes, the sibling rows shown
// and hidden, another number format, and a handle it cannot use.
TEST(FindWndCoder, ClicksOnTheBoxesTheSiblingRowsAndABadHandle) {
    TestSettings settings;
    OstrelSettings->SelectCodeLanguage();
    fake::MessageBoxes boxes;
    Host top("Top window", "CodegenTestTop");
    HWND edit = EditInADialogOf(top);
    auto* coder = new TFindWndCodeGenerator(edit); // frees itself when closed
    coder->show();
    SetForegroundWindow(coder->handle());
    HWND list = GetDlgItem(coder->handle(), IDC_CODER_TREE);
    // A click in a cell, 8 pixels from its left edge: on its check box.
    auto click = [&](int item, int column) {
        RECT cell{LVIR_BOUNDS, column, 0, 0};
        SendMessageA(list, LVM_GETSUBITEMRECT, item, reinterpret_cast<LPARAM>(&cell));
        const LPARAM at = MAKELPARAM(cell.left + 8, (cell.top + cell.bottom) / 2);
        PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(list, WM_LBUTTONUP, 0, at);
    };
    auto codeHas = [&](const std::string& line) {
        return WaitFor([&] { return coder->Editor().code().find(line) != std::string::npos; });
    };
    enum { colClassName = 1, colWindowText, colControlID };
    const struct {
        int item, column;
        const char* line;
    } clicks[] = {
        {3, colControlID, "wnd :=  GetDlgItem(wnd, 1001);"},
        {3, colClassName, "wnd :=  GetDlgItem(wnd, 1001);"}, // locked while the ID is in use
        {3, colControlID, "wnd :=  FindWindowEx(wnd, 0, 'Edit', 'typed');"},
        {0, colClassName, "wnd :=  FindWindow(nil, 'Top window');"},
        {0, colWindowText, "wnd :=  FindWindow(nil, 'Top window');"}, // the last of the two stays
        {0, colClassName, "wnd :=  FindWindow('CodegenTestTop', 'Top window');"},
        {2, colClassName, "wnd :=  FindWindow('CodegenTestTop', 'Top window');"}, // a sibling has no boxes
    };
    for (const auto& c : clicks) {
        click(c.item, c.column);
        EXPECT_TRUE(codeHas(c.line)) << c.item << "/" << c.column << ":\n" << coder->Editor().code();
    }
    testing_support::SaveScreenshotPng("findwndcoder_after_clicks", {top.handle(), coder->handle()});

    auto rows = [&] { return int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); };
    HWND showAll = GetDlgItem(coder->handle(), IDC_CODER_SHOWCHILDREN);
    SendMessageA(showAll, BM_CLICK, 0, 0);
    EXPECT_EQ(3, rows()) << "the label, a sibling on no path, is hidden";
    SendMessageA(showAll, BM_CLICK, 0, 0);
    EXPECT_EQ(4, rows());

    // A message-only window's parents never reach the desktop: no chain, the rows go and the code
    // stays; a good handle brings them back.
    const std::string code = coder->Editor().code();
    HWND handle = GetDlgItem(coder->handle(), IDC_CODER_HANDLE);
    HWND messageOnly =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(messageOnly);
    SetWindowTextA(handle, FormatNumber(Id(messageOnly)).c_str());
    SendMessageA(GetDlgItem(coder->handle(), IDC_CODER_UPDATETREE), BM_CLICK, 0, 0);
    DestroyWindow(messageOnly);
    ASSERT_EQ(1u, boxes.shown.size());
    EXPECT_EQ("Unable to create FindWindow-Code for window " + FormatNumber(Id(messageOnly)),
              boxes.shown[0].text);
    EXPECT_EQ("Error", boxes.shown[0].caption);
    EXPECT_EQ(coder->handle(), boxes.shown[0].owner);
    EXPECT_EQ(0, rows());
    EXPECT_EQ(code, coder->Editor().code());
    SetWindowTextA(handle, FormatNumber(Id(edit)).c_str());
    SendMessageA(GetDlgItem(coder->handle(), IDC_CODER_UPDATETREE), BM_CLICK, 0, 0);
    EXPECT_EQ(4, rows());

    auto cell = [&](int item, int column) {
        char text[64] = {};
        LVITEMA lvItem{};
        lvItem.iSubItem = column;
        lvItem.pszText = text;
        lvItem.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&lvItem));
        return std::string(text);
    };
    OstrelSettings->ParseFormat = FormatDollarHex;
    OstrelSettings->IntFormat = FormatDecimal;
    coder->UpdateIntFormat();
    EXPECT_EQ(std::to_string(Id(edit)), cell(3, 0));
    char typed[32] = {};
    GetWindowTextA(handle, typed, sizeof typed);
    EXPECT_EQ(std::to_string(Id(edit)), typed);

    SetWindowTextA(handle, "12x");
    SendMessageA(GetDlgItem(coder->handle(), IDC_CODER_UPDATETREE), BM_CLICK, 0, 0);
    ASSERT_EQ(2u, boxes.shown.size());
    EXPECT_EQ("\"12x\" is not a valid Handle-Value", boxes.shown[1].text);
    EXPECT_EQ("Error", boxes.shown[1].caption);
    EXPECT_EQ(coder->handle(), boxes.shown[1].owner);
    EXPECT_EQ(4, rows()) << "the tree stays";
    coder->close();
    fw::application().processMessages();
}

TEST(FindWndCoder, TheArrowsMoveTheFocusAmongTheBoxesAndSpaceTogglesTheFocusedOne) {
    TestSettings settings;
    OstrelSettings->SelectCodeLanguage();
    Host top("Top window", "CodegenTestTop");
    auto* coder = new TFindWndCodeGenerator(EditInADialogOf(top)); // frees itself when closed
    coder->show();
    SetForegroundWindow(coder->handle());
    HWND list = GetDlgItem(coder->handle(), IDC_CODER_TREE);
    SetFocus(list);
    ASSERT_EQ(list, GetFocus());
    auto press = [&](WPARAM key) {
        PostMessageA(list, WM_KEYDOWN, key, 1);
        if (key == VK_SPACE) PostMessageA(list, WM_CHAR, ' ', 1);
        PostMessageA(list, WM_KEYUP, key, 0xC0000001);
    };
    auto codeHas = [&](const std::string& line) {
        return WaitFor([&] { return coder->Editor().code().find(line) != std::string::npos; });
    };
    // The keyboard starts on the edit's row (the last) and its class-name box.
    const struct {
        std::vector<WPARAM> keys;
        const char* line;
    } steps[] = {
        {{VK_RIGHT, VK_RIGHT, VK_SPACE}, "wnd :=  GetDlgItem(wnd, 1001);"},
        {{VK_RIGHT, VK_SPACE}, "wnd :=  FindWindowEx(wnd, 0, 'Edit', 'typed');"}, // stays on the ID's box
        {{VK_UP, VK_UP, VK_UP, VK_UP, VK_LEFT, VK_SPACE}, "wnd :=  FindWindow('CodegenTestTop', nil);"},
        {{VK_LEFT, VK_LEFT, VK_SPACE}, "wnd :=  FindWindow('CodegenTestTop', nil);"}, // the last of the two
        {{VK_DOWN, VK_DOWN, VK_SPACE}, "wnd :=  FindWindow('CodegenTestTop', nil);"}, // a sibling: no boxes
        {{VK_DOWN, VK_RIGHT, VK_SPACE}, "wnd :=  FindWindowEx(wnd, 0, 'Edit', nil);"},
    };
    for (const auto& step : steps) {
        for (WPARAM key : step.keys) press(key);
        EXPECT_TRUE(codeHas(step.line)) << step.line << ":\n" << coder->Editor().code();
    }
    EXPECT_EQ(3, ListView_GetNextItem(list, -1, LVNI_FOCUSED));

    // The focused box wears the focus rectangle, the row's other boxes none: dots beside the box, inside the
    // row's own focus rectangle.
    UpdateWindow(list);
    HDC dc = GetDC(list);
    const bool selected = ListView_GetItemState(list, 3, LVIS_SELECTED) & LVIS_SELECTED;
    const COLORREF background = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    auto marked = [&](int column) {
        RECT cell{LVIR_BOUNDS, column, 0, 0};
        SendMessageA(list, LVM_GETSUBITEMRECT, 3, reinterpret_cast<LPARAM>(&cell));
        const int boxTop = cell.top + (cell.bottom - cell.top - 13) / 2;
        int dots = 0;
        for (int y = boxTop; y < boxTop + 13; ++y) dots += GetPixel(dc, cell.left + 2, y) != background;
        return dots;
    };
    const int focused = marked(2), others = marked(1) + marked(3);
    ReleaseDC(list, dc);
    EXPECT_GE(focused, 4);
    EXPECT_EQ(0, others);
    testing_support::SaveScreenshotPng("findwndcoder_box_toggled_from_the_keyboard",
                                       {top.handle(), coder->handle()});
    coder->close();
    fw::application().processMessages();
}

TEST(FindWndCoder, NoColumnGetsNarrowerThanSixtyPixels) {
    TestSettings settings;
    Host top("Columns");
    auto* coder = new TFindWndCodeGenerator(top.handle()); // frees itself when closed
    coder->show();
    HWND list = GetDlgItem(coder->handle(), IDC_CODER_TREE), header = ListView_GetHeader(list);
    auto width = [&](int column) { return ListView_GetColumnWidth(list, column); };
    // The divider at a column's right edge dragged far to the left, as the mouse does.
    auto drag = [&](int column, int by) {
        RECT item{};
        Header_GetItemRect(header, column, &item);
        const int y = (item.top + item.bottom) / 2;
        PostMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(item.right - 1, y));
        for (int step = 1; step <= 4; ++step)
            PostMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(item.right - 1 + by * step / 4, y));
        PostMessageA(header, WM_LBUTTONUP, 0, MAKELPARAM(item.right - 1 + by, y));
    };
    drag(1, -200);
    EXPECT_TRUE(WaitFor([&] { return width(1) == 60; })) << width(1);
    ListView_SetColumnWidth(list, 2, 20);
    EXPECT_TRUE(WaitFor([&] { return width(2) == 60; })) << width(2);
    drag(3, 40);
    EXPECT_TRUE(WaitFor([&] { return width(3) == 148; })) << "wider as asked: " << width(3);
    coder->close();
    fw::application().processMessages();
}

TEST(FindWndCoder, AWindowThatDoesNotAnswerIsLookedUpByItsClassAlone) {
    TestSettings settings;
    OstrelSettings->SelectCodeLanguage();
    SleeperProcess sleeper("window");
    ASSERT_TRUE(sleeper.started());
    HWND hung = nullptr;
    ASSERT_TRUE(
        WaitFor([&] { return (hung = sleeper.findWindow("OstrelHungWindow", nullptr, false)) != nullptr; }));

    auto* coder = new TFindWndCodeGenerator(hung); // frees itself when closed
    coder->show();
    ASSERT_EQ(1u, coder->Rows().size());
    const core::TWndCodeNode& node = coder->Rows()[0].Node;
    EXPECT_EQ("<SendMessage timed out>", node.WindowText) << "shown as the window information has it";
    EXPECT_EQ(core::ccClassName, node.Checks);
    EXPECT_EQ((core::TCheckLook{false, true}), core::CheckLook(node, core::TCodeCheckBox::WindowText));
    EXPECT_EQ("var\r\n  wnd: HWND;\r\nbegin\r\n"
              "  wnd :=  FindWindow('OstrelHungWindow', nil);\r\n"
              "\r\n  if wnd <> 0 then\r\n  begin\r\n\r\n  end;\r\nend;\r\n",
              coder->Editor().code());
    testing_support::SaveScreenshotPng("findwndcoder_hung_window", {coder->handle()});
    coder->close();
    fw::application().processMessages();
}

TEST(FindWndCoder, EscClosesTheWindowFromEachOfItsControls) {
    TestSettings settings;
    Host top("Esc target");
    for (int id :
         {IDC_CODER_HANDLE, IDC_CODER_UPDATETREE, IDC_CODER_SHOWCHILDREN, IDC_CODER_TREE, IDC_CODER_CODE}) {
        auto* coder = new TFindWndCodeGenerator(top.handle()); // frees itself when closed
        coder->show();
        SetForegroundWindow(coder->handle());
        HWND control = GetDlgItem(coder->handle(), id), window = coder->handle();
        SetFocus(control);
        ASSERT_EQ(control, GetFocus()) << id;
        PostMessageA(control, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageA(control, WM_KEYUP, VK_ESCAPE, 0xC0010001);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(window); })) << id;
        if (IsWindow(window)) coder->close();
    }
}

TEST(FinderPopup, OpensBesideTheButtonAndPostsTheCommandWithTheHolderWindow) {
    EnsureApplication();
    Host main("main form");
    fw::Form* previousMain = fw::application().mainForm();
    fw::application().setMainForm(&main);
    Host holder("Find Window");
    TToolWindowPanel panel(holder.handle(), 200, 20);
    panel.FormClass = &TFinderToolWnd::Create;
    panel.SetShowDirection(core::sdRight);

    SendMessageA(panel.handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    ASSERT_NE(nullptr, panel.Form());
    RECT button{}, popup{};
    GetWindowRect(panel.handle(), &button);
    GetWindowRect(panel.Form()->handle(), &popup);
    EXPECT_EQ(button.right, popup.left);
    EXPECT_EQ(button.top, popup.top);
    EXPECT_TRUE(GetWindowLongA(panel.Form()->handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE((GetWindowLongA(panel.Form()->handle(), GWL_STYLE) & WS_CAPTION) == WS_CAPTION);
    RECT client{};
    GetClientRect(panel.Form()->handle(), &client);
    EXPECT_EQ(166, client.right);
    EXPECT_EQ(72, client.bottom);

    // A second entry shows no second pop-up.
    TToolWindowForm* first = panel.Form();
    SendMessageA(panel.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(first, panel.Form());
    testing_support::SaveScreenshotPng("finder_popup", {holder.handle(), first->handle()});

    // "Properties": the second item.
    HWND form = panel.Form()->handle();
    SendMessageA(form, WM_MOUSEMOVE, 0, MAKELPARAM(20, 37));
    testing_support::SaveScreenshotPng("finder_popup_item_under_the_mouse", {holder.handle(), form});
    SendMessageA(form, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 37));
    SendMessageA(form, WM_LBUTTONUP, 0, MAKELPARAM(20, 37));
    EXPECT_EQ(nullptr, panel.Form()) << "released after the click";
    ASSERT_TRUE(WaitFor([&] { return !main.posted.empty(); }));
    EXPECT_EQ(WPARAM(fcProperties), main.posted[0].wParam);
    EXPECT_EQ(reinterpret_cast<LPARAM>(holder.handle()), main.posted[0].lParam);
    EXPECT_FALSE(IsWindow(form)) << "the pop-up's window is gone once its message is done";
    fw::application().setMainForm(previousMain);
}

TEST(FinderPopup, ClosesAfterTheMouseLeft) {
    EnsureApplication();
    Host holder("holder");
    TToolWindowPanel panel(holder.handle(), 10, 10);
    panel.FormClass = &TFinderToolWnd::Create;
    panel.DelayTime = 50;
    SendMessageA(panel.handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    ASSERT_NE(nullptr, panel.Form());
    // The cursor is elsewhere and the pop-up is not active: the timer takes it away.
    SetCursorPos(0, GetSystemMetrics(SM_CYSCREEN) - 1);
    SendMessageA(panel.handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return panel.Form() == nullptr; }));
}

namespace {

// Windows 2000 and XP take the non-client metrics only in their own structure size.
void* systemParameters = nullptr;
BOOL WINAPI OlderSystemParameters(UINT action, UINT param, void* data, UINT update) {
    const UINT olderSize = 340;
    if (action == SPI_GETNONCLIENTMETRICS &&
        (param != olderSize || static_cast<NONCLIENTMETRICSA*>(data)->cbSize != olderSize)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return reinterpret_cast<decltype(&SystemParametersInfoA)>(systemParameters)(action, param, data, update);
}

// The item's pixels as it paints itself, plain and highlighted.
std::vector<COLORREF> ItemPixels(HWND host) {
    const int width = 166, height = 25;
    std::vector<COLORREF> pixels;
    for (bool hot : {false, true}) {
        TOstrelToolMenu item(host, RECT{0, 0, width, height}, 1, "Create FindWindow-Code");
        item.Hot = hot;
        fw::WindowDC screen(nullptr);
        fw::Bitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
        fw::MemoryDC dc(CreateCompatibleDC(screen.get()));
        fw::Selection selected(dc.get(), bitmap.get());
        item.Paint(dc.get());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(dc.get(), x, y));
    }
    return pixels;
}

} // namespace

TEST(FinderPopup, ItemsKeepTheMessageFontOnSystemsThatTakeOnlyTheOlderMetricsSize) {
    EnsureApplication();
    Host host("menu host");
    const std::vector<COLORREF> current = ItemPixels(host.handle());
    ImportPatch older("user32.dll", "SystemParametersInfoA", reinterpret_cast<void*>(&OlderSystemParameters));
    ASSERT_TRUE(older.installed());
    systemParameters = older.original();
    EXPECT_TRUE(current == ItemPixels(host.handle())) << "the text is drawn in another font";
}

TEST(WndSearch, FinderPopupOfTheSearchWindowLeadsToTheCodeOfAHelpersEdit) {
    EnsureApplication();
    testing_support::ChildProcess target('"' + testing_support::BuildPath("ostrel_codetarget.exe") + '"');
    ASSERT_TRUE(target.started());
    HWND top = target.waitWindow("OstrelCodeTarget", "ostrel code target", 10000);
    ASSERT_NE(nullptr, top);
    HWND inner = FindWindowExA(top, nullptr, "#32770", nullptr);
    HWND edit = FindWindowExA(inner, nullptr, "Edit", nullptr);
    ASSERT_NE(nullptr, edit);

    Host main("main form");
    fw::Form* previousMain = fw::application().mainForm();
    fw::application().setMainForm(&main);
    auto* search = new TWndSearchForm; // frees itself when closed
    search->show();
    // What a drag of the finder over the edit reports.
    search->FindWndPanel.OnFoundWnd(edit);
    auto text = [](HWND control) {
        char buffer[256] = {};
        GetWindowTextA(control, buffer, sizeof buffer);
        return std::string(buffer);
    };
    EXPECT_EQ("it's \"typed\"", text(search->WndCaption.handle()));
    EXPECT_EQ("it's \"typed\"", search->WndCaption.Hint());
    testing_support::SaveScreenshotPng("window_search", {top, search->handle()});

    // "Create FindWindow-Code" in the search window's pop-up names the search window. The helper's
    // window lies where the pop-up opens, as a foreign window under it.
    RECT arrow{};
    GetWindowRect(search->ToolWindowPanel->handle(), &arrow);
    SetWindowPos(top, nullptr, arrow.right - 60, arrow.top - 40, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(search->ToolWindowPanel->handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    ASSERT_NE(nullptr, search->ToolWindowPanel->Form());
    HWND popup = search->ToolWindowPanel->Form()->handle();
    testing_support::SaveScreenshotPng("window_search_finder_popup", {top, search->handle(), popup});
    SendMessageA(popup, WM_MOUSEMOVE, 0, MAKELPARAM(20, 62));
    SendMessageA(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 62));
    SendMessageA(popup, WM_LBUTTONUP, 0, MAKELPARAM(20, 62));
    ASSERT_TRUE(WaitFor([&] { return !main.posted.empty(); }));
    EXPECT_EQ(WPARAM(fcCreateFindWndCode), main.posted[0].wParam);
    EXPECT_EQ(reinterpret_cast<LPARAM>(search->handle()), main.posted[0].lParam);

    // As the main form carries it out: the handle field names the window.
    bool error = true;
    const std::uint32_t value = ParseWindowHandle(text(search->WndHandle()), error);
    ASSERT_FALSE(error);
    auto* coder = new TFindWndCodeGenerator(reinterpret_cast<HWND>(UINT_PTR(value)));
    coder->show();
    EXPECT_EQ("var\r\n  wnd: HWND;\r\nbegin\r\n"
              "  wnd :=  FindWindow('OstrelCodeTarget', 'ostrel code target');\r\n"
              "  wnd :=  FindWindowEx(wnd, 0, '#32770', 'Inner');\r\n"
              "  wnd :=  FindWindowEx(wnd, 0, 'Edit', 'it''s \"typed\"');\r\n"
              "\r\n  if wnd <> 0 then\r\n  begin\r\n\r\n  end;\r\nend;\r\n",
              coder->Editor().code());
    coder->close();
    search->close();
    fw::application().processMessages();
    fw::application().setMainForm(previousMain);
}

// Typed into the search window's edits as the keyboard does; Enter as the dialog manager takes it.
TEST(WndSearch, TypedClassCaptionAndHandleLookTheWindowUp) {
    TestSettings settings;
    fake::MessageBoxes boxes;
    Host first("searched twin", "WndSearchTestTarget");
    Host second("searched twin", "WndSearchTestTarget");
    Host other("other caption", "WndSearchTestOther");
    auto* search = new TWndSearchForm; // frees itself when closed
    search->show();
    SetForegroundWindow(search->handle());
    for (WPARAM which : {ICON_BIG, ICON_SMALL})
        EXPECT_NE(0, SendMessageA(search->handle(), WM_GETICON, which, 0)) << "its own icon, in both sizes";
    HWND handle = search->WndHandle(), caption = search->WndCaption.handle();
    HWND className = GetDlgItem(search->handle(), IDC_SEARCH_CLASS);
    auto text = [](HWND control) {
        char buffer[256] = {};
        GetWindowTextA(control, buffer, sizeof buffer);
        return std::string(buffer);
    };
    auto type = [](HWND edit, const std::string& typed) {
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        PostMessageA(edit, WM_KEYDOWN, VK_DELETE, 1);
        for (char c : typed) PostMessageA(edit, WM_CHAR, WPARAM(BYTE(c)), 1);
    };
    auto enter = [](HWND edit) {
        SetFocus(edit);
        PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
        PostMessageA(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
    };
    auto shows = [&](HWND control, const std::string& expected) {
        return WaitFor([&] { return text(control) == expected; });
    };
    HWND upper = FindWindowA("WndSearchTestTarget", nullptr);
    HWND lower = upper == first.handle() ? second.handle() : first.handle();
    const std::string topmostTarget = FormatNumber(Id(upper));

    // A class alone finds the first top-level window of that class; with a caption both must match.
    type(className, "WndSearchTestTarget");
    EXPECT_TRUE(shows(handle, topmostTarget)) << text(handle);
    type(caption, "other caption");
    EXPECT_TRUE(shows(handle, "<no window found>")) << text(handle);
    type(className, "");
    EXPECT_TRUE(shows(handle, FormatNumber(Id(other.handle())))) << "the caption alone";

    // Enter on a handle fills caption and class, and those texts look nothing up: the lower twin stays.
    type(handle, FormatNumber(Id(lower)));
    enter(handle);
    EXPECT_TRUE(shows(className, "WndSearchTestTarget")) << text(className);
    EXPECT_EQ("searched twin", text(caption));
    EXPECT_EQ(FormatNumber(Id(lower)), text(handle));
    EXPECT_TRUE(boxes.shown.empty());
    testing_support::SaveScreenshotPng("window_search_typed_handle", {search->handle()});

    // The finder dragged onto the lower twin, set apart from the others, fills the fields the same way,
    // and they look nothing up.
    type(handle, "");
    SetWindowPos(lower, nullptr, 800, 660, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT r;
    GetWindowRect(lower, &r);
    HWND finder = search->FindWndPanel.handle();
    PostMessageA(finder, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ASSERT_TRUE(MoveCursorTo({(r.left + r.right) / 2, (r.top + r.bottom) / 2}));
    PostMessageA(finder, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(shows(handle, FormatNumber(Id(lower)))) << text(handle);
    PostMessageA(finder, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(shows(className, "WndSearchTestTarget")) << text(className);
    EXPECT_EQ("searched twin", text(caption));
    EXPECT_EQ("searched twin", search->WndCaption.Hint());
    fw::application().processMessages();
    EXPECT_EQ(FormatNumber(Id(lower)), text(handle)) << "looked up by its texts";

    // Enter in the class edit reads the handle too; a bad handle is the parser's message.
    type(handle, "12x");
    enter(className);
    ASSERT_TRUE(WaitFor([&] { return !boxes.shown.empty(); }));
    EXPECT_EQ("\"12x\" is not a valid Handle-Value", boxes.shown[0].text);
    EXPECT_EQ("Error", boxes.shown[0].caption);
    EXPECT_EQ(fw::application().handle(), boxes.shown[0].owner);

    // A handle that is no window, as the finder could report one that went.
    HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    search->FindWndPanel.OnFoundWnd(gone);
    ASSERT_EQ(2u, boxes.shown.size());
    EXPECT_EQ(FormatNumber(Id(gone)) + " is not a Window", boxes.shown[1].text);
    EXPECT_EQ("Invalid Handle", boxes.shown[1].caption);
    EXPECT_EQ(search->handle(), boxes.shown[1].owner);

    // Another number format: the handle follows, a text that is no number stays.
    type(handle, FormatNumber(Id(second.handle())));
    EXPECT_TRUE(shows(handle, FormatNumber(Id(second.handle()))));
    OstrelSettings->ParseFormat = FormatDollarHex;
    OstrelSettings->IntFormat = FormatDecimal;
    search->UpdateIntFormat();
    EXPECT_EQ(std::to_string(Id(second.handle())), text(handle));
    SetWindowTextA(handle, "<no window found>");
    search->UpdateIntFormat();
    EXPECT_EQ("<no window found>", text(handle));
    search->close();
    fw::application().processMessages();
}

TEST(WndSearch, HideOstrelRestoresExactlyTheWindowsThatWereVisible) {
    TestSettings settings;
    fw::Form* previousMain = fw::application().mainForm();
    {
        TOstrelMainForm main;
        main.show();
        fw::application().setMainForm(&main);
        auto* shown = CreateChildForm<TFindWndCodeGenerator>(HWND(nullptr));
        auto* hidden = CreateChildForm<TFindWndCodeGenerator>(HWND(nullptr));
        auto* search = CreateChildForm<TWndSearchForm>();
        ASSERT_TRUE(shown && hidden && search);
        hidden->hide();

        auto clickHide = [&] {
            SendMessageA(GetDlgItem(search->handle(), IDC_SEARCH_HIDEOSTREL), BM_CLICK, 0, 0);
        };
        clickHide();
        EXPECT_FALSE(IsWindowVisible(shown->handle()));
        EXPECT_FALSE(IsWindowVisible(main.handle()));
        EXPECT_TRUE(IsWindowVisible(search->handle()));

        auto* opened = CreateChildForm<TFindWndCodeGenerator>(HWND(nullptr)); // while the program is hidden
        ASSERT_NE(nullptr, opened);
        clickHide();
        EXPECT_TRUE(IsWindowVisible(shown->handle()));
        EXPECT_FALSE(IsWindowVisible(hidden->handle()));
        EXPECT_TRUE(IsWindowVisible(opened->handle()));
        EXPECT_TRUE(IsWindowVisible(main.handle()));

        // Closing while hidden brings everything back first.
        clickHide();
        search->close();
        fw::application().processMessages();
        EXPECT_TRUE(IsWindowVisible(shown->handle()));
        EXPECT_TRUE(IsWindowVisible(main.handle()));

        // Docked as an app bar, the main form stays while the other windows go.
        OstrelSettings->AppBarDocking = true;
        auto* docked = CreateChildForm<TWndSearchForm>();
        ASSERT_NE(nullptr, docked);
        SendMessageA(GetDlgItem(docked->handle(), IDC_SEARCH_HIDEOSTREL), BM_CLICK, 0, 0);
        EXPECT_FALSE(IsWindowVisible(shown->handle()));
        EXPECT_TRUE(IsWindowVisible(main.handle()));
        SendMessageA(GetDlgItem(docked->handle(), IDC_SEARCH_HIDEOSTREL), BM_CLICK, 0, 0);
        EXPECT_TRUE(IsWindowVisible(shown->handle()));
        docked->close();
        fw::application().processMessages();
        fw::application().setMainForm(previousMain);
    }
    fw::application().processMessages();
}
