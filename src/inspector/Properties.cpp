#include "Properties.h"
#include "ConstVars.h"
#include "ResourceIds.h"
#include "TreeRows.h"
#include "framework/ClassicLook.h"
#include "framework/MessageBox.h"
#include <algorithm>
#include <commctrl.h>

namespace {

// Both run after the control has finished the change it reports.
const UINT headerDraggedMessage = WM_APP + 0x120;
const UINT ticksChangedMessage = WM_APP + 0x121;

const int generalControls[] = {
    IDC_PROP_APPBAR,        IDC_PROP_STAYONTOP,      IDC_PROP_SAVEICONS, IDC_PROP_MINIMIZATIONLABEL,
    IDC_PROP_MINIMIZATION,  IDC_PROP_INTFORMATLABEL, IDC_PROP_INTFORMAT, IDC_PROP_STYLELABEL,
    IDC_PROP_STYLE,         IDC_PROP_MAINFINDER,     IDC_PROP_USEHOTKEY, IDC_PROP_HOTKEY,
    IDC_PROP_LANGUAGELABEL, IDC_PROP_LANGUAGE};
const int listControls[] = {IDC_PROP_LISTTYPELABEL, IDC_PROP_LISTTYPE, IDC_PROP_PREVIEW,
                            IDC_PROP_PROPERTYLIST};

void FillCombo(HWND combo, std::initializer_list<const char*> texts) {
    for (const char* text : texts) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

std::uint8_t ComboIndex(HWND combo) {
    const LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    return std::uint8_t(index < 0 ? 0 : index);
}

} // namespace

core::TGeneralSettings StoredGeneralSettings(const TOSTREL_Settings& s) {
    core::TGeneralSettings g;
    g.IntFormat = s.IntFormat;
    g.Style = s.Style;
    g.Minimization = s.Minimization;
    g.CodeLanguage = s.CodeLanguage;
    g.AppBarDocking = s.AppBarDocking;
    g.StayOnTop = s.StayOnTop;
    g.SaveDesktopIcons = s.SaveDesktopIcons;
    g.MainFinder = s.MainFinder;
    g.UseHotKey = s.UseHotKey;
    g.HotKey = s.HotKey;
    return g;
}

TPropertyForm::TPropertyForm(HWND owner, TOSTREL_Settings& settings, TSettingsTargets& targets)
    : settings_(settings), targets_(targets) {
    createDialog(IDD_PROPERTIES, owner);
}

bool TPropertyForm::onCreate() {
    SetUseStandardCaption(settings_.Style == 1);
    HWND pages = Control(IDC_PROP_PAGES);
    const char* const pageNames[] = {"General", "Lists"};
    for (int i = 0; i < 2; ++i) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(pageNames[i]);
        SendMessageA(pages, TCM_INSERTITEMA, WPARAM(i), reinterpret_cast<LPARAM>(&item));
    }
    fw::useClassicLook(pages);
    // The page control lies under the pages' controls.
    SetWindowPos(pages, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    FillCombo(Control(IDC_PROP_MINIMIZATION), {"Taskbar", "Tray", "Tray and Taskbar"});
    FillCombo(Control(IDC_PROP_INTFORMAT),
              {"decimal", "Hex in Pascal-Format ($FFFF)", "Hex in C-Format (0xFFFF)"});
    FillCombo(Control(IDC_PROP_STYLE), {"Ostrel Style", "Windows Standard"});
    FillCombo(Control(IDC_PROP_LANGUAGE), {"Object Pascal", "C/C++"});
    // No modifier, or Shift alone, would take a plain key from every program: they become Ctrl + key.
    SendMessageA(Control(IDC_PROP_HOTKEY), HKM_SETRULES, HKCOMB_NONE | HKCOMB_S,
                 MAKELPARAM(HOTKEYF_CONTROL, 0));

    ShowGeneralSettings(StoredGeneralSettings(settings_));
    EnableWindow(Control(IDC_PROP_STAYONTOP), !settings_.AppBarDocking);
    EnableWindow(Control(IDC_PROP_SAVEICONS), settings_.AppBarDocking);

    HWND list = Control(IDC_PROP_PROPERTYLIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES);
    for (int kind = 0; kind < ListTypeCount; ++kind) {
        const std::string name = std::string(ListKindNames(TListTypes(kind)).PluralName) + "List";
        SendMessageA(Control(IDC_PROP_LISTTYPE), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        for (const auto& setting : settings_.ColumnSettings[kind]) copies_[kind].push_back(*setting);
    }
    SendMessageA(Control(IDC_PROP_LISTTYPE), CB_SETCURSEL, 0, 0);
    ListTypesChange();
    SelectPage(0);
    return false;
}

void TPropertyForm::ShowGeneralSettings(const core::TGeneralSettings& g) {
    CheckDlgButton(handle(), IDC_PROP_APPBAR, g.AppBarDocking ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(handle(), IDC_PROP_STAYONTOP, g.StayOnTop ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(handle(), IDC_PROP_SAVEICONS, g.SaveDesktopIcons ? BST_CHECKED : BST_UNCHECKED);
    SendMessageA(Control(IDC_PROP_MINIMIZATION), CB_SETCURSEL, g.Minimization, 0);
    SendMessageA(Control(IDC_PROP_INTFORMAT), CB_SETCURSEL, g.IntFormat, 0);
    SendMessageA(Control(IDC_PROP_STYLE), CB_SETCURSEL, g.Style, 0);
    CheckDlgButton(handle(), IDC_PROP_MAINFINDER, g.MainFinder ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(handle(), IDC_PROP_USEHOTKEY, g.UseHotKey ? BST_CHECKED : BST_UNCHECKED);
    SendMessageA(Control(IDC_PROP_HOTKEY), HKM_SETHOTKEY, core::HotKeyControlValue(g.HotKey), 0);
    SendMessageA(Control(IDC_PROP_LANGUAGE), CB_SETCURSEL, g.CodeLanguage, 0);
}

core::TGeneralSettings TPropertyForm::EditedGeneralSettings() const {
    auto checked = [&](int id) { return IsDlgButtonChecked(handle(), id) == BST_CHECKED; };
    core::TGeneralSettings g;
    g.AppBarDocking = checked(IDC_PROP_APPBAR);
    g.StayOnTop = checked(IDC_PROP_STAYONTOP);
    g.SaveDesktopIcons = checked(IDC_PROP_SAVEICONS);
    g.Minimization = ComboIndex(Control(IDC_PROP_MINIMIZATION));
    g.IntFormat = ComboIndex(Control(IDC_PROP_INTFORMAT));
    g.Style = ComboIndex(Control(IDC_PROP_STYLE));
    g.MainFinder = checked(IDC_PROP_MAINFINDER);
    g.UseHotKey = checked(IDC_PROP_USEHOTKEY);
    g.HotKey = core::ShortcutFromHotKeyControl(
        std::uint16_t(SendMessageA(Control(IDC_PROP_HOTKEY), HKM_GETHOTKEY, 0, 0)));
    g.CodeLanguage = ComboIndex(Control(IDC_PROP_LANGUAGE));
    return g;
}

void TPropertyForm::SelectPage(int page) {
    for (int id : generalControls) ShowWindow(Control(id), page == 0 ? SW_SHOW : SW_HIDE);
    for (int id : listControls) ShowWindow(Control(id), page == 1 ? SW_SHOW : SW_HIDE);
}

void TPropertyForm::AppBarClick() {
    const bool docked = IsDlgButtonChecked(handle(), IDC_PROP_APPBAR) == BST_CHECKED;
    EnableWindow(Control(IDC_PROP_STAYONTOP), !docked);
    EnableWindow(Control(IDC_PROP_SAVEICONS), docked);
}

void TPropertyForm::MainFinderClick() {
    const bool finder = IsDlgButtonChecked(handle(), IDC_PROP_MAINFINDER) == BST_CHECKED;
    const bool hotKey = IsDlgButtonChecked(handle(), IDC_PROP_USEHOTKEY) == BST_CHECKED;
    EnableWindow(Control(IDC_PROP_USEHOTKEY), finder);
    EnableWindow(Control(IDC_PROP_HOTKEY), finder && hotKey);
}

void TPropertyForm::SelectListType(TListTypes kind) {
    SendMessageA(Control(IDC_PROP_LISTTYPE), CB_SETCURSEL, kind, 0);
    ListTypesChange();
}

void TPropertyForm::ListTypesChange() {
    filling_ = true;
    HWND list = Control(IDC_PROP_PROPERTYLIST);
    ListView_DeleteAllItems(list);
    currentListType_ = TListTypes(ComboIndex(Control(IDC_PROP_LISTTYPE)));
    items_.clear();
    for (auto& copy : copies_[currentListType_])
        if (copy.Property) items_.push_back(&copy);
    std::stable_sort(items_.begin(), items_.end(),
                     [](auto* a, auto* b) { return CompareTextNoCase(a->name, b->name) < 0; });
    for (std::size_t i = 0; i < items_.size(); ++i) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = int(i);
        item.pszText = const_cast<char*>(items_[i]->name.c_str());
        ListView_InsertItem(list, &item);
        ListView_SetCheckState(list, int(i), items_[i]->visible);
    }
    filling_ = false;
    BuildPreview();
}

void TPropertyForm::SetItemTicked(std::size_t item, bool ticked) {
    ListView_SetCheckState(Control(IDC_PROP_PROPERTYLIST), int(item), ticked);
}

void TPropertyForm::PropertyListClickCheck() {
    HWND list = Control(IDC_PROP_PROPERTYLIST);
    std::vector<bool> ticks;
    for (std::size_t i = 0; i < items_.size(); ++i)
        ticks.push_back(ListView_GetCheckState(list, int(i)) != 0);
    std::vector<core::ColumnRecord*> records(items_.begin(), items_.end());
    if (core::ApplyColumnTicks(records, ticks, ListKindNames(currentListType_).KeyName)) {
        filling_ = true;
        for (std::size_t i = 0; i < items_.size(); ++i) ListView_SetCheckState(list, int(i), ticks[i]);
        filling_ = false;
        fw::messageBox(handle(), "This item can't be deactivated!", "Error", MB_ICONERROR);
    }
    BuildPreview();
}

std::vector<TColumnSetting*> TPropertyForm::PreviewColumns() const {
    HWND header = Control(IDC_PROP_PREVIEW);
    std::vector<TColumnSetting*> columns;
    const int count = int(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        HDITEMA item{};
        item.mask = HDI_LPARAM;
        SendMessageA(header, HDM_GETITEMA, WPARAM(i), reinterpret_cast<LPARAM>(&item));
        columns.push_back(reinterpret_cast<TColumnSetting*>(item.lParam));
    }
    return columns;
}

void TPropertyForm::BuildPreview() {
    HWND header = Control(IDC_PROP_PREVIEW);
    while (SendMessageA(header, HDM_GETITEMCOUNT, 0, 0) > 0) SendMessageA(header, HDM_DELETEITEM, 0, 0);
    std::vector<core::ColumnRecord*> records(items_.begin(), items_.end());
    const auto columns = core::BuildPreview(records);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        auto* setting = static_cast<TColumnSetting*>(columns[i]);
        HDITEMA item{};
        item.mask = HDI_TEXT | HDI_WIDTH | HDI_LPARAM | HDI_FORMAT;
        item.pszText = const_cast<char*>(setting->name.c_str());
        item.cxy = setting->width;
        item.fmt = HDF_LEFT | HDF_STRING;
        item.lParam = reinterpret_cast<LPARAM>(setting);
        SendMessageA(header, HDM_INSERTITEMA, WPARAM(i), reinterpret_cast<LPARAM>(&item));
    }
}

void TPropertyForm::TreeColumnResize(int column) {
    HDITEMA item{};
    item.mask = HDI_WIDTH | HDI_LPARAM;
    if (!SendMessageA(Control(IDC_PROP_PREVIEW), HDM_GETITEMA, WPARAM(column),
                      reinterpret_cast<LPARAM>(&item)))
        return;
    if (auto* setting = reinterpret_cast<TColumnSetting*>(item.lParam))
        setting->width = std::int16_t(item.cxy);
}

void TPropertyForm::TreeHeaderDragged() {
    HWND header = Control(IDC_PROP_PREVIEW);
    const auto columns = PreviewColumns();
    std::vector<int> order(columns.size());
    SendMessageA(header, HDM_GETORDERARRAY, WPARAM(order.size()), reinterpret_cast<LPARAM>(order.data()));
    for (std::size_t position = 0; position < order.size(); ++position)
        if (TColumnSetting* setting = columns[std::size_t(order[position])])
            setting->position = std::uint8_t(position);
}

void TPropertyForm::ApplyClick() {
    const core::TGeneralSettings stored = StoredGeneralSettings(settings_), edited = EditedGeneralSettings();
    const bool loading = settings_.Loading;
    for (core::TSettingChange change : core::SettingChanges(stored, edited)) {
        const bool apply = !loading || core::AppliedWhileLoading(change);
        switch (change) {
        case core::TSettingChange::IntFormat:
            // Numbers on screen are read in the old format and written in the new one.
            settings_.ParseFormat = stored.IntFormat;
            settings_.IntFormat = edited.IntFormat;
            if (apply) targets_.ApplyIntFormatToForms();
            settings_.ParseFormat = 3;
            break;
        case core::TSettingChange::Style:
            settings_.Style = edited.Style;
            if (!apply) break;
            SetUseStandardCaption(edited.Style == 1);
            targets_.ApplyStyle(edited.Style == 1);
            break;
        case core::TSettingChange::AppBarDocking:
            settings_.AppBarDocking = edited.AppBarDocking;
            if (apply) targets_.ApplyAppBarDocking();
            break;
        case core::TSettingChange::StayOnTop:
            settings_.StayOnTop = edited.StayOnTop;
            if (apply) targets_.ApplyStayOnTop();
            break;
        case core::TSettingChange::SaveDesktopIcons:
            settings_.SaveDesktopIcons = edited.SaveDesktopIcons;
            break;
        case core::TSettingChange::Minimization:
            settings_.Minimization = edited.Minimization;
            if (apply) targets_.ApplyMinimization();
            break;
        case core::TSettingChange::MainFinder:
            settings_.MainFinder = edited.MainFinder;
            if (apply) targets_.ApplyMainFinder();
            break;
        case core::TSettingChange::HotKey:
            settings_.UseHotKey = edited.UseHotKey;
            settings_.HotKey = edited.HotKey;
            targets_.UpdateHotKey();
            break;
        case core::TSettingChange::CodeLanguage:
            settings_.CodeLanguage = edited.CodeLanguage;
            settings_.SelectCodeLanguage();
            if (apply) targets_.ApplyCodeLanguage();
            break;
        }
    }
    for (int kind = 0; kind < ListTypeCount; ++kind) {
        auto& records = settings_.ColumnSettings[kind];
        // Only what the dialog edits: list workers read the names and readers of these records meanwhile.
        for (std::size_t i = 0; i < records.size() && i < copies_[kind].size(); ++i) {
            records[i]->visible = copies_[kind][i].visible;
            records[i]->position = copies_[kind][i].position;
            records[i]->width = copies_[kind][i].width;
        }
    }
}

bool TPropertyForm::onCommand(int id, int code, HWND control) {
    switch (id) {
    case IDOK:
        ApplyClick();
        break; // the form closes with OK
    case IDC_PROP_APPLY:
        ApplyClick();
        return true;
    case IDC_PROP_APPBAR:
        AppBarClick();
        return true;
    case IDC_PROP_MAINFINDER:
    case IDC_PROP_USEHOTKEY:
        MainFinderClick();
        return true;
    case IDC_PROP_LISTTYPE:
        if (code == CBN_SELCHANGE) ListTypesChange();
        return true;
    }
    return TStyleForm::onCommand(id, code, control);
}

bool TPropertyForm::onNotify(NMHDR& header, LRESULT& result) {
    if (header.idFrom == IDC_PROP_PAGES && header.code == TCN_SELCHANGE) {
        SelectPage(int(SendMessageA(header.hwndFrom, TCM_GETCURSEL, 0, 0)));
        return true;
    }
    if (header.idFrom == IDC_PROP_PROPERTYLIST && header.code == LVN_ITEMCHANGED) {
        const auto& change = reinterpret_cast<NMLISTVIEW&>(header);
        // Only the user's ticks: the state image changed, and not while the list is being filled.
        if (!filling_ && (change.uChanged & LVIF_STATE) &&
            ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) &&
            change.uOldState & LVIS_STATEIMAGEMASK)
            PostMessageA(handle(), ticksChangedMessage, 0, 0);
        return true;
    }
    if (header.idFrom == IDC_PROP_PREVIEW) {
        switch (header.code) {
        case HDN_ENDTRACKA:
        case HDN_ENDTRACKW:
        case HDN_ITEMCHANGEDA:
        case HDN_ITEMCHANGEDW:
            TreeColumnResize(reinterpret_cast<NMHEADERA&>(header).iItem);
            break;
        case HDN_ENDDRAG:
            // The header takes its new order after this notification.
            PostMessageA(handle(), headerDraggedMessage, 0, 0);
            break;
        }
        result = FALSE;
        return true;
    }
    return false;
}

LRESULT TPropertyForm::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == headerDraggedMessage) {
        TreeHeaderDragged();
        return 0;
    }
    if (message == ticksChangedMessage) {
        PropertyListClickCheck();
        return 0;
    }
    return TStyleForm::handleMessage(message, wParam, lParam);
}
