#include "WindowInfo.h"
#include "FindWndCoder.h"
#include "List.h"

#include "FormatConsts.h"
#include "core/InfoFormRules.h"

namespace {

std::uint32_t ValueBits(const fw::Value& value) {
    std::int64_t n = 0;
    return value.toInt64(n) ? std::uint32_t(n) : 0;
}

void FillStyleList(HWND list, std::uint32_t value, std::span<const ConstName> table) {
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& name : core::StyleNames(value, table))
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

BOOL CALLBACK CollectProperty(HWND, LPSTR name, HANDLE data, ULONG_PTR param) {
    auto& props = *reinterpret_cast<std::vector<std::pair<std::string, std::uint32_t>>*>(param);
    std::string text;
    if (HIWORD(reinterpret_cast<UINT_PTR>(name)) == 0) {
        const auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(name));
        char buffer[260] = {};
        UINT length = GlobalGetAtomNameA(atom, buffer, sizeof buffer);
        text = core::AtomPropertyName(atom, std::string(buffer, length));
    } else {
        text = name;
    }
    props.emplace_back(text, std::uint32_t(reinterpret_cast<UINT_PTR>(data)));
    return TRUE;
}

struct ChildSearch {
    HWND parent;
    std::vector<HWND> children;
};

BOOL CALLBACK CollectDirectChild(HWND child, LPARAM param) {
    auto& search = *reinterpret_cast<ChildSearch*>(param);
    if (GetAncestor(child, GA_PARENT) == search.parent) search.children.push_back(child);
    return TRUE;
}

} // namespace

