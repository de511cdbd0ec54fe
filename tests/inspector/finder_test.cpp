// The finder tool on windows of our own: the window-at-point rule on real windows, the frame on the
// screen and its removal, the drag's events, and the hint edit.
#include "controls/FindWndPanel.h"
#include "framework/Application.h"
#include "support/Cursor.h"
#include "support/ListFakes.h"
#include "support/Screenshot.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Static controls let the mouse through to what lies below; top-level windows of this class do not.
const char* TopClass() {
    static const char* name = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = "OstrelFinderTestWindow";
        RegisterClassA(&wc);
        return wc.lpszClassName;
    }();
    return name;
}

HWND Make(HWND parent, int x, int y, int w, int h, bool visible = true, const char* cls = nullptr) {
    if (!cls) cls = parent ? "STATIC" : TopClass();
    DWORD style = (parent ? WS_CHILD : WS_POPUP) | (visible ? WS_VISIBLE : 0);
    return CreateWindowExA(parent ? 0 : WS_EX_TOPMOST, cls, "", style, x, y, w, h, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

struct Screen {
    Screen() : dc(GetDC(nullptr)) {}
    ~Screen() { ReleaseDC(nullptr, dc); }
    COLORREF At(int x, int y) const { return GetPixel(dc, x, y) & 0xFFFFFF; }
    HDC dc;
};

void Settle() {
    PumpUntil([] { return false; }, 100);
}

class Finder : public testing::Test {
protected:
    void SetUp() override {
        fw::application().initialize(GetModuleHandleA(nullptr));
        top = Make(nullptr, 200, 200, 300, 200);
        big = Make(top, 10, 10, 200, 150);         // under the point at (50, 50) of the client
        small = Make(top, 40, 40, 30, 30);         // smaller, also holding it
        hidden = Make(top, 45, 45, 20, 20, false); // smaller still, hidden
        twin = Make(top, 45, 45, 20, 20, false);   // as small as the hidden one, visited later
        Settle();
    }
    void TearDown() override { DestroyWindow(top); }
    POINT Client(int x, int y) const {
        POINT p{x, y};
        ClientToScreen(top, &p);
        return p;
    }
    HWND top{}, big{}, small{}, hidden{}, twin{};
};

TEST_F(Finder, SmallestDescendantHoldingThePointHiddenOnesIncluded) {
    EXPECT_EQ(hidden, GetWindowAtPoint(Client(50, 50))) << "hidden and smallest; its twin comes later";
    EXPECT_EQ(small, GetWindowAtPoint(Client(68, 68)));
    EXPECT_EQ(big, GetWindowAtPoint(Client(15, 15)));
    EXPECT_EQ(top, GetWindowAtPoint(Client(250, 180))) << "no descendant there: the window itself";
    // Over a child the search starts at its parent.
    EXPECT_EQ(hidden, GetWindowAtPoint(Client(55, 55)));
}

TEST_F(Finder, FrameIsInvertedOnTheScreenAndGoesAgain) {
    Screen screen;
    RECT r;
    GetWindowRect(top, &r);
    // A top-level window's frame: the 3-pixel pen centred 1 pixel inside the edge, 2 at right and bottom.
    const POINT left{r.left + 1, (r.top + r.bottom) / 2}, inside{r.left + 10, (r.top + r.bottom) / 2};
    const COLORREF edge = screen.At(left.x, left.y), middle = screen.At(inside.x, inside.y);
    HighlightWindow(top);
    EXPECT_EQ(~edge & 0xFFFFFF, screen.At(left.x, left.y));
    EXPECT_EQ(middle, screen.At(inside.x, inside.y)) << "no fill";
    RemoveHighlight(top);
    Settle();
    EXPECT_EQ(edge, screen.At(left.x, left.y));

    // Nothing for no window or one that went (no repaint of the whole desktop, no frame left behind).
    RemoveHighlight(nullptr);
    HWND gone = Make(nullptr, 600, 200, 50, 50);
    HighlightWindow(gone);
    DestroyWindow(gone);
    RemoveHighlight(gone);
    Settle();
    EXPECT_EQ(edge, screen.At(left.x, left.y));
}

TEST_F(Finder, ATopLevelWindowsFrameLiesOnePixelFurtherInsideThanAChilds) {
    Screen screen;
    // Owned, but a top-level window all the same.
    HWND owned = CreateWindowExA(WS_EX_TOPMOST, TopClass(), "", WS_POPUP | WS_VISIBLE, 600, 200, 80, 80, top,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    Settle();
    const struct {
        HWND window;
        const char* name;
        bool child;
    } windows[] = {{big, "child", true}, {top, "top-level", false}, {owned, "owned top-level", false}};
    for (const auto& w : windows) {
        RECT r;
        GetWindowRect(w.window, &r);
        // The 3-pixel pen's right stroke: from 3 pixels inside the right edge to the edge for a child,
        // one pixel further left for a top-level window.
        const int y = (r.top + r.bottom) / 2, edge = r.right - 1, inner = r.right - 4;
        const COLORREF edgeBefore = screen.At(edge, y), innerBefore = screen.At(inner, y);
        HighlightWindow(w.window);
        EXPECT_EQ(w.child, screen.At(edge, y) == (~edgeBefore & 0xFFFFFF)) << w.name;
        EXPECT_EQ(!w.child, screen.At(inner, y) == (~innerBefore & 0xFFFFFF)) << w.name;
        RemoveHighlight(w.window);
        Settle();
    }
    DestroyWindow(owned);
}

TEST_F(Finder, TheFrameLeavesTheWindowsAboveTheFramedOneAlone) {
    Screen screen;
    RECT r;
    GetWindowRect(top, &r);
    // Above the framed window and across its left edge, as the finder's own window may lie.
    HWND cover = Make(nullptr, r.left - 50, r.top + 60, 100, 50);
    Settle();
    const POINT covered{r.left + 1, r.top + 80}, bare{r.left + 1, r.top + 20};
    const COLORREF coveredColour = screen.At(covered.x, covered.y), bareColour = screen.At(bare.x, bare.y);
    HighlightWindow(top);
    EXPECT_EQ(~bareColour & 0xFFFFFF, screen.At(bare.x, bare.y));
    EXPECT_EQ(coveredColour, screen.At(covered.x, covered.y)) << "drawn over the window above";
    testing_support::SaveScreenshotPng("finder_frame_below_a_window");
    // The window above repaints while the frame is shown (its texts change during a drag).
    RedrawWindow(cover, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RemoveHighlight(top);
    Settle();
    EXPECT_EQ(coveredColour, screen.At(covered.x, covered.y)) << "an inverted line left on the window above";
    EXPECT_EQ(bareColour, screen.At(bare.x, bare.y));
    DestroyWindow(cover);
}

TEST_F(Finder, EachDragReportsItsWindowsAndReleaseReportsNothing) {
    HWND host = Make(nullptr, 20, 20, 100, 60);
    TFindWndPanel panel;
    panel.Create(host, 1, 0, 0);
    std::vector<HWND> found;
    panel.OnFoundWnd = [&](HWND window) { found.push_back(window); };
    RealMouseBlocked onlyPostedMoves;
    auto drag = [&](std::vector<POINT> path) {
        PostMessageA(panel.handle(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
        Settle();
        for (POINT at : path) {
            MoveCursorTo(at);
            PostMessageA(panel.handle(), WM_MOUSEMOVE, MK_LBUTTON, 0);
            Settle();
        }
        PostMessageA(panel.handle(), WM_LBUTTONUP, 0, 0);
        Settle();
    };
    drag({Client(68, 68), Client(66, 66), Client(15, 15)});
    EXPECT_EQ((std::vector<HWND>{small, big}), found) << "a move within the same window reports nothing";
    EXPECT_FALSE(panel.Dragging());
    EXPECT_NE(panel.handle(), GetCapture());
    found.clear();
    drag({Client(15, 15)});
    EXPECT_EQ((std::vector<HWND>{big}), found) << "a new drag over the last drag's window reports it";
    DestroyWindow(host);
}

TEST_F(Finder, HintEditShowsItsHintWhileCtrlIsHeld) {
    HWND host = Make(nullptr, 20, 300, 200, 40);
    THintEdit edit;
    edit.Attach(Make(host, 0, 0, 200, 20, true, "EDIT"));
    edit.SetHint("a caption too long for the field it is shown in, read in full while Ctrl is held");
    auto move = [&](bool ctrl) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = ctrl ? 0x80 : 0;
        SetKeyboardState(keys);
        POINT at{10, 10};
        ClientToScreen(edit.handle(), &at);
        SetCursorPos(at.x, at.y);
        SendMessageA(edit.handle(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    };
    move(false);
    EXPECT_FALSE(edit.HintShown());
    move(true);
    EXPECT_TRUE(edit.HintShown());
    move(true);
    EXPECT_TRUE(edit.HintShown());
    move(false);
    EXPECT_FALSE(edit.HintShown());
    move(true);
    SendMessageA(edit.handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(edit.HintShown()) << "leaving the edit hides it";
    move(false);
    edit.SetHint("");
    move(true);
    EXPECT_FALSE(edit.HintShown()) << "an empty hint shows nothing";
    move(false);
    DestroyWindow(host);
}

} // namespace
