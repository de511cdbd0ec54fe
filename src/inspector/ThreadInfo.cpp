#include "ThreadInfo.h"

#include "FormatConsts.h"

TThreadInfoForm::TThreadInfoForm(DWORD threadId, TListingSources& sources)
    : TInfoForm(std::make_unique<TThreadInfoObject>(), "Thread Info", sources) {
    AddPage("General");
    edModule = AddEdit(0, 0, "Module:");
    laThreadID = AddField(0, 1, "Thread ID:");
    SetText(laThreadID, "0");
    laCreationTime = AddField(0, 2, "Creation Time:");
    laStartAddress = AddField(0, 3, "Start Adress:");
    laParentProcess = &AddLink(0, 4, "Parent Process:");
    laKernelTime = AddField(0, 6, "Kernel Time:");
    laUserTime = AddField(0, 7, "User Time:");
    laElapsedTime = AddField(0, 8, "Elapsed Time:");
    laBasePriority = AddField(0, 9, "Base Priority:");
    laPriority = AddField(0, 10, "Current Priority:");
    laPriorityBoost = AddField(0, 11, "Priority Boost:");
    laThreadState = AddField(0, 12, "Thread State:");
    laWaitReason = AddField(0, 13, "Thread WaitReason:");
    InitInfo(threadId);
}

DWORD TThreadInfoForm::ThreadID() const {
    std::int64_t id = 0;
    static_cast<const TThreadInfoObject&>(*Info).ThreadID.toInt64(id);
    return DWORD(id);
}

void TThreadInfoForm::InitInfo(DWORD threadId) {
    TThreadInfoObject& info = ThreadInfo();
    BindWmi(info, fw::Value::UInt32(threadId),
            "The Thread with ID " + FormatNumber(threadId) + " doesn't exist anymore.");
    info.LoadExePath();
    SetText(edModule, core::ModuleFieldText(info.ReadModulePath().toText(), info.ReadModuleName().toText()));
    SetupModuleButton(0, edModule);
    SetText(laThreadID, FormatNumber(threadId));
    SetText(laCreationTime, info.ReadCreationTime().toText());
    SetText(laStartAddress, NumberText(info.ReadStartAddress()));
    SetNumberLink(*laParentProcess, info.ReadParentProcessID(), ltProcesses);
    UpdateInfo();
}

void TThreadInfoForm::UpdateInfo() {
    TThreadInfoObject& info = ThreadInfo();
    SetText(laKernelTime, FormatDuration(info.ReadKernelModeTime()));
    SetText(laUserTime, FormatDuration(info.ReadUserModeTime()));
    SetText(laElapsedTime, info.ReadElapsedTime().toText());
    SetText(laBasePriority, info.ReadPriorityBase().toText());
    SetText(laPriority, info.ReadPriority().toText());
    SetText(laPriorityBoost, info.ReadPriorityBoost().toText());
    SetText(laThreadState, info.ReadThreadState().toText());
    SetText(laWaitReason, info.ReadThreadWaitReason().toText());
}

void TThreadInfoForm::UpdateIntFormat() {
    ReformatNumberLabel(laThreadID);
}
