#pragma once
// The detail window of one process: general data, memory and I/O counters, its owner, and the
// services it runs.
#include "Info_Form.h"

class TProcessInfoForm : public TInfoForm {
public:
    enum Page { pgGeneral, pgMemory, pgSecurity, pgService };

    explicit TProcessInfoForm(DWORD processId, TListingSources& sources = SystemSources());

    TProcessInfoObject& ProcessInfo() { return static_cast<TProcessInfoObject&>(*Info); }
    DWORD ProcessID() const;

    void UpdateInfo() override;
    void UpdateIntFormat() override;

    HWND edModule, laProcessID, meCommandLine, laCreationTime;
    TNumberLink* laParentProcess;
    HWND laIsService;
    // The fields UpdateInfo fills, in its order: threads first, other transfer count last.
    std::vector<HWND> ChangingFields;
    HWND laOwner, laDomain, laOwnerSID;
    TOstrelTreeview ServiceTree;

private:
    void InitInfo(DWORD processId);
    void FillServices();
};
