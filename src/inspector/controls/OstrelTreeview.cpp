#include "controls/OstrelTreeview.h"
#include "core/HintText.h"
#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/Handles.h"

#include <windowsx.h>

#include <algorithm>
#include <numeric>

namespace {
constexpr int textMargin = 4;
constexpr int indentWidth = 16;
constexpr int glyphBox = 9;
constexpr int glyphSpace = 14;
constexpr int iconSpace = 18;
constexpr UINT_PTR subclassId = 1;
const char searchWord[] = "Searching";

class SelectedFont {
public:
    SelectedFont(HDC dc, HWND window) : dc_(dc) {
        if (auto font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)))
            old_ = SelectObject(dc, font);
    }
    ~SelectedFont() {
        if (old_) SelectObject(dc_, old_);
    }
    SelectedFont(const SelectedFont&) = delete;
    SelectedFont& operator=(const SelectedFont&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

} // namespace

TOstrelTreeview::~TOstrelTreeview() {
    if (HWND hwnd = handle()) {
        KillTimer(hwnd, searchTimerId);
        RemoveWindowSubclass(hwnd, &TOstrelTreeview::subclassProc, subclassId);
    }
    if (tooltip_ && IsWindow(tooltip_)) DestroyWindow(tooltip_);
}

void TOstrelTreeview::Create(HWND parent, int id, const RECT& r) {
    HWND hwnd = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT |
                                    LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SINGLESEL,
                                r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                fw::application().instance(), nullptr);
    if (!hwnd) throw fw::Exception("Cannot create the list tree");
    attach(hwnd);
    ListView_SetExtendedListViewStyle(hwnd, LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP);
    SetWindowSubclass(hwnd, &TOstrelTreeview::subclassProc, subclassId, reinterpret_cast<DWORD_PTR>(this));

    // The list view of the test platform never asks for info tips, so the hints have a tooltip of
    // their own, placed by us.
    tooltip_ = CreateWindowExA(
        WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd, nullptr, fw::application().instance(), nullptr);
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_IDISHWND;
    tool.hwnd = hwnd;
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd);
    tool.lpszText = const_cast<char*>("");
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, 2000);
}

int TOstrelTreeview::AddColumn(const Column& column) {
    LVCOLUMNA lvc{};
    lvc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    lvc.fmt = column.RightAligned ? LVCFMT_RIGHT : LVCFMT_LEFT;
    lvc.cx = column.Width;
    lvc.pszText = const_cast<char*>(column.Caption.c_str());
    int index = ColumnCount();
    SendMessageA(handle(), LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&lvc));
    kindSettings_.push_back({});
    return index;
}

void TOstrelTreeview::SetColumnCaption(int column, const std::string& caption) {
    LVCOLUMNA lvc{};
    lvc.mask = LVCF_TEXT;
    lvc.pszText = const_cast<char*>(caption.c_str());
    SendMessageA(handle(), LVM_SETCOLUMNA, column, reinterpret_cast<LPARAM>(&lvc));
    // Wine's list control writes the header item's whole format with its text, arrow and all.
    updateSortArrow(column);
}

int TOstrelTreeview::MainColumn() const {
    int count = ColumnCount();
    if (count <= 1) return 0;
    std::vector<int> order(count);
    if (!ListView_GetColumnOrderArray(handle(), count, order.data())) return 0;
    return order[0];
}

void TOstrelTreeview::Clear() {
    rows_.clear();
    model_.clear();
    hideHint();
    ListView_SetItemCount(handle(), 0);
}

void TOstrelTreeview::Refresh() {
    if (searchDisplay_) return; // the model belongs to the worker now
    Node* focused = FocusedNode();
    rows_ = model_.flatten();
    ListView_SetItemCountEx(handle(), int(rows_.size()), LVSICF_NOSCROLL);
    if (focused) FocusNode(focused);
    InvalidateRect(handle(), nullptr, TRUE);
}

void TOstrelTreeview::ChangeRows(const std::function<void(Model&)>& change) {
    int focused = ListView_GetNextItem(handle(), -1, LVNI_FOCUSED);
    hideHint();
    // The visible rows may point into what goes: they are not looked at again before the new ones.
    rows_.clear();
    change(model_);
    rows_ = model_.flatten();
    ListView_SetItemCountEx(handle(), int(rows_.size()), LVSICF_NOSCROLL);
    if (!rows_.empty() && focused >= 0) FocusNode(rows_[std::min<std::size_t>(focused, rows_.size() - 1)]);
    InvalidateRect(handle(), nullptr, TRUE);
}

