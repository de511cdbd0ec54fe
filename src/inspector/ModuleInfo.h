#pragma once
// The detail window of one module file: its version resource.
#include "Info_Form.h"

class TModuleInfoForm : public TInfoForm {
public:
    explicit TModuleInfoForm(const std::string& path, TListingSources& sources = SystemSources());

    TModuleInfoObject& ModuleInfo() { return static_cast<TModuleInfoObject&>(*Info); }
    const std::string& Path() const { return static_cast<const TModuleInfoObject&>(*Info).Path; }

    // Nothing changes in a file's version block while it is shown.
    void UpdateInfo() override {}
    void UpdateIntFormat() override {}

    // The shell's properties dialog of the file; a failure is shown with the system's message.
    void ModuleInfoClick();

    HWND edPath, btnModuleInfo;
    HWND laCompany, laProductVersion, laProductName, laFileDescription, laOriginalFilename, laFileVersion,
        laVersion, laInternalName, laLegalCopyright, laComments, laLegalTrademarks;

protected:
    bool onCommand(int id, int code, HWND control) override;

private:
    enum Command : int { cmModuleInfo = 150 };
    void InitInfo(const std::string& path);
};
