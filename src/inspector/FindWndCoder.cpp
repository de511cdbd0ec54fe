#include "FindWndCoder.h"
#include "ConstVars.h"
#include "Functions.h"
#include "InfoObjects.h"
#include "ResourceIds.h"
#include "core/NumberFormat.h"
#include "framework/Application.h"
#include "framework/MessageBox.h"
#include <windowsx.h>

#include <algorithm>

namespace {

enum Column { colHandle, colClassName, colWindowText, colControlID, columnCount };
const int upperPanelHeight = 80, splitterHeight = 4, minTreeHeight = 120, minEditorHeight = 60;
const int minWidth = 576, minHeight = 490, checkBoxSize = 13, minColumnWidth = 60;
enum RowImage { imgOnPath = 0, imgOffPath = 1 };
constexpr UINT_PTR listSubclassId = 1;

// The windows as the system has them; texts through the window information, with its time-outs.
class SystemWindows : public core::TWindowSource {
public:
    std::uint32_t Desktop() const override { return Id(GetDesktopWindow()); }
    std::uint32_t Parent(std::uint32_t wnd) const override { return Id(GetAncestor(Wnd(wnd), GA_PARENT)); }
    std::vector<std::uint32_t> Children(std::uint32_t wnd) const override {
        ChildSearch search{Wnd(wnd), {}};
        EnumChildWindows(search.parent, CollectDirectChild, reinterpret_cast<LPARAM>(&search));
        return search.children;
    }
    core::TWndCodeNode Read(std::uint32_t wnd) const override {
        TWindowInfoObject info(Wnd(wnd));
        core::TWndCodeNode node;
        node.ClassName = info.ReadClassName().toText();
        node.WindowText = info.ReadWindowText().toText();
        // Shown as it is, but no text to look the window up by.
        node.TextRead =
            node.WindowText != TextSendMessageTimedOut && node.WindowText != TextSendMessageFailed;
        std::int64_t id = 0;
        if (info.ReadControlID().toInt64(id)) node.ControlID = std::int32_t(id);
        return node;
    }

private:
    struct ChildSearch {
        HWND parent;
        std::vector<std::uint32_t> children;
    };
    // EnumChildWindows goes through all descendants: keep the direct children.
    static BOOL CALLBACK CollectDirectChild(HWND child, LPARAM param) {
        auto& search = *reinterpret_cast<ChildSearch*>(param);
        if (GetAncestor(child, GA_PARENT) == search.parent) search.children.push_back(Id(child));
        return TRUE;
    }
    static std::uint32_t Id(HWND wnd) { return std::uint32_t(reinterpret_cast<std::uintptr_t>(wnd)); }
    static HWND Wnd(std::uint32_t id) { return reinterpret_cast<HWND>(std::uintptr_t(id)); }
};

core::TCodeCheckBox BoxOf(int column) {
    switch (column) {
    case colClassName:
        return core::TCodeCheckBox::ClassName;
    case colWindowText:
        return core::TCodeCheckBox::WindowText;
    default:
        return core::TCodeCheckBox::ControlID;
    }
}

// Two small window pictures: a live caption for the path's windows, a grey one for the others. The list
// view frees the image list with itself.
HIMAGELIST MakeRowImages() {
    const COLORREF transparent = RGB(255, 0, 255);
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 0);
    fw::WindowDC screen(nullptr);
    for (COLORREF caption : {RGB(0, 0, 128), RGB(128, 128, 128)}) {
        fw::Bitmap bitmap(CreateCompatibleBitmap(screen.get(), 16, 16));
        {
            fw::MemoryDC dc(CreateCompatibleDC(nullptr));
            fw::Selection selected(dc.get(), bitmap.get());
            fw::Brush background(CreateSolidBrush(transparent)), frame(CreateSolidBrush(caption));
            RECT all{0, 0, 16, 16}, window{1, 2, 15, 14}, inside{2, 6, 14, 13};
            FillRect(dc.get(), &all, background.get());
            FillRect(dc.get(), &window, frame.get());
            FillRect(dc.get(), &inside, GetSysColorBrush(COLOR_WINDOW));
        }
        ImageList_AddMasked(list, bitmap.get(), transparent);
    }
    return list;
}

