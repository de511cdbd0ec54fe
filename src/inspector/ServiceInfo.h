#pragma once
// The detail window of one service.
#include "Info_Form.h"

class TServiceInfoForm : public TInfoForm {
public:
    explicit TServiceInfoForm(const std::string& name, TListingSources& sources = SystemSources());

    TServiceInfoObject& ServiceInfo() { return static_cast<TServiceInfoObject&>(*Info); }
    const std::string& Name() const { return static_cast<const TServiceInfoObject&>(*Info).Name; }

    void UpdateInfo() override;
    void UpdateIntFormat() override;

    HWND laName, edDisplayName, meDescription, edPath, laServiceType, laErrorControl, laStartName,
        laStartMode, laDesktopInteract, laAcceptPause, laAcceptStop;
    TNumberLink* laProcessID;
    HWND laStarted, laCheckPoint, laStatus, laState;

private:
    void InitInfo(const std::string& name);
};
