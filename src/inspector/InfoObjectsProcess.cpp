#include "InfoObjects.h"

#include "core/ConstNames.h"
#include "framework/Exceptions.h"
#include "framework/MessageBox.h"
#include "framework/OleException.h"
#include "framework/Sync.h"

#include <wbemcli.h>

#define OSTREL_PROPERTY(name) OSTREL_PUBLISHED(TProcessInfoObject, name)

std::span<const TPropertyInfo> TProcessInfoObject::Table() {
    static const TPropertyInfo table[] = {
        OSTREL_PROPERTY(ProcessID),
        OSTREL_PROPERTY(ModuleName),
        OSTREL_PROPERTY(ModulePath),
        OSTREL_PROPERTY(ThreadCount),
        OSTREL_PROPERTY(KernelModeTime),
        OSTREL_PROPERTY(UserModeTime),
        OSTREL_PROPERTY(CreationTime),
        OSTREL_PROPERTY(Priority),
        OSTREL_PROPERTY(PriorityBoost),
        OSTREL_PROPERTY(ParentProcessId),
        OSTREL_PROPERTY(CommandLine),
        OSTREL_PROPERTY(PriorityClass),
        OSTREL_PROPERTY(GDIObjects),
        OSTREL_PROPERTY(UserObjects),
        OSTREL_PROPERTY(SystemAffinity),
        OSTREL_PROPERTY(ProcessAffinity),
        OSTREL_PROPERTY(PageFaults),
        OSTREL_PROPERTY(PrivatePageCount),
        OSTREL_PROPERTY(PageFileUsage),
        OSTREL_PROPERTY(PeakPageFileUsage),
        OSTREL_PROPERTY(WorkingSetSize),
        OSTREL_PROPERTY(PeakWorkingSetSize),
        OSTREL_PROPERTY(QuotaPagedPoolUsage),
        OSTREL_PROPERTY(QuotaNonPagedPoolUsage),
        OSTREL_PROPERTY(QuotaPeakPagedPoolUsage),
        OSTREL_PROPERTY(QuotaPeakNonPagedPoolUsage),
        OSTREL_PROPERTY(VirtualSize),
        OSTREL_PROPERTY(PeakVirtualSize),
        OSTREL_PROPERTY(MaximumWorkingSetSize),
        OSTREL_PROPERTY(MinimumWorkingSetSize),
        OSTREL_PROPERTY(WriteOperationCount),
        OSTREL_PROPERTY(WriteTransferCount),
        OSTREL_PROPERTY(ReadOperationCount),
        OSTREL_PROPERTY(ReadTransferCount),
        OSTREL_PROPERTY(OtherOperationCount),
        OSTREL_PROPERTY(OtherTransferCount),
        OSTREL_PROPERTY(Owner),
        OSTREL_PROPERTY(Domain),
        OSTREL_PROPERTY(OwnerSID),
        OSTREL_PROPERTY(IsService),
    };
    return table;
}

TProcessInfoObject::TProcessInfoObject() : TBasicWMIInfo(ltProcesses) {}

TProcessInfoObject::TProcessInfoObject(std::shared_ptr<fw::wmi::Object> wbemObject)
    : TBasicWMIInfo(ltProcesses) {
    WbemObject = std::move(wbemObject);
    SetID(fw::Value::UInt32(InstanceID("Win32_Process")));
}

TProcessInfoObject::TProcessInfoObject(DWORD id, std::shared_ptr<fw::wmi::Services> services)
    : TBasicWMIInfo(ltProcesses, std::move(services)) {
    SetID(fw::Value::UInt32(id));
}

DWORD TProcessInfoObject::Id() const {
    std::int64_t id = 0;
    ProcessID.toInt64(id);
    return static_cast<DWORD>(id);
}

std::string TProcessInfoObject::ObjectPath() const {
    return "Win32_Process.Handle=\"" + std::to_string(Id()) + "\"";
}

