#pragma once
#include "ColumnSettings.h"
#include "core/PropertyRules.h"
#include "controls/StyleForm.h"
#include <array>
#include <vector>

class TOSTREL_Settings;

// What carrying out the settings touches beyond the settings object: the program's windows and the
// shell. The dialog calls only what changed, in the order of TSettingChange.
class TSettingsTargets {
public:
    virtual ~TSettingsTargets() = default;
    virtual void ApplyIntFormatToForms() = 0;
    virtual void ApplyStyle(bool standardCaption) = 0;
    virtual void ApplyAppBarDocking() = 0;
    virtual void ApplyStayOnTop() = 0;
    virtual void ApplyMinimization() = 0;
    virtual void ApplyMainFinder() = 0;
    virtual void UpdateHotKey() = 0;
    virtual void ApplyCodeLanguage() = 0;
};

// The general settings as the settings object holds them.
core::TGeneralSettings StoredGeneralSettings(const TOSTREL_Settings& settings);

// The modal settings dialog: the general settings and the columns of the five list kinds. OK and Apply
// carry out every change at once.
class TPropertyForm : public TStyleForm {
public:
    TPropertyForm(HWND owner, TOSTREL_Settings& settings, TSettingsTargets& targets);

    // OK and Apply.
    void ApplyClick();
    // The general settings as the controls show them.
    core::TGeneralSettings EditedGeneralSettings() const;
    void ShowGeneralSettings(const core::TGeneralSettings& general);
    // The columns of the kind chosen on the "Lists" page: check list items in list order, and the preview.
    const std::vector<TColumnSetting*>& PropertyItems() const { return items_; }
    std::vector<TColumnSetting*> PreviewColumns() const;
    void SelectListType(TListTypes kind);
    // As a click on the item's box does.
    void SetItemTicked(std::size_t item, bool ticked);

protected:
    bool onCreate() override;
    bool onCommand(int id, int code, HWND control) override;
    bool onNotify(NMHDR& header, LRESULT& result) override;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void SelectPage(int page);
    void AppBarClick();
    void MainFinderClick();
    void ListTypesChange();
    void PropertyListClickCheck();
    void BuildPreview();
    void TreeColumnResize(int column);
    void TreeHeaderDragged();
    HWND Control(int id) const { return GetDlgItem(handle(), id); }

    TOSTREL_Settings& settings_;
    TSettingsTargets& targets_;
    // Whole copies of every column record, per kind, in the settings' order.
    std::array<std::vector<TColumnSetting>, ListTypeCount> copies_;
    TListTypes currentListType_ = ltWindows;
    std::vector<TColumnSetting*> items_;
    bool filling_ = false;
};