TWindowInfoForm::TWindowInfoForm(HWND window, TListingSources& sources)
    : TInfoForm(std::make_unique<TWindowInfoObject>(), "Window Info", sources) {
    AddPage("General");
    AddPage("Styles");
    AddPage("Class");
    AddPage("Windows");
    AddPage("Process");

    laCaption = AddEdit(pgGeneral, 0, "Window Caption:");
    laHandle = AddField(pgGeneral, 1, "Window Handle:");
    laWndProc = AddField(pgGeneral, 2, "Window Proc:");
    laRect = AddField(pgGeneral, 3, "Rectangle:");
    laRestoredRect = AddField(pgGeneral, 4, "Restored Rect:");
    laClientRect = AddField(pgGeneral, 5, "Client Rect:");
    laUnicode = AddField(pgGeneral, 6, "Unicode:");
    laControlID = AddField(pgGeneral, 7, "Control-ID:");
    pbBigIcon = AddField(pgGeneral, 8, "Big Icon:", 0);
    pbSmallIcon = AddField(pgGeneral, 8, "Small Icon:", 1);
    for (HWND icon : {pbBigIcon, pbSmallIcon}) {
        LONG_PTR style = GetWindowLongPtrA(icon, GWL_STYLE) & ~LONG_PTR(SS_TYPEMASK | SS_ENDELLIPSIS);
        SetWindowLongPtrA(icon, GWL_STYLE, style | SS_ICON | SS_REALSIZEIMAGE);
        SetWindowTextA(icon, "");
    }
    laMenuHandle = AddField(pgGeneral, 10, "Menu Handle:");
    laInstanceHandle = AddField(pgGeneral, 11, "Instance Handle:");
    AddCaption(pgGeneral, 12, "Properties:");
    const RECT area = PageRect();
    const int width = PageWidth(), height = PageHeight();
    vtProperties = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                   WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                                   area.left + 8, area.top + 8 + 13 * 21, width - 16, height - 16 - 13 * 21,
                                   handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(vtProperties, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const std::pair<const char*, int> columns[] = {{"Name", 280}, {"Data", 150}};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(columns[i].first);
        column.cx = columns[i].second;
        SendMessageA(vtProperties, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    Place(pgGeneral, vtProperties);

    // Two groups side by side, each with its value above its list of names.
    const int groupWidth = (width - 24) / 2, groupBottom = height - 8;
    for (int group = 0; group < 2; ++group) {
        const int left = 8 + group * (groupWidth + 8), right = left + groupWidth;
        AddGroup(pgStyles, RECT{left, 4, right, groupBottom},
                 group == 0 ? "Window Styles" : "Extended Styles");
        HWND value = AddValue(pgStyles, RECT{left + 8, 24, right - 8, 24 + 17});
        HWND list = AddListBox(pgStyles, RECT{left + 8, 46, right - 8, groupBottom - 8});
        (group == 0 ? laWindowStyle : laExtStyle) = value;
        (group == 0 ? lbWindowStyles : lbExtStyles) = list;
    }

    laClassName = AddEdit(pgClass, 0, "Class Name:");
    laClassModule = AddEdit(pgClass, 1, "Class Module:");
    laClassAtom = AddField(pgClass, 2, "Class Atom:");
    laClassBytes = AddField(pgClass, 3, "Class Bytes:");
    laClassInstance = AddField(pgClass, 4, "Instance Handle:");
    laClassWndProc = AddField(pgClass, 5, "Window Proc:");
    laWindowBytes = AddField(pgClass, 6, "Window Bytes:");
    // Not read here: they stay "(Unavailable)".
    AddField(pgClass, 7, "Menu Name:");
    AddField(pgClass, 8, "Icon Handle:");
    AddField(pgClass, 9, "Cursor Handle:");
    AddField(pgClass, 10, "Bkgnd Brush:");
    const int classTop = 11 * 21 + 4;
    AddGroup(pgClass, RECT{8, classTop, width - 8, height - 8}, "Class Style");
    laClassStyle = AddValue(pgClass, RECT{16, classTop + 20, width - 16, classTop + 20 + 17});
    lbClassStyles = AddListBox(pgClass, RECT{16, classTop + 42, width - 16, height - 16});

    laParentWindow = &AddLink(pgWindows, 0, "Parent Window:");
    laOwnerWindow = &AddLink(pgWindows, 1, "Owner Window:");
    const int childTop = 2 * 21 + 4, buttonsTop = area.top + height - 8 - 8 - 24;
    AddGroup(pgWindows, RECT{8, childTop, width - 8, height - 8}, "Child Windows");
    AddKindTree(ChildTree, ltWindows, pgWindows,
                RECT{16, childTop + 20, width - 16, height - 8 - 8 - 24 - 6});
    btnSelect = CreateWindowExA(0, "BUTTON", "Select Window", WS_CHILD | WS_TABSTOP | WS_DISABLED,
                                area.left + 16, buttonsTop, 110, 24, handle(),
                                reinterpret_cast<HMENU>(cmSelect), GetModuleHandleA(nullptr), nullptr);
    btnProperties = CreateWindowExA(
        0, "BUTTON", "Properties", WS_CHILD | WS_TABSTOP | WS_DISABLED, area.left + 132, buttonsTop, 110, 24,
        handle(), reinterpret_cast<HMENU>(cmProperties), GetModuleHandleA(nullptr), nullptr);
    btnFindWndCoder = CreateWindowExA(0, "BUTTON", "FindWindow-Coder", WS_CHILD | WS_TABSTOP, area.left + 248,
                                      buttonsTop, 130, 24, handle(), reinterpret_cast<HMENU>(cmFindWndCoder),
                                      GetModuleHandleA(nullptr), nullptr);
    for (HWND control : {vtProperties, btnSelect, btnProperties, btnFindWndCoder})
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    for (HWND button : {btnSelect, btnProperties, btnFindWndCoder}) Place(pgWindows, button);

    laProcessID = &AddLink(pgProcess, 0, "Process ID:");
    laThreadID = &AddLink(pgProcess, 1, "Thread ID:");

    InitInfo(window);
}

void TWindowInfoForm::InitInfo(HWND window) {
    TWindowInfoObject& info = WindowInfo();
    info = TWindowInfoObject(window);
    FillChildTree();

    SetText(laHandle, NumberText(info.ReadHandle()));
    SetText(laWndProc, NumberText(info.ReadWndProc()));
    SetText(laUnicode, info.ReadUnicode().toText());
    SetText(laControlID, NumberText(info.ReadControlID()));
    SetText(laMenuHandle, NumberText(info.ReadMenuHandle()));
    SetText(laInstanceHandle, NumberText(info.ReadInstanceHandle()));
    SendMessageA(pbBigIcon, STM_SETICON, reinterpret_cast<WPARAM>(info.GetBigIcon()), 0);
    SendMessageA(pbSmallIcon, STM_SETICON, reinterpret_cast<WPARAM>(info.GetSmallIcon()), 0);
    FillProperties();

    SetText(laClassName, info.ReadClassName().toText());
    SetText(laClassModule, info.ReadClassModule().toText());
    SetupModuleButton(pgClass, laClassModule);
    SetText(laClassAtom, NumberText(info.ReadClassAtom()));
    SetText(laClassBytes, info.ReadClassBytes().toText());
    SetText(laClassInstance, NumberText(info.ReadClassInstanceHandle()));
    SetText(laClassWndProc, NumberText(info.ReadClassWndProc()));
    SetText(laWindowBytes, info.ReadWindowBytes().toText());

    SetNumberLink(*laProcessID, info.ReadProcessID(), ltProcesses);
    SetNumberLink(*laThreadID, info.ReadThreadID(), ltThreads);
    UpdateInfo();
}

void TWindowInfoForm::FillChildTree() {
    ChildTree.Clear();
    std::function<void(HWND, TOstrelTreeview::Node*)> addChildren = [&](HWND parent,
                                                                        TOstrelTreeview::Node* row) {
        ChildSearch search{parent, {}};
        EnumChildWindows(parent, CollectDirectChild, reinterpret_cast<LPARAM>(&search));
        for (HWND child : search.children) {
            TOstrelTreeview::Node* node = ChildTree.AddChild(row);
            TWindowInfoObject childInfo(child);
            BuildNodeData(ChildTree.AllKindSettings(), childInfo, node->data);
            addChildren(child, node);
        }
    };
    addChildren(Window(), nullptr);
    ChildTree.SetSort(0, sdAscending);
    ChildTree.HeaderClick(0);
    ChildTree.Refresh();
    if (TOstrelTreeview::Node* first = ChildTree.VisibleRow(0)) ChildTree.FocusNode(first);
    ChildTreeFocusChanged();
}

void TWindowInfoForm::FillProperties() {
    WindowProperties.clear();
    EnumPropsExA(Window(), CollectProperty, reinterpret_cast<LPARAM>(&WindowProperties));
    SendMessageA(vtProperties, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t i = 0; i < WindowProperties.size(); ++i) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = int(i);
        item.pszText = const_cast<char*>(WindowProperties[i].first.c_str());
        SendMessageA(vtProperties, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    ShowProperties();
}

void TWindowInfoForm::ShowProperties() {
    for (std::size_t i = 0; i < WindowProperties.size(); ++i) {
        std::string data = FormatNumber(WindowProperties[i].second);
        LVITEMA item{};
        item.iSubItem = 1;
        item.pszText = const_cast<char*>(data.c_str());
        SendMessageA(vtProperties, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
    }
}

void TWindowInfoForm::UpdateInfo() {
    TWindowInfoObject& info = WindowInfo();
    SetText(laCaption, info.ReadWindowText().toText());
    RECT r;
    info.GetWindowRect(r);
    SetText(laRect, FormatRect(r));
    info.GetNormalRect(r);
    SetText(laRestoredRect, FormatRect(r));
    info.GetClientRect(r);
    SetText(laClientRect, FormatRect(r));

    const fw::Value style = info.ReadWindowStyle(), extStyle = info.ReadExtWindowStyle(),
                    classStyle = info.ReadClassStyle();
    SetText(laWindowStyle, NumberText(style));
    FillStyleList(lbWindowStyles, ValueBits(style), WindowStyleNames);
    SetText(laExtStyle, NumberText(extStyle));
    FillStyleList(lbExtStyles, ValueBits(extStyle), ExtWindowStyleNames);
    SetText(laClassStyle, NumberText(classStyle));
    FillStyleList(lbClassStyles, ValueBits(classStyle), ClassStyleNames);

    SetNumberLink(*laParentWindow, info.ReadParentWindow(), ltWindows);
    SetNumberLink(*laOwnerWindow, info.ReadOwnerWindow(), ltWindows);
}

void TWindowInfoForm::UpdateIntFormat() {
    for (HWND label : {laHandle, laWndProc, laControlID, laMenuHandle, laInstanceHandle, laWindowStyle,
                       laExtStyle, laClassStyle, laClassAtom, laClassInstance, laClassWndProc})
        ReformatNumberLabel(label);
    for (TNumberLink* link : {laParentWindow, laOwnerWindow, laProcessID, laThreadID}) ReformatLink(*link);
    ChildTree.Refresh();
    ShowProperties();
}

HWND TWindowInfoForm::FocusedChild() const {
    TOstrelTreeview::Node* node = ChildTree.FocusedNode();
    if (!node) return nullptr;
    std::int64_t handle = 0;
    return node->data.KeyValue().toInt64(handle) ? reinterpret_cast<HWND>(static_cast<UINT_PTR>(handle))
                                                 : nullptr;
}

void TWindowInfoForm::ChildTreeFocusChanged() {
    const bool focused = FocusedChild() != nullptr;
    EnableWindow(btnSelect, focused);
    EnableWindow(btnProperties, focused);
}

void TWindowInfoForm::btnPropertiesClick() {
    if (HWND child = FocusedChild()) DetailOpeners().Window(child);
}

bool TWindowInfoForm::onCommand(int id, int code, HWND control) {
    if (code == BN_CLICKED) {
        switch (id) {
        case cmProperties:
            btnPropertiesClick();
            return true;
        case cmSelect:
            if (HWND child = FocusedChild()) SelectWindowInLists(child);
            return true;
        case cmFindWndCoder:
            // Without a focused row the generator opens without a window.
            CreateChildForm<TFindWndCodeGenerator>(FocusedChild());
            return true;
        }
    }
    return TInfoForm::onCommand(id, code, control);
}

bool TWindowInfoForm::onNotify(NMHDR& header, LRESULT& result) {
    if (header.hwndFrom == ChildTree.handle()) {
        if (header.code == LVN_ITEMCHANGED) {
            auto& change = reinterpret_cast<NMLISTVIEW&>(header);
            if ((change.uNewState ^ change.uOldState) & LVIS_FOCUSED) ChildTreeFocusChanged();
            return true;
        }
    }
    return TInfoForm::onNotify(header, result);
}