void TProcessInfoObject::SetID(const fw::Value& id) {
    std::int64_t n = 0;
    id.toInt64(n);
    ProcessID = fw::Value::UInt32(static_cast<std::uint32_t>(n));
    ProcessHandle.reset(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, Id()));
    if (Services && !WbemObject) WbemObject = Services->getObject(ObjectPath());
}

void TProcessInfoObject::Refresh() {
    if (Services) WbemObject = Services->getObject(ObjectPath());
}

void TProcessInfoObject::LoadExePath() {
    fw::Value path;
    if (!WbemObject)
        ExePath = TextUnavailable;
    else if (TryReadWMI("ExecutablePath", path) || TryReadWMI("Caption", path))
        ExePath = path.toText();
    else
        ExePath = TextUnavailable;
}

fw::Value TProcessInfoObject::ReadProcessID() {
    return ProcessID;
}
fw::Value TProcessInfoObject::ReadModuleName() {
    return ReadWMIProperty("Caption", TextUnavailable, WmiConversion::Text);
}
fw::Value TProcessInfoObject::ReadModulePath() {
    return ReadWMIProperty("ExecutablePath", TextUnavailable, WmiConversion::Directory);
}
fw::Value TProcessInfoObject::ReadThreadCount() {
    return ReadWMIProperty("ThreadCount");
}
fw::Value TProcessInfoObject::ReadKernelModeTime() {
    return ReadWMIProperty("KernelModeTime");
}
fw::Value TProcessInfoObject::ReadUserModeTime() {
    return ReadWMIProperty("UserModeTime");
}
fw::Value TProcessInfoObject::ReadCreationTime() {
    return ReadWMIProperty("CreationDate", TextUnavailable, WmiConversion::Date);
}
fw::Value TProcessInfoObject::ReadPriority() {
    return ReadWMIProperty("Priority");
}

fw::Value TProcessInfoObject::ReadPriorityBoost() {
    BOOL disabled = FALSE;
    if (!ProcessHandle || !GetProcessPriorityBoost(ProcessHandle.get(), &disabled)) return TextUnavailable;
    return fw::Value::Bool(!disabled);
}

fw::Value TProcessInfoObject::ReadParentProcessId() {
    return ReadWMIProperty("ParentProcessId");
}
fw::Value TProcessInfoObject::ReadCommandLine() {
    return ReadWMIProperty("CommandLine");
}

fw::Value TProcessInfoObject::ReadPriorityClass() {
    if (!ProcessHandle) return TextUnavailable;
    DWORD priority = GetPriorityClass(ProcessHandle.get());
    if (priority == 0) return TextUnavailable;
    return LookupConstName(priority, PriorityClassNames, TextUnavailable);
}

fw::Value TProcessInfoObject::GuiObjects(DWORD which) {
    if (!ProcessHandle) return TextUnavailable;
    SetLastError(0);
    DWORD count = GetGuiResources(ProcessHandle.get(), which);
    return count != 0 || GetLastError() == 0 ? fw::Value::UInt32(count) : fw::Value(TextUnavailable);
}

fw::Value TProcessInfoObject::ReadGDIObjects() {
    return GuiObjects(GR_GDIOBJECTS);
}
fw::Value TProcessInfoObject::ReadUserObjects() {
    return GuiObjects(GR_USEROBJECTS);
}

fw::Value TProcessInfoObject::Affinity(bool system) {
    DWORD_PTR processMask = 0, systemMask = 0;
    if (!ProcessHandle || !GetProcessAffinityMask(ProcessHandle.get(), &processMask, &systemMask))
        return TextUnavailable;
    return fw::Value::UInt32(static_cast<std::uint32_t>(system ? systemMask : processMask));
}

fw::Value TProcessInfoObject::ReadSystemAffinity() {
    return Affinity(true);
}
fw::Value TProcessInfoObject::ReadProcessAffinity() {
    return Affinity(false);
}

