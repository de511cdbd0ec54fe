#include "InfoObjects.h"

#include "core/ConstNames.h"

#define OSTREL_PROPERTY(name) OSTREL_PUBLISHED(TServiceInfoObject, name)

std::span<const TPropertyInfo> TServiceInfoObject::Table() {
    static const TPropertyInfo table[] = {
        OSTREL_PROPERTY(AcceptPause),  OSTREL_PROPERTY(AcceptStop),      OSTREL_PROPERTY(CheckPoint),
        OSTREL_PROPERTY(Description),  OSTREL_PROPERTY(DesktopInteract), OSTREL_PROPERTY(DisplayName),
        OSTREL_PROPERTY(ErrorControl), OSTREL_PROPERTY(ExitCode),        OSTREL_PROPERTY(Name),
        OSTREL_PROPERTY(PathName),     OSTREL_PROPERTY(ProcessID),       OSTREL_PROPERTY(ServiceType),
        OSTREL_PROPERTY(Started),      OSTREL_PROPERTY(StartMode),       OSTREL_PROPERTY(StartName),
        OSTREL_PROPERTY(State),        OSTREL_PROPERTY(Status),
    };
    return table;
}

TServiceInfoObject::TServiceInfoObject() : TBasicWMIInfo(ltServices) {}

TServiceInfoObject::TServiceInfoObject(std::shared_ptr<fw::wmi::Object> wbemObject)
    : TBasicWMIInfo(ltServices) {
    WbemObject = std::move(wbemObject);
    fw::Value name;
    TryReadWMI("Name", name);
    SetID(name.toText());
}

std::string TServiceInfoObject::ObjectPath(const std::string& name) {
    std::string path = "Win32_Service.Name=\"";
    for (char c : name) {
        if (c == '\\' || c == '"') path += '\\';
        path += c;
    }
    return path + "\"";
}

void TServiceInfoObject::SetID(const fw::Value& name) {
    Name = name.toText();
    if (Services && !WbemObject) WbemObject = Services->getObject(ObjectPath(Name));
}

void TServiceInfoObject::Refresh() {
    if (Services) WbemObject = Services->getObject(ObjectPath(Name));
}

fw::Value TServiceInfoObject::ReadAcceptPause() {
    return ReadWMIProperty("AcceptPause");
}
fw::Value TServiceInfoObject::ReadAcceptStop() {
    return ReadWMIProperty("AcceptStop");
}
fw::Value TServiceInfoObject::ReadCheckPoint() {
    return ReadWMIProperty("CheckPoint");
}
fw::Value TServiceInfoObject::ReadDescription() {
    return ReadWMIProperty("Description", TextNone);
}
fw::Value TServiceInfoObject::ReadDesktopInteract() {
    return ReadWMIProperty("DesktopInteract");
}
fw::Value TServiceInfoObject::ReadDisplayName() {
    return ReadWMIProperty("DisplayName");
}
fw::Value TServiceInfoObject::ReadErrorControl() {
    return ReadWMIProperty("ErrorControl");
}

fw::Value TServiceInfoObject::ReadExitCode() {
    fw::Value code;
    std::int64_t n = 0;
    if (!TryReadWMI("ExitCode", code) || !code.toInt64(n)) return TextUnavailable;
    return LookupConstName(static_cast<std::uint32_t>(n), SystemErrorCodeTable(), TextUnavailable);
}

fw::Value TServiceInfoObject::ReadName() {
    return Name;
}
fw::Value TServiceInfoObject::ReadPathName() {
    return ReadWMIProperty("PathName");
}

fw::Value TServiceInfoObject::ReadProcessID() {
    fw::Value id;
    std::int64_t n = -1;
    if (!TryReadWMI("ProcessId", id)) return TextUnavailable;
    if (id.toInt64(n) && n == 0) return TextNone;
    return id;
}

fw::Value TServiceInfoObject::ReadServiceType() {
    return ReadWMIProperty("ServiceType");
}
fw::Value TServiceInfoObject::ReadStarted() {
    return ReadWMIProperty("Started");
}
fw::Value TServiceInfoObject::ReadStartMode() {
    return ReadWMIProperty("StartMode");
}
fw::Value TServiceInfoObject::ReadStartName() {
    return ReadWMIProperty("StartName");
}
fw::Value TServiceInfoObject::ReadState() {
    return ReadWMIProperty("State");
}
fw::Value TServiceInfoObject::ReadStatus() {
    return ReadWMIProperty("Status");
}
