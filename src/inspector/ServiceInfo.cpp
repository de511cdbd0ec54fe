#include "ServiceInfo.h"

#include "FormatConsts.h"

TServiceInfoForm::TServiceInfoForm(const std::string& name, TListingSources& sources)
    : TInfoForm(std::make_unique<TServiceInfoObject>(), "Service Info", sources) {
    AddPage("General");
    laName = AddField(0, 0, "Name:");
    edDisplayName = AddEdit(0, 1, "Display Name:");
    meDescription = AddEdit(0, 2, "Description:", 3);
    edPath = AddEdit(0, 5, "Path:");
    laServiceType = AddField(0, 6, "Service Type:");
    laErrorControl = AddField(0, 7, "Error Control:");
    laStartName = AddField(0, 8, "Start Name:");
    laStartMode = AddField(0, 9, "Start Mode:");
    laDesktopInteract = AddField(0, 10, "Desktop Interact:");
    laAcceptPause = AddField(0, 11, "Accept Pause:", 0);
    laAcceptStop = AddField(0, 11, "Accept Stop:", 1);
    laProcessID = &AddLink(0, 12, "ProcessID:");
    laStarted = AddField(0, 14, "Started:", 0);
    laCheckPoint = AddField(0, 14, "CheckPoint:", 1);
    laStatus = AddField(0, 15, "Status:", 0);
    laState = AddField(0, 15, "State:", 1);
    InitInfo(name);
}

void TServiceInfoForm::InitInfo(const std::string& name) {
    TServiceInfoObject& info = ServiceInfo();
    BindWmi(info, fw::Value(name), "No Serivce with Name " + name + " found.");
    SetText(laName, info.ReadName().toText());
    SetText(edDisplayName, info.ReadDisplayName().toText());
    SetText(meDescription, info.ReadDescription().toText());
    SetText(edPath, info.ReadPathName().toText());
    SetText(laServiceType, info.ReadServiceType().toText());
    SetText(laErrorControl, info.ReadErrorControl().toText());
    SetText(laStartName, info.ReadStartName().toText());
    SetText(laStartMode, info.ReadStartMode().toText());
    SetText(laDesktopInteract, info.ReadDesktopInteract().toText());
    SetText(laAcceptPause, info.ReadAcceptPause().toText());
    SetText(laAcceptStop, info.ReadAcceptStop().toText());
    // A stopped service has no process: "(None)" and no link.
    SetNumberLink(*laProcessID, info.ReadProcessID(), ltProcesses);
    UpdateInfo();
}

void TServiceInfoForm::UpdateInfo() {
    TServiceInfoObject& info = ServiceInfo();
    SetText(laStarted, info.ReadStarted().toText());
    SetText(laCheckPoint, info.ReadCheckPoint().toText());
    SetText(laStatus, info.ReadStatus().toText());
    SetText(laState, info.ReadState().toText());
}

void TServiceInfoForm::UpdateIntFormat() {
    ReformatLink(*laProcessID);
}