fw::Value TProcessInfoObject::ReadPageFaults() {
    return ReadWMIProperty("PageFaults");
}
fw::Value TProcessInfoObject::ReadPrivatePageCount() {
    return ReadWMIProperty("PrivatePageCount", TextUnavailable, WmiConversion::Int64);
}
fw::Value TProcessInfoObject::ReadPageFileUsage() {
    return ReadWMIProperty("PageFileUsage");
}
fw::Value TProcessInfoObject::ReadPeakPageFileUsage() {
    return ReadWMIProperty("PeakPageFileUsage");
}
fw::Value TProcessInfoObject::ReadWorkingSetSize() {
    return ReadWMIProperty("WorkingSetSize", TextUnavailable, WmiConversion::Int64);
}
fw::Value TProcessInfoObject::ReadPeakWorkingSetSize() {
    return ReadWMIProperty("PeakWorkingSetSize");
}
fw::Value TProcessInfoObject::ReadQuotaPagedPoolUsage() {
    return ReadWMIProperty("QuotaPagedPoolUsage");
}
fw::Value TProcessInfoObject::ReadQuotaNonPagedPoolUsage() {
    return ReadWMIProperty("QuotaNonPagedPoolUsage");
}
fw::Value TProcessInfoObject::ReadQuotaPeakPagedPoolUsage() {
    return ReadWMIProperty("QuotaPeakPagedPoolUsage");
}
fw::Value TProcessInfoObject::ReadQuotaPeakNonPagedPoolUsage() {
    return ReadWMIProperty("QuotaPeakNonPagedPoolUsage");
}
fw::Value TProcessInfoObject::ReadVirtualSize() {
    return ReadWMIProperty("VirtualSize", TextUnavailable, WmiConversion::Int64);
}
fw::Value TProcessInfoObject::ReadPeakVirtualSize() {
    return ReadWMIProperty("PeakVirtualSize", TextUnavailable, WmiConversion::Int64);
}
fw::Value TProcessInfoObject::ReadMaximumWorkingSetSize() {
    return ReadWMIProperty("MaximumWorkingSetSize");
}
fw::Value TProcessInfoObject::ReadMinimumWorkingSetSize() {
    return ReadWMIProperty("MinimumWorkingSetSize");
}
fw::Value TProcessInfoObject::ReadWriteOperationCount() {
    return ReadWMIProperty("WriteOperationCount", TextUnavailable, WmiConversion::Int64);
}
fw::Value TProcessInfoObject::ReadWriteTransferCount() {
    return ReadWMIProperty("WriteTransferCount", TextUnavailable, WmiConversion::Int64);
}
fw::Value TProcessInfoObject::ReadReadOperationCount() {
    return ReadWMIProperty("ReadOperationCount", TextUnavailable, WmiConversion::Int64);
}
fw::Value TProcessInfoObject::ReadReadTransferCount() {
    return ReadWMIProperty("ReadTransferCount", TextUnavailable, WmiConversion::Int64);
}
fw::Value TProcessInfoObject::ReadOtherOperationCount() {
    return ReadWMIProperty("OtherOperationCount", TextUnavailable, WmiConversion::Int64);
}
fw::Value TProcessInfoObject::ReadOtherTransferCount() {
    return ReadWMIProperty("OtherTransferCount", TextUnavailable, WmiConversion::Int64);
}

fw::Value TProcessInfoObject::OwnerValue(const char* method, const char* field) {
    if (!WbemObject) return TextUnavailable;
    std::shared_ptr<fw::wmi::Object> result;
    try {
        result = WbemObject->execMethod(method, {});
    } catch (const fw::EOleException& e) {
        if (!fw::wmi::isNotProvided(e.code())) throw;
        return TextUnavailable;
    }
    fw::Value returnValue, value;
    std::int64_t code = -1;
    if (!result || !result->get("ReturnValue", returnValue) || !returnValue.toInt64(code) || code != 0)
        return TextUnavailable;
    if (!result->get(field, value) || value.isNull()) return TextUnavailable;
    return value.toText();
}

