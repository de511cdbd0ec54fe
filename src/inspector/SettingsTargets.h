#pragma once
#include "Properties.h"

class TOstrelMainForm;

// The running program as the settings dialog changes it: the main form and the open child forms.
class TProgramSettingsTargets : public TSettingsTargets {
public:
    explicit TProgramSettingsTargets(TOstrelMainForm& mainForm) : main_(mainForm) {}

    void ApplyIntFormatToForms() override;
    void ApplyStyle(bool standardCaption) override;
    void ApplyAppBarDocking() override;
    void ApplyStayOnTop() override;
    void ApplyMinimization() override;
    void ApplyMainFinder() override;
    void UpdateHotKey() override;
    void ApplyCodeLanguage() override;

private:
    TOstrelMainForm& main_;
};