const core::TCodeTreeRow* RowOf(const std::vector<core::TCodeTreeRow>& rows,
                                const std::vector<std::size_t>& shown, std::size_t item) {
    return item < shown.size() ? &rows[shown[item]] : nullptr;
}

} // namespace

TFindWndCodeGenerator::TFindWndCodeGenerator(HWND wnd) : focusedBox_(colClassName) {
    createDialog(IDD_FINDWNDCODER, fw::application().handle());
    if (!wnd) return;
    SetWindowTextA(Control(IDC_CODER_HANDLE),
                   FormatNumber(std::uint32_t(reinterpret_cast<std::uintptr_t>(wnd))).c_str());
    current_ = wnd;
    BuildWindowTree();
}

bool TFindWndCodeGenerator::onCreate() {
    editor_ = std::make_unique<TCodeEditor>(handle(), IDC_CODER_CODE);
    SetIconResource(IDI_FINDWNDCODER);
    CheckDlgButton(handle(), IDC_CODER_SHOWCHILDREN, BST_CHECKED);

    HWND list = Control(IDC_CODER_TREE);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    ListView_SetImageList(list, MakeRowImages(), LVSIL_SMALL);
    SetWindowSubclass(list, ListProc, listSubclassId, reinterpret_cast<DWORD_PTR>(this));
    const struct {
        const char* caption;
        int width, format;
    } columns[columnCount] = {
        {"Handle", 146, LVCFMT_LEFT},
        {"Classname", 146, LVCFMT_LEFT},
        {"WindowText", 146, LVCFMT_LEFT},
        {"ControlID", 108, LVCFMT_RIGHT},
    };
    for (int i = 0; i < columnCount; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = const_cast<char*>(columns[i].caption);
        column.cx = columns[i].width;
        column.fmt = columns[i].format;
        ListView_InsertColumn(list, i, &column);
    }
    UpdateHighlighter();
    SetWindowPos(handle(), nullptr, 0, 0, minWidth, minHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
    return false;
}

void TFindWndCodeGenerator::Layout() {
    RECT client{};
    GetClientRect(handle(), &client);
    const int width = client.right, height = client.bottom;
    treeHeight_ = std::max(
        minTreeHeight, std::min(treeHeight_, height - upperPanelHeight - splitterHeight - minEditorHeight));
    auto place = [&](int id, int x, int y, int w, int h) {
        SetWindowPos(Control(id), nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    place(IDC_CODER_HANDLELABEL, 8, 13, 44, 16);
    place(IDC_CODER_HANDLE, 56, 9, 110, 22);
    place(IDC_CODER_UPDATETREE, 174, 8, 90, 24);
    place(IDC_CODER_SHOWCHILDREN, 276, 11, 200, 18);
    place(IDC_CODER_CHECKHINT, 8, 40, width - 16, 16);
    place(IDC_CODER_AMBIGUITYHINT, 8, 58, width - 16, 16);
    place(IDC_CODER_TREE, 0, upperPanelHeight, width, treeHeight_);
    const int editorTop = upperPanelHeight + treeHeight_ + splitterHeight;
    place(IDC_CODER_CODE, 0, editorTop, width, std::max(0, height - editorTop));

    // The handle column takes what the three fixed columns leave.
    HWND list = Control(IDC_CODER_TREE);
    RECT listClient{};
    GetClientRect(list, &listClient);
    int fixed = 0;
    for (int i = colClassName; i < columnCount; ++i) fixed += ListView_GetColumnWidth(list, i);
    ListView_SetColumnWidth(list, colHandle, std::max(minColumnWidth, int(listClient.right) - fixed));
}

void TFindWndCodeGenerator::onSize(int, int) {
    if (editor_) Layout();
}

std::string TFindWndCodeGenerator::HandleText() const {
    return fw::windowText(Control(IDC_CODER_HANDLE));
}

void TFindWndCodeGenerator::BtnUpdateTreeClick() {
    bool error = false;
    std::string message;
    const std::uint32_t value = ParseWindowHandle(HandleText(), error, &message);
    if (error) {
        fw::messageBox(handle(), message, "Error", MB_ICONERROR);
        return;
    }
    current_ = reinterpret_cast<HWND>(std::uintptr_t(value));
    BuildWindowTree();
}

void TFindWndCodeGenerator::BuildWindowTree() {
    rows_.clear();
    ShowChildWndsClick();
    SystemWindows windows;
    const auto wnd = std::uint32_t(reinterpret_cast<std::uintptr_t>(current_));
    const auto chain = core::WindowChain(windows, wnd);
    if (chain.empty()) {
        fw::messageBox(handle(), core::ChainErrorText(wnd), "Error", MB_ICONERROR);
        return;
    }
    rows_ = core::BuildCodeTree(windows, chain);
    GenerateCode();
    ShowChildWndsClick();
    // The keyboard starts on the window the code is for, the last row.
    HWND list = Control(IDC_CODER_TREE);
    ListView_SetItemState(list, int(shownRows_.size()) - 1, LVIS_FOCUSED, LVIS_FOCUSED);
}

void TFindWndCodeGenerator::ShowChildWndsClick() {
    const bool all = IsDlgButtonChecked(handle(), IDC_CODER_SHOWCHILDREN) == BST_CHECKED;
    shownRows_.clear();
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (all || rows_[i].Node.OnPath) shownRows_.push_back(i);
    HWND list = Control(IDC_CODER_TREE);
    ListView_SetItemCountEx(list, int(shownRows_.size()), 0);
    InvalidateRect(list, nullptr, TRUE);
}

void TFindWndCodeGenerator::GenerateCode() {
    const auto path = core::PathNodes(rows_);
    if (path.empty()) return;
    const bool chosen = OstrelSettings && OstrelSettings->TokenTable && OstrelSettings->OperatorTable;
    editor_->setCode(core::GenerateCode(path, chosen ? *OstrelSettings->TokenTable : PascalTokens,
                                        chosen ? *OstrelSettings->OperatorTable : PascalOperators));
}

void TFindWndCodeGenerator::UpdateHighlighter() {
    const std::uint8_t language = OstrelSettings ? OstrelSettings->CodeLanguage : 0;
    if (language == 0) editor_->setSyntax(core::TCodeSyntax::Pascal);
    if (language == 1) editor_->setSyntax(core::TCodeSyntax::Cpp);
}

void TFindWndCodeGenerator::UpdateIntFormat() {
    std::string text = HandleText();
    if (ReformatNumberText(text)) SetWindowTextA(Control(IDC_CODER_HANDLE), text.c_str());
    InvalidateRect(Control(IDC_CODER_TREE), nullptr, FALSE);
}

bool TFindWndCodeGenerator::onCommand(int id, int code, HWND control) {
    switch (id) {
    case IDC_CODER_UPDATETREE:
        if (code == BN_CLICKED) BtnUpdateTreeClick();
        return true;
    case IDC_CODER_SHOWCHILDREN:
        if (code == BN_CLICKED) ShowChildWndsClick();
        return true;
    case IDCANCEL: // Esc
        PostMessageA(handle(), WM_CLOSE, 0, 0);
        return true;
    }
    return TOstrelForm::onCommand(id, code, control);
}

void TFindWndCodeGenerator::FillListItem(NMLVDISPINFOA& info) const {
    const core::TCodeTreeRow* row = RowOf(rows_, shownRows_, std::size_t(info.item.iItem));
    if (!row) return;
    if (info.item.mask & LVIF_TEXT) {
        std::string text;
        switch (info.item.iSubItem) {
        case colHandle:
            text = FormatNumber(row->Node.Window);
            break;
        case colClassName:
            text = row->Node.ClassName;
            break;
        case colWindowText:
            text = row->Node.WindowText;
            break;
        case colControlID:
            text = std::to_string(row->Node.ControlID);
            break;
        }
        lstrcpynA(info.item.pszText, text.c_str(), info.item.cchTextMax);
    }
    if (info.item.mask & LVIF_IMAGE) info.item.iImage = row->Node.OnPath ? imgOnPath : imgOffPath;
    if (info.item.mask & LVIF_INDENT) info.item.iIndent = row->Level;
}

RECT TFindWndCodeGenerator::CheckBoxRect(int item, int column) const {
    RECT cell{};
    cell.top = column;
    cell.left = LVIR_BOUNDS;
    SendMessageA(Control(IDC_CODER_TREE), LVM_GETSUBITEMRECT, WPARAM(item), reinterpret_cast<LPARAM>(&cell));
    const int top = cell.top + (cell.bottom - cell.top - checkBoxSize) / 2;
    return {cell.left + 3, top, cell.left + 3 + checkBoxSize, top + checkBoxSize};
}

LRESULT TFindWndCodeGenerator::CustomDraw(NMLVCUSTOMDRAW& draw) const {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        break;
    default:
        return CDRF_DODEFAULT;
    }
    const int item = int(draw.nmcd.dwItemSpec), column = draw.iSubItem;
    const core::TCodeTreeRow* row = RowOf(rows_, shownRows_, std::size_t(item));
    if (!row) return CDRF_DODEFAULT;
    draw.clrText = GetSysColor(row->Node.OnPath ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
    if (!row->Node.OnPath || column == colHandle) return CDRF_NEWFONT;

    // A path row's property cell: its check box, then the value.
    HWND list = Control(IDC_CODER_TREE);
    const bool selected = ListView_GetItemState(list, item, LVIS_SELECTED) & LVIS_SELECTED;
    RECT cell{};
    cell.top = column;
    cell.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETSUBITEMRECT, WPARAM(item), reinterpret_cast<LPARAM>(&cell));
    HDC dc = draw.nmcd.hdc;
    FillRect(dc, &cell, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const core::TCheckLook look = core::CheckLook(row->Node, BoxOf(column));
    RECT box = CheckBoxRect(item, column);
    DrawFrameControl(dc, &box, DFC_BUTTON,
                     DFCS_BUTTONCHECK | (look.Checked ? DFCS_CHECKED : 0) | (look.Locked ? DFCS_PUSHED : 0));
    if (column == focusedBox_ && GetFocus() == list &&
        (ListView_GetItemState(list, item, LVIS_FOCUSED) & LVIS_FOCUSED)) {
        // Inside the row, so that the list's own focus rectangle around the row leaves it whole.
        RECT focus = box;
        InflateRect(&focus, 1, 1);
        ::SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        DrawFocusRect(dc, &focus);
    }
    const std::string text = column == colClassName    ? row->Node.ClassName
                             : column == colWindowText ? row->Node.WindowText
                                                       : std::to_string(row->Node.ControlID);
    RECT textRect{box.right + 4, cell.top, cell.right - 4, cell.bottom};
    SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    DrawTextA(dc, text.c_str(), int(text.size()), &textRect,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS |
                  (column == colControlID ? DT_RIGHT : DT_LEFT));
    return CDRF_SKIPDEFAULT;
}

void TFindWndCodeGenerator::ListClick(POINT p) {
    LVHITTESTINFO hit{};
    hit.pt = p;
    HWND list = Control(IDC_CODER_TREE);
    if (ListView_SubItemHitTest(list, &hit) < 0 || hit.iSubItem == colHandle) return;
    focusedBox_ = hit.iSubItem;
    InvalidateRect(list, nullptr, FALSE);
    RECT box = CheckBoxRect(hit.iItem, hit.iSubItem);
    if (PtInRect(&box, p)) ToggleBox(hit.iItem, hit.iSubItem);
}

void TFindWndCodeGenerator::ToggleBox(int item, int column) {
    auto* row = const_cast<core::TCodeTreeRow*>(RowOf(rows_, shownRows_, std::size_t(item)));
    if (!row || !row->Node.OnPath || !core::ToggleCheck(row->Node, BoxOf(column))) return;
    InvalidateRect(Control(IDC_CODER_TREE), nullptr, FALSE);
    GenerateCode();
}

bool TFindWndCodeGenerator::ListKey(WPARAM key) {
    HWND list = Control(IDC_CODER_TREE);
    const int focused = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    switch (key) {
    case VK_SPACE:
        ToggleBox(focused, focusedBox_);
        return true;
    case VK_LEFT:
    case VK_RIGHT:
        focusedBox_ =
            std::clamp(focusedBox_ + (key == VK_LEFT ? -1 : 1), int(colClassName), int(colControlID));
        InvalidateRect(list, nullptr, FALSE);
        return true;
    }
    return false;
}

LRESULT CALLBACK TFindWndCodeGenerator::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                                 UINT_PTR id, DWORD_PTR self) {
    switch (message) {
    case WM_NCDESTROY:
        RemoveWindowSubclass(list, ListProc, id);
        break;
    case WM_KEYDOWN:
        try {
            if (reinterpret_cast<TFindWndCodeGenerator*>(self)->ListKey(wParam)) return 0;
        } catch (...) {
            fw::application().handleException(std::current_exception());
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == ' ') return 0; // a toggle, not a search for a row starting with a blank
        break;
    case WM_NOTIFY: {
        // The header tells the list, which does not pass width changes on.
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.hwndFrom == ListView_GetHeader(list) &&
            (header.code == HDN_ITEMCHANGINGA || header.code == HDN_ITEMCHANGINGW) &&
            // Both kinds carry the width at the same place.
            reinterpret_cast<TFindWndCodeGenerator*>(self)->ColumnWidthChanging(
                *reinterpret_cast<const NMHEADERA*>(lParam)))
            return TRUE;
        break;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(list, nullptr, FALSE); // the focused box shows only while the list has the focus
        break;
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

bool TFindWndCodeGenerator::ColumnWidthChanging(const NMHEADERA& change) {
    if (!change.pitem || !(change.pitem->mask & HDI_WIDTH) || change.pitem->cxy >= minColumnWidth)
        return false;
    // Refused, and the column ends at the least width rather than where the last allowed step left it.
    HWND list = Control(IDC_CODER_TREE);
    if (ListView_GetColumnWidth(list, change.iItem) > minColumnWidth)
        PostMessageA(list, LVM_SETCOLUMNWIDTH, WPARAM(change.iItem), MAKELPARAM(minColumnWidth, 0));
    return true;
}

bool TFindWndCodeGenerator::onNotify(NMHDR& header, LRESULT& result) {
    if (header.idFrom != IDC_CODER_TREE) return false;
    switch (header.code) {
    case LVN_GETDISPINFOA:
        FillListItem(reinterpret_cast<NMLVDISPINFOA&>(header));
        return true;
    case NM_CUSTOMDRAW:
        result = CustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
        return true;
    case NM_CLICK:
    case NM_DBLCLK: {
        POINT p = reinterpret_cast<NMITEMACTIVATE&>(header).ptAction;
        ListClick(p);
        return true;
    }
    }
    return false;
}

LRESULT TFindWndCodeGenerator::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const int splitterTop = upperPanelHeight + treeHeight_;
    const int y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_GETMINMAXINFO: {
        // The styled form repaints its caption here too.
        const LRESULT result = TOstrelForm::handleMessage(message, wParam, lParam);
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {minWidth, minHeight};
        return result;
    }
    case WM_SETCURSOR: {
        POINT p{};
        GetCursorPos(&p);
        ScreenToClient(handle(), &p);
        if (!splitting_ && !(p.y >= splitterTop && p.y < splitterTop + splitterHeight)) break;
        SetCursor(LoadCursor(nullptr, IDC_SIZENS));
        return TRUE;
    }
    case WM_LBUTTONDOWN:
        if (y < splitterTop || y >= splitterTop + splitterHeight) break;
        splitting_ = true;
        SetCapture(handle());
        return 0;
    case WM_MOUSEMOVE:
        if (!splitting_) break;
        treeHeight_ = y - upperPanelHeight;
        Layout();
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (!splitting_) break;
        splitting_ = false;
        if (message == WM_LBUTTONUP) ReleaseCapture();
        return 0;
    }
    return TOstrelForm::handleMessage(message, wParam, lParam);
}
