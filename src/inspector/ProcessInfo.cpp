#include "ProcessInfo.h"

#include "FormatConsts.h"

namespace {

// The changing fields: caption, reader and whether the value is a duration or a number.
enum class Shown { Text, Duration, Number };
struct ChangingField {
    int page, row, column;
    const char* caption;
    fw::Value (TProcessInfoObject::*read)();
    Shown shown;
};

const ChangingField changingFields[] = {
    {TProcessInfoForm::pgGeneral, 7, 0, "Threads:", &TProcessInfoObject::ReadThreadCount, Shown::Text},
    {TProcessInfoForm::pgGeneral, 8, 0, "Kernel Time:", &TProcessInfoObject::ReadKernelModeTime,
     Shown::Duration},
    {TProcessInfoForm::pgGeneral, 8, 1, "User Time:", &TProcessInfoObject::ReadUserModeTime, Shown::Duration},
    {TProcessInfoForm::pgGeneral, 9, 0, "Base Priority:", &TProcessInfoObject::ReadPriority, Shown::Text},
    {TProcessInfoForm::pgGeneral, 9, 1, "Priority Class:", &TProcessInfoObject::ReadPriorityClass,
     Shown::Text},
    {TProcessInfoForm::pgGeneral, 10, 0, "Priority Boost:", &TProcessInfoObject::ReadPriorityBoost,
     Shown::Text},
    {TProcessInfoForm::pgGeneral, 11, 0, "GDI Objects:", &TProcessInfoObject::ReadGDIObjects, Shown::Text},
    {TProcessInfoForm::pgGeneral, 11, 1, "User Objects:", &TProcessInfoObject::ReadUserObjects, Shown::Text},
    {TProcessInfoForm::pgGeneral, 12, -1, "System Affinity Mask:", &TProcessInfoObject::ReadSystemAffinity,
     Shown::Number},
    {TProcessInfoForm::pgGeneral, 13, -1, "Process Affinity Mask:", &TProcessInfoObject::ReadProcessAffinity,
     Shown::Number},
    {TProcessInfoForm::pgMemory, 0, 0, "Page Fault Count:", &TProcessInfoObject::ReadPageFaults, Shown::Text},
    {TProcessInfoForm::pgMemory, 0, 1, "Private Page Count:", &TProcessInfoObject::ReadPrivatePageCount,
     Shown::Text},
    {TProcessInfoForm::pgMemory, 2, 0, "PageFileUsage:", &TProcessInfoObject::ReadPageFileUsage, Shown::Text},
    {TProcessInfoForm::pgMemory, 2, 1, "PeakPageFileUsage:", &TProcessInfoObject::ReadPeakPageFileUsage,
     Shown::Text},
    {TProcessInfoForm::pgMemory, 3, 0, "WorkingSetSize:", &TProcessInfoObject::ReadWorkingSetSize,
     Shown::Text},
    {TProcessInfoForm::pgMemory, 3, 1, "PeakWorkingSetSize:", &TProcessInfoObject::ReadPeakWorkingSetSize,
     Shown::Text},
    {TProcessInfoForm::pgMemory, 4, 0, "VirtualSize:", &TProcessInfoObject::ReadVirtualSize, Shown::Text},
    {TProcessInfoForm::pgMemory, 4, 1, "PeakVirtualSize:", &TProcessInfoObject::ReadPeakVirtualSize,
     Shown::Text},
    {TProcessInfoForm::pgMemory, 6, 0, "QuotaPagedPoolUsage:", &TProcessInfoObject::ReadQuotaPagedPoolUsage,
     Shown::Text},
    {TProcessInfoForm::pgMemory, 6, 1,
     "QuotaNonPagedPoolUsage:", &TProcessInfoObject::ReadQuotaNonPagedPoolUsage, Shown::Text},
    {TProcessInfoForm::pgMemory, 7, 0,
     "QuotaPeakPagedPoolUsage:", &TProcessInfoObject::ReadQuotaPeakPagedPoolUsage, Shown::Text},
    {TProcessInfoForm::pgMemory, 7, 1,
     "QuotaPeakNonPagedPoolUsage:", &TProcessInfoObject::ReadQuotaPeakNonPagedPoolUsage, Shown::Text},
    {TProcessInfoForm::pgMemory, 9, 0,
     "MaximumWorkingSetSize:", &TProcessInfoObject::ReadMaximumWorkingSetSize, Shown::Text},
    {TProcessInfoForm::pgMemory, 9, 1,
     "MinimumWorkingSetSize:", &TProcessInfoObject::ReadMinimumWorkingSetSize, Shown::Text},
    {TProcessInfoForm::pgMemory, 11, 0, "WriteOperationCount:", &TProcessInfoObject::ReadWriteOperationCount,
     Shown::Text},
    {TProcessInfoForm::pgMemory, 11, 1, "WriteTransferCount:", &TProcessInfoObject::ReadWriteTransferCount,
     Shown::Text},
    {TProcessInfoForm::pgMemory, 12, 0, "ReadOperationCount:", &TProcessInfoObject::ReadReadOperationCount,
     Shown::Text},
    {TProcessInfoForm::pgMemory, 12, 1, "ReadTransferCount:", &TProcessInfoObject::ReadReadTransferCount,
     Shown::Text},
    {TProcessInfoForm::pgMemory, 13, 0, "OtherOperationCount:", &TProcessInfoObject::ReadOtherOperationCount,
     Shown::Text},
    {TProcessInfoForm::pgMemory, 13, 1, "OtherTransferCount:", &TProcessInfoObject::ReadOtherTransferCount,
     Shown::Text},
};

} // namespace

