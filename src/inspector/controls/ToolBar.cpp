#include "controls/ToolBar.h"
#include "framework/Application.h"
#include "framework/Exceptions.h"

#include <algorithm>
#include <iterator>

void TToolBar::Create(HWND parent, int id, HIMAGELIST images, HIMAGELIST disabledImages,
                      std::span<const TToolButton> buttons, HWND rebar) {
    buttons_.assign(buttons.begin(), buttons.end());
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER;
    if (rebar) style |= CCS_NORESIZE | CCS_NOPARENTALIGN;
    HWND bar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", style, 0, 0, 0, 0, rebar ? rebar : parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               fw::application().instance(), nullptr);
    if (!bar) throw fw::Exception("Cannot create a tool bar");
    attach(bar);
    SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    SendMessageA(bar, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(disabledImages));
    std::vector<TBBUTTON> items;
    for (const TToolButton& b : buttons_) {
        TBBUTTON item{};
        item.iBitmap = b.Command ? b.Image : 0;
        item.idCommand = b.Command;
        item.fsState = TBSTATE_ENABLED;
        item.fsStyle = b.Command ? BTNS_BUTTON : BTNS_SEP;
        item.iString = -1;
        items.push_back(item);
    }
    SendMessageA(bar, TB_ADDBUTTONSA, items.size(), reinterpret_cast<LPARAM>(items.data()));
    SendMessageA(bar, TB_AUTOSIZE, 0, 0);
    // The bar's tooltip asks its owner, the bar's parent, for the text.
    if (HWND tips = reinterpret_cast<HWND>(SendMessageA(bar, TB_GETTOOLTIPS, 0, 0)))
        SendMessageA(tips, TTM_SETMAXTIPWIDTH, 0, 400);
    if (rebar) {
        SIZE size = IdealSize();
        REBARBANDINFOA band{};
        band.cbSize = sizeof band;
        band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_SIZE | RBBIM_IDEALSIZE;
        band.fStyle = RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS;
        band.hwndChild = bar;
        band.cxMinChild = size.cx;
        band.cyMinChild = size.cy;
        band.cx = band.cxIdeal = size.cx;
        SendMessageA(rebar, RB_INSERTBANDA, WPARAM(-1), reinterpret_cast<LPARAM>(&band));
    }
}

void TToolBar::Enable(int command, bool enabled) {
    SendMessageA(handle(), TB_ENABLEBUTTON, command, MAKELPARAM(enabled ? TRUE : FALSE, 0));
}

bool TToolBar::Enabled(int command) const {
    return SendMessageA(handle(), TB_ISBUTTONENABLED, command, 0) != 0;
}

void TToolBar::SetImage(int command, int image) {
    SendMessageA(handle(), TB_CHANGEBITMAP, command, MAKELPARAM(image, 0));
}

SIZE TToolBar::IdealSize() const {
    SIZE size{};
    RECT r{};
    int count = int(SendMessageA(handle(), TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        if (SendMessageA(handle(), TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r))) {
            size.cx = std::max<LONG>(size.cx, r.right);
            size.cy = std::max<LONG>(size.cy, r.bottom);
        }
    return size;
}

bool TToolBar::AnswerHint(NMHDR& header) const {
    if (header.code != TTN_GETDISPINFOA && header.code != TTN_GETDISPINFOW) return false;
    for (const TToolButton& b : buttons_) {
        if (!b.Command || UINT_PTR(b.Command) != header.idFrom) continue;
        if (header.code == TTN_GETDISPINFOA) {
            auto& info = reinterpret_cast<NMTTDISPINFOA&>(header);
            info.lpszText = const_cast<char*>(b.Hint);
            info.hinst = nullptr;
        } else {
            auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
            MultiByteToWideChar(CP_ACP, 0, b.Hint, -1, info.szText, int(std::size(info.szText)));
            info.lpszText = info.szText;
            info.hinst = nullptr;
        }
        return true;
    }
    return false;
}
