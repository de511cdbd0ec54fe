#pragma once
// The detail window of one thread.
#include "Info_Form.h"

class TThreadInfoForm : public TInfoForm {
public:
    explicit TThreadInfoForm(DWORD threadId, TListingSources& sources = SystemSources());

    TThreadInfoObject& ThreadInfo() { return static_cast<TThreadInfoObject&>(*Info); }
    DWORD ThreadID() const;

    void UpdateInfo() override;
    void UpdateIntFormat() override;

    HWND edModule, laThreadID, laCreationTime, laStartAddress;
    TNumberLink* laParentProcess;
    HWND laKernelTime, laUserTime, laElapsedTime, laBasePriority, laPriority, laPriorityBoost, laThreadState,
        laWaitReason;

private:
    void InitInfo(DWORD threadId);
};