TProcessInfoForm::TProcessInfoForm(DWORD processId, TListingSources& sources)
    : TInfoForm(std::make_unique<TProcessInfoObject>(), "Process Info", sources) {
    AddPage("General");
    AddPage("Memory and I/O");
    AddPage("Security");
    AddPage("Service");

    edModule = AddEdit(pgGeneral, 0, "Module:");
    laProcessID = AddField(pgGeneral, 1, "Process ID:");
    SetText(laProcessID, "0");
    meCommandLine = AddEdit(pgGeneral, 2, "CommandLine:", 3);
    laCreationTime = AddField(pgGeneral, 5, "Creation Time:");
    laParentProcess = &AddLink(pgGeneral, 6, "Parent Process:");
    for (const ChangingField& field : changingFields)
        ChangingFields.push_back(AddField(field.page, field.row, field.caption, field.column));

    laOwner = AddField(pgSecurity, 0, "Owner:");
    laDomain = AddField(pgSecurity, 1, "Domain:");
    laOwnerSID = AddField(pgSecurity, 2, "Owner-SID:");

    laIsService = AddField(pgService, 0, "Is Service:");
    AddKindTree(ServiceTree, ltServices, pgService, RECT{8, 30, PageWidth() - 8, PageHeight() - 8});

    InitInfo(processId);
}

DWORD TProcessInfoForm::ProcessID() const {
    std::int64_t id = 0;
    static_cast<const TProcessInfoObject&>(*Info).ProcessID.toInt64(id);
    return DWORD(id);
}

void TProcessInfoForm::InitInfo(DWORD processId) {
    TProcessInfoObject& info = ProcessInfo();
    BindWmi(info, fw::Value::UInt32(processId),
            "The process with ID " + FormatNumber(processId) + " doesn't exist anymore.");
    info.LoadExePath();
    SetText(edModule, core::ModuleFieldText(info.ReadModulePath().toText(), info.ReadModuleName().toText()));
    SetupModuleButton(pgGeneral, edModule);
    SetText(laProcessID, FormatNumber(processId));
    SetText(meCommandLine, info.ReadCommandLine().toText());
    SetText(laCreationTime, info.ReadCreationTime().toText());
    SetNumberLink(*laParentProcess, info.ReadParentProcessId(), ltProcesses);
    SetText(laOwner, info.ReadOwner().toText());
    SetText(laDomain, info.ReadDomain().toText());
    SetText(laOwnerSID, info.ReadOwnerSID().toText());
    FillServices();
    UpdateInfo();
}

void TProcessInfoForm::FillServices() {
    ServiceTree.Clear();
    // Both ask WMI for the process's services: a failing query leaves the field unreadable and the list
    // empty instead of keeping the whole window from opening.
    try {
        SetText(laIsService, ProcessInfo().ReadIsService().toText());
    } catch (...) {
        SetText(laIsService, TextUnavailable);
    }
    try {
        TProcessInfoObject& info = ProcessInfo();
        auto services = info.Services->execQuery("SELECT * FROM Win32_Service WHERE ProcessId = " +
                                                 std::to_string(ProcessID()));
        while (auto object = services ? services->next() : nullptr) {
            TServiceInfoObject service(object);
            BuildNodeData(ServiceTree.AllKindSettings(), service, ServiceTree.AddChild(nullptr)->data);
        }
    } catch (...) {
        ServiceTree.Clear();
    }
    ServiceTree.Refresh();
}

void TProcessInfoForm::UpdateInfo() {
    TProcessInfoObject& info = ProcessInfo();
    for (std::size_t i = 0; i < std::size(changingFields); ++i) {
        fw::Value value = (info.*changingFields[i].read)();
        switch (changingFields[i].shown) {
        case Shown::Text:
            SetText(ChangingFields[i], value.toText());
            break;
        case Shown::Duration:
            SetText(ChangingFields[i], FormatDuration(value));
            break;
        case Shown::Number:
            SetText(ChangingFields[i], NumberText(value));
            break;
        }
    }
}

void TProcessInfoForm::UpdateIntFormat() {
    ReformatNumberLabel(laProcessID);
}