void TOstrelTreeview::SetExpanded(Node* node, bool expanded) {
    if (!node || node->expanded == expanded) return;
    node->expanded = expanded;
    Refresh();
}

TOstrelTreeview::Node* TOstrelTreeview::VisibleRow(int index) const {
    return index >= 0 && index < int(rows_.size()) ? rows_[index] : nullptr;
}

TOstrelTreeview::Node* TOstrelTreeview::FocusedNode() const {
    return VisibleRow(ListView_GetNextItem(handle(), -1, LVNI_FOCUSED));
}

void TOstrelTreeview::FocusNode(Node* node) {
    auto it = std::find(rows_.begin(), rows_.end(), node);
    if (it == rows_.end()) return;
    int index = int(it - rows_.begin());
    ListView_SetItemState(handle(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(handle(), index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(handle(), index, FALSE);
}

std::string TOstrelTreeview::Text(const Node& node, int column) const {
    if (column < 0 || column >= ColumnCount()) return {};
    return CellText(node.data, kindSettings_[column], OnFormatText);
}

std::string TOstrelTreeview::Hint(const Node& node, int column) const {
    std::string text = Text(node, column);
    if (text.empty()) return {};
    fw::WindowDC dc(handle());
    SelectedFont font(dc.get(), handle());
    SIZE size{};
    GetTextExtentPoint32A(dc.get(), text.c_str(), int(text.size()), &size);
    int room = ListView_GetColumnWidth(handle(), column) - 2 * textMargin - textOffset(node, column);
    if (room >= size.cx) return {};
    return core::SplitHintText(text);
}

int TOstrelTreeview::ImageIndex(const Node& node, int column) const {
    return column == MainColumn() ? int(node.data.Kind) : -1;
}

void TOstrelTreeview::SetSort(int column, TSortDirection direction) {
    sortColumn_ = column;
    sortDirection_ = direction;
    updateSortArrows();
}

void TOstrelTreeview::SortTree(int column, TSortDirection direction) {
    if (column < 0 || column >= ColumnCount()) return;
    SortRows(model_, kindSettings_[column], direction == sdAscending);
    SetSort(column, direction);
    Refresh();
}

void TOstrelTreeview::HeaderClick(int column) {
    TSortDirection direction = sdDescending;
    if (column == sortColumn_) direction = sortDirection_ == sdDescending ? sdAscending : sdDescending;
    SortTree(column, direction);
}

void TOstrelTreeview::updateSortArrows() {
    for (int i = 0; i < ColumnCount(); ++i) updateSortArrow(i);
}

void TOstrelTreeview::updateSortArrow(int column) {
    HWND header = ListView_GetHeader(handle());
    HDITEMA item{};
    item.mask = HDI_FORMAT;
    SendMessageA(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item));
    const int shown = item.fmt;
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    // Descending puts the smallest numbers and texts first: the arrow shows what the user sees.
    if (column == sortColumn_) item.fmt |= sortDirection_ == sdDescending ? HDF_SORTUP : HDF_SORTDOWN;
    // Each change lays out and repaints the header: a fill sets the arrows twice.
    if (item.fmt != shown) SendMessageA(header, HDM_SETITEMA, column, reinterpret_cast<LPARAM>(&item));
}

void TOstrelTreeview::BeginSearchDisplay() {
    hideHint();
    searchDisplay_ = true;
    searchTick_ = false;
    searchDots_ = 0;
    SetTimer(handle(), searchTimerId, searchInterval, nullptr);
    UpdateWindow(handle());
}

void TOstrelTreeview::EndSearchDisplay() {
    searchDisplay_ = false;
    KillTimer(handle(), searchTimerId);
    // Painted with the next paint: the list still expands, focuses and filters its rows after this.
    Refresh();
}

void TOstrelTreeview::CancelSearchDisplay() {
    KillTimer(handle(), searchTimerId);
    searchDisplay_ = false;
    Clear();
    InvalidateRect(handle(), nullptr, TRUE);
    UpdateWindow(handle());
}

void TOstrelTreeview::paintSearchDisplay() {
    fw::PaintDC painting(handle());
    HDC dc = painting.get();
    RECT area;
    GetClientRect(handle(), &area);
    RECT header;
    if (GetWindowRect(ListView_GetHeader(handle()), &header) &&
        IsWindowVisible(ListView_GetHeader(handle()))) {
        MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT*>(&header), 2);
        area.top = std::max(area.top, header.bottom);
    }
    FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
    searchTick_ = false;
    searchDots_ = (searchDots_ + 1) % 4;
    {
        SelectedFont font(dc, handle());
        SIZE size{};
        GetTextExtentPoint32A(dc, searchWord, int(sizeof searchWord - 1), &size);
        int left = area.left + (area.right - area.left - size.cx) / 2;
        int top = area.top + (area.bottom - area.top - size.cy) / 2;
        std::string text = searchWord + std::string(searchDots_, '.');
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        TextOutA(dc, left, top, text.c_str(), int(text.size()));
    }
}

RECT TOstrelTreeview::cellRect(int row, int column) const {
    RECT r{};
    ListView_GetItemRect(handle(), row, &r, LVIR_BOUNDS);
    int count = ColumnCount();
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    if (count > 1) ListView_GetColumnOrderArray(handle(), count, order.data());
    int left = r.left;
    for (int index : order) {
        int width = ListView_GetColumnWidth(handle(), index);
        if (index == column) {
            r.left = left;
            r.right = left + width;
            break;
        }
        left += width;
    }
    return r;
}

int TOstrelTreeview::glyphLeft(const Node& node, int cellLeft) const {
    return cellLeft + 2 + node.depth * indentWidth;
}

int TOstrelTreeview::textOffset(const Node& node, int column) const {
    if (column != MainColumn()) return 0;
    return 2 + node.depth * indentWidth + glyphSpace + (images_ ? iconSpace : 0);
}

void TOstrelTreeview::drawMainCell(HDC dc, int row, const RECT& cell) {
    Node* node = VisibleRow(row);
    if (!node) return;
    bool selected = ListView_GetItemState(handle(), row, LVIS_SELECTED) & LVIS_SELECTED;
    bool focused = GetFocus() == handle();
    int background = selected ? (focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE) : COLOR_WINDOW;
    int foreground = selected && focused ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT;
    FillRect(dc, &cell, GetSysColorBrush(background));

    int x = glyphLeft(*node, cell.left);
    int middle = (cell.top + cell.bottom) / 2;
    if (!node->children.empty()) {
        RECT box{x, middle - glyphBox / 2, x + glyphBox, middle - glyphBox / 2 + glyphBox};
        FrameRect(dc, &box, GetSysColorBrush(COLOR_GRAYTEXT));
        RECT bar{box.left + 2, middle, box.right - 2, middle + 1};
        FillRect(dc, &bar, GetSysColorBrush(foreground));
        if (!node->expanded) {
            RECT stem{x + glyphBox / 2, box.top + 2, x + glyphBox / 2 + 1, box.bottom - 2};
            FillRect(dc, &stem, GetSysColorBrush(foreground));
        }
    }
    x += glyphSpace;
    if (images_) {
        int cx = 16, cy = 16;
        ImageList_GetIconSize(images_, &cx, &cy);
        ImageList_Draw(images_, int(node->data.Kind), dc, x, middle - cy / 2, ILD_TRANSPARENT);
        x += iconSpace;
    }
    std::string text = Text(*node, MainColumn());
    RECT textRect{x + textMargin, cell.top, cell.right - textMargin, cell.bottom};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(foreground));
    DrawTextA(dc, text.c_str(), int(text.size()), &textRect,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

LRESULT TOstrelTreeview::customDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return searchDisplay_ ? CDRF_SKIPDEFAULT : CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        int row = int(draw.nmcd.dwItemSpec);
        if (draw.iSubItem != MainColumn()) return CDRF_DODEFAULT;
        drawMainCell(draw.nmcd.hdc, row, cellRect(row, draw.iSubItem));
        return CDRF_SKIPDEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

void TOstrelTreeview::getDispInfo(NMLVDISPINFOA& info) {
    Node* node = searchDisplay_ ? nullptr : VisibleRow(info.item.iItem);
    if (info.item.mask & LVIF_TEXT && info.item.pszText && info.item.cchTextMax > 0) {
        textBuffer_ = node ? Text(*node, info.item.iSubItem) : std::string();
        lstrcpynA(info.item.pszText, textBuffer_.c_str(), info.item.cchTextMax);
    }
    if (info.item.mask & LVIF_IMAGE) info.item.iImage = -1;
    if (info.item.mask & LVIF_INDENT) info.item.iIndent = 0;
}

bool TOstrelTreeview::onReflectedNotify(NMHDR& header, LRESULT& result) {
    switch (header.code) {
    case LVN_GETDISPINFOA:
        getDispInfo(reinterpret_cast<NMLVDISPINFOA&>(header));
        return true;
    case NM_CUSTOMDRAW:
        result = customDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
        return true;
    case LVN_COLUMNCLICK:
        HeaderClick(reinterpret_cast<NMLISTVIEW&>(header).iSubItem);
        return true;
    default:
        return false;
    }
}

bool TOstrelTreeview::onKey(WPARAM key) {
    Node* node = FocusedNode();
    if (!node) return false;
    bool parent = !node->children.empty();
    switch (key) {
    case VK_ADD:
    case VK_OEM_PLUS:
        SetExpanded(node, true);
        return true;
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
        SetExpanded(node, false);
        return true;
    case VK_RIGHT:
        if (parent && !node->expanded)
            SetExpanded(node, true);
        else if (parent)
            FocusNode(node->children.front().get());
        return true;
    case VK_LEFT:
        if (parent && node->expanded)
            SetExpanded(node, false);
        else if (node->parent)
            FocusNode(node->parent);
        return true;
    default:
        return false;
    }
}

bool TOstrelTreeview::onClick(int row, POINT point) {
    Node* node = VisibleRow(row);
    if (!node || node->children.empty()) return false;
    RECT cell = cellRect(row, MainColumn());
    int x = glyphLeft(*node, cell.left);
    if (point.x < x - 2 || point.x >= x + glyphBox + 2) return false;
    SetExpanded(node, !node->expanded);
    return true;
}

void TOstrelTreeview::updateHint(POINT point) {
    if (!trackingMouse_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, handle(), 0};
        trackingMouse_ = TrackMouseEvent(&track) != FALSE;
    }
    LVHITTESTINFO hit{};
    hit.pt = point;
    int row = searchDisplay_
                  ? -1
                  : int(SendMessageA(handle(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    Node* node = VisibleRow(row);
    if (!node) {
        hideHint();
        return;
    }
    if (row == hintRow_ && hit.iSubItem == hintColumn_) return;
    hideHint();
    hintRow_ = row;
    hintColumn_ = hit.iSubItem;
    std::string hint = Hint(*node, hit.iSubItem);
    if (hint.empty()) return;
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = handle();
    tool.uId = reinterpret_cast<UINT_PTR>(handle());
    tool.lpszText = hint.data();
    SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    POINT screen = point;
    ClientToScreen(handle(), &screen);
    SendMessageA(tooltip_, TTM_TRACKPOSITION, 0, MAKELPARAM(screen.x + 12, screen.y + 20));
    SendMessageA(tooltip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    hintShown_ = true;
}

void TOstrelTreeview::hideHint() {
    hintRow_ = hintColumn_ = -1;
    // Hiding a hidden tip still moves its window: every fill and mouse move would pay for it.
    if (!hintShown_) return;
    hintShown_ = false;
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = handle();
    tool.uId = reinterpret_cast<UINT_PTR>(handle());
    SendMessageA(tooltip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

bool TOstrelTreeview::handleSubclassed(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_PAINT:
        if (!searchDisplay_) return false;
        // Busy: only the timer's tick may paint, so the worker's additions cost no painting.
        if (searchTick_)
            paintSearchDisplay();
        else
            ValidateRect(handle(), nullptr);
        return true;
    case WM_ERASEBKGND:
        if (!searchDisplay_) return false;
        result = 1;
        return true;
    case WM_TIMER:
        if (wParam != searchTimerId) return false;
        if (searchDisplay_) {
            searchTick_ = true;
            InvalidateRect(handle(), nullptr, FALSE);
            UpdateWindow(handle());
        }
        return true;
    case WM_KEYDOWN:
        return !searchDisplay_ && onKey(wParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (searchDisplay_) return false;
        LVHITTESTINFO hit{};
        hit.pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        int row = int(SendMessageA(handle(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        // A click on the glyph only toggles; anything else goes on to the list view.
        return onClick(row, hit.pt);
    }
    case WM_MOUSEMOVE:
        updateHint({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return false;
    case WM_MOUSELEAVE:
        trackingMouse_ = false;
        hideHint();
        return false;
    default:
        return false;
    }
}

LRESULT CALLBACK TOstrelTreeview::subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                               UINT_PTR id, DWORD_PTR data) {
    auto* self = reinterpret_cast<TOstrelTreeview*>(data);
    if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &TOstrelTreeview::subclassProc, id);
    try {
        LRESULT result = 0;
        if (message != WM_NCDESTROY && self->handleSubclassed(message, wParam, lParam, result)) return result;
    } catch (...) {
        fw::application().handleException(std::current_exception());
        return 0;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}