fw::Value TProcessInfoObject::ReadOwner() {
    return OwnerValue("GetOwner", "User");
}
fw::Value TProcessInfoObject::ReadDomain() {
    return OwnerValue("GetOwner", "Domain");
}
fw::Value TProcessInfoObject::ReadOwnerSID() {
    return OwnerValue("GetOwnerSid", "Sid");
}

fw::Value TProcessInfoObject::ReadIsService() {
    if (!Services) return TextUnavailable;
    if (Id() == 0) return fw::Value::Bool(false);
    auto services =
        Services->execQuery("SELECT * FROM Win32_Service WHERE ProcessId = " + std::to_string(Id()));
    return fw::Value::Bool(services && services->next() != nullptr);
}

namespace {

const char* terminateFailureText(std::int64_t code) {
    switch (code) {
    case 2:
        return "Access denied";
    case 3:
        return "Insufficient privilege";
    case 8:
        return "Unknown failure";
    case 9:
        return "Path not found";
    case 21:
        return "Invalid parameter";
    default:
        return "";
    }
}

void showError(const std::string& text) {
    fw::applicationMessageBox(text, "Error", MB_ICONERROR);
}

} // namespace

bool TProcessInfoObject::ProcessHasEnded(DWORD waitMs) {
    fw::Handle waitable(OpenProcess(SYNCHRONIZE, FALSE, Id()));
    if (waitable) return fw::waitAnswering(waitable.get(), waitMs);
    const DWORD openError = GetLastError();
    DWORD exitCode = 0;
    if (ProcessHandle && GetExitCodeProcess(ProcessHandle.get(), &exitCode)) return exitCode != STILL_ACTIVE;
    // No handle to ask: a process ID that no longer opens names no process.
    return openError == ERROR_INVALID_PARAMETER;
}

bool TProcessInfoObject::TerminateProcessInfo() {
    if (fw::applicationMessageBox("Are you sure you want to terminate this process?", "Terminate process",
                                  MB_YESNO | MB_ICONQUESTION) == IDNO)
        return false;
    std::string errorText;
    if (WbemObject) {
        try {
            std::shared_ptr<fw::wmi::Object> result =
                WbemObject->execMethod("Terminate", {{"Reason", fw::Value::Int32(0)}});
            fw::Value returnValue;
            std::int64_t code = -1;
            if (result && result->get("ReturnValue", returnValue)) returnValue.toInt64(code);
            if (code == 0) {
                // Termination completes asynchronously: wait for it before judging.
                if (ProcessHasEnded(TerminateWaitMs)) return true;
                showError("Unable to terminate process");
                return false;
            }
            errorText = terminateFailureText(code);
        } catch (const fw::EOleException&) {
            // WMI could not even try (Wine has no such method): Win32 may still succeed.
        }
    }
    fw::Handle process(OpenProcess(PROCESS_TERMINATE, FALSE, Id()));
    if (!process) {
        const DWORD error = GetLastError();
        // No such process any more: the caller says so, where the system would say "The parameter is
        // incorrect."
        if (errorText.empty() && error == ERROR_INVALID_PARAMETER)
            throw fw::Exception("No process with ID " + std::to_string(Id()));
        if (errorText.empty()) errorText = fw::sysErrorMessage(error);
        showError(errorText);
        return false;
    }
    if (!TerminateProcess(process.get(), 0)) {
        const DWORD error = GetLastError();
        // One that ended by itself meanwhile refuses to be ended again: no failure to report.
        if (!ProcessHasEnded(0)) showError(fw::sysErrorMessage(error));
    }
    process.reset();
    if (ProcessHasEnded(TerminateWaitMs)) return true;
    showError("Unable to terminate process");
    return false;
}
