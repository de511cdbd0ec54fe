#pragma once
// The information objects: one window, process, thread, service or module file each. Every attribute
// is a property read through the class's property table, whose declared order is the catalogue of list
// columns and detail fields. Readers give placeholders for what cannot be read; failing WMI calls throw
// fw::EOleException. Objects never connect to WMI themselves and are used by one thread only.
#include "ListTypes.h"
#include "core/Placeholders.h"
#include "framework/Handles.h"
#include "framework/Wmi.h"
#include "framework/core/Value.h"

#include <windows.h>

#include <memory>
#include <span>
#include <string>
#include <vector>

class TBasicInfo;

struct TPropertyInfo {
    const char* Name;
    fw::Value (TBasicInfo::*Getter)();
};

// One row of a class's property table: the published name and the class's reader Read<name>.
#define OSTREL_PUBLISHED(Class, name)                                                                        \
    TPropertyInfo {                                                                                          \
#name, static_cast < fw::Value (TBasicInfo::*)()>(&Class::Read##name)                                \
    }

class TBasicInfo {
public:
    explicit TBasicInfo(TListTypes kind) : Kind(kind) {}
    virtual ~TBasicInfo() = default;

    TListTypes Kind;

    virtual void Refresh() = 0;
    virtual std::span<const TPropertyInfo> Properties() const = 0;

    fw::Value Read(const TPropertyInfo& property) { return (this->*property.Getter)(); }
    // Reads a property by name; throws std::out_of_range for a name the class does not publish.
    fw::Value ReadProperty(const std::string& name);
};

// The property table of a kind's class, in declared order.
std::span<const TPropertyInfo> PropertyTable(TListTypes kind);
const TPropertyInfo* FindProperty(std::span<const TPropertyInfo> table, const std::string& name);

// How a getter turns a WMI value into its own.
enum class WmiConversion { AsIs, Text, Int64, Signed, Directory, Date };

class TBasicWMIInfo : public TBasicInfo {
public:
    TBasicWMIInfo(TListTypes kind, std::shared_ptr<fw::wmi::Services> services = nullptr);

    std::shared_ptr<fw::wmi::Services> Services;
    std::shared_ptr<fw::wmi::Object> WbemObject;

    virtual void SetID(const fw::Value& id) = 0;

    // One property of WbemObject: nullText when it is null, "(Unavailable)" when there is no object or
    // its class lacks the property (or the conversion fails), else the converted value.
    fw::Value ReadWMIProperty(const std::string& name, const char* nullText = TextUnavailable,
                              WmiConversion conversion = WmiConversion::AsIs) const;
    // The raw value; false for no object, a missing property or null.
    bool TryReadWMI(const std::string& name, fw::Value& out) const;

protected:
    // The instance's "Handle" as an ID. Without a usable one it names nothing we could read: raised as
    // for an instance that has gone, never bound to ID 0.
    std::uint32_t InstanceID(const char* className) const;
};

class TWindowInfoObject : public TBasicInfo {
public:
    explicit TWindowInfoObject(HWND handle = nullptr);

    HWND Handle;
    INT_PTR BigIcon; // -1 until the window has been asked
    INT_PTR SmallIcon;

    void Refresh() override {}
    std::span<const TPropertyInfo> Properties() const override { return Table(); }
    static std::span<const TPropertyInfo> Table();

    HICON GetBigIcon();
    HICON GetSmallIcon();
    void GetClientRect(RECT& r) const;
    void GetWindowRect(RECT& r) const;
    void GetNormalRect(RECT& r) const;

    fw::Value ReadHandle();
    fw::Value ReadWndProc();
    fw::Value ReadWindowText();
    fw::Value ReadControlID();
    fw::Value ReadWindowStyle();
    fw::Value ReadExtWindowStyle();
    fw::Value ReadClassName();
    fw::Value ReadClassAtom();
    fw::Value ReadClassBytes();
    fw::Value ReadClassModule();
    fw::Value ReadClassWndProc();
    fw::Value ReadClassInstanceHandle();
    fw::Value ReadWindowBytes();
    fw::Value ReadProcessID();
    fw::Value ReadThreadID();
    fw::Value ReadUnicode();
    fw::Value ReadParentWindow();
    fw::Value ReadOwnerWindow();
    fw::Value ReadClassStyle();
    fw::Value ReadMenuHandle();
    fw::Value ReadInstanceHandle();

private:
    fw::Value ClassLong(int index) const;
    fw::Value WindowLong(int index) const;
    HICON Icon(INT_PTR& cache, WPARAM which, int classIndex);
};

class TProcessInfoObject : public TBasicWMIInfo {
public:
    // Unbound; bind with SetID.
    TProcessInfoObject();
    // An enumerated Win32_Process instance, bound to its "Handle".
    explicit TProcessInfoObject(std::shared_ptr<fw::wmi::Object> wbemObject);
    // By process ID; throws when WMI has no such process.
    TProcessInfoObject(DWORD id, std::shared_ptr<fw::wmi::Services> services);

    fw::Handle ProcessHandle;
    fw::Value ProcessID;
    std::string ExePath;

    void SetID(const fw::Value& id) override;
    void Refresh() override;
    std::span<const TPropertyInfo> Properties() const override { return Table(); }
    static std::span<const TPropertyInfo> Table();

    void LoadExePath();
    // Asks, terminates and reports; true when the process is gone. Raises, for the caller to report,
    // when there was no such process left to terminate.
    bool TerminateProcessInfo();

    fw::Value ReadProcessID();
    fw::Value ReadModuleName();
    fw::Value ReadModulePath();
    fw::Value ReadThreadCount();
    fw::Value ReadKernelModeTime();
    fw::Value ReadUserModeTime();
    fw::Value ReadCreationTime();
    fw::Value ReadPriority();
    fw::Value ReadPriorityBoost();
    fw::Value ReadParentProcessId();
    fw::Value ReadCommandLine();
    fw::Value ReadPriorityClass();
    fw::Value ReadGDIObjects();
    fw::Value ReadUserObjects();
    fw::Value ReadSystemAffinity();
    fw::Value ReadProcessAffinity();
    fw::Value ReadPageFaults();
    fw::Value ReadPrivatePageCount();
    fw::Value ReadPageFileUsage();
    fw::Value ReadPeakPageFileUsage();
    fw::Value ReadWorkingSetSize();
    fw::Value ReadPeakWorkingSetSize();
    fw::Value ReadQuotaPagedPoolUsage();
    fw::Value ReadQuotaNonPagedPoolUsage();
    fw::Value ReadQuotaPeakPagedPoolUsage();
    fw::Value ReadQuotaPeakNonPagedPoolUsage();
    fw::Value ReadVirtualSize();
    fw::Value ReadPeakVirtualSize();
    fw::Value ReadMaximumWorkingSetSize();
    fw::Value ReadMinimumWorkingSetSize();
    fw::Value ReadWriteOperationCount();
    fw::Value ReadWriteTransferCount();
    fw::Value ReadReadOperationCount();
    fw::Value ReadReadTransferCount();
    fw::Value ReadOtherOperationCount();
    fw::Value ReadOtherTransferCount();
    fw::Value ReadOwner();
    fw::Value ReadDomain();
    fw::Value ReadOwnerSID();
    fw::Value ReadIsService();

    // How long the exit check waits for a terminated process to end.
    static constexpr DWORD TerminateWaitMs = 3000;

private:
    std::string ObjectPath() const;
    DWORD Id() const;
    fw::Value OwnerValue(const char* method, const char* field);
    fw::Value GuiObjects(DWORD which);
    fw::Value Affinity(bool system);
    // Waits up to waitMs for the process to end, the windows answering meanwhile.
    bool ProcessHasEnded(DWORD waitMs);
};

class TThreadInfoObject : public TBasicWMIInfo {
public:
    TThreadInfoObject();
    // An enumerated Win32_Thread instance, bound to its "Handle".
    explicit TThreadInfoObject(std::shared_ptr<fw::wmi::Object> wbemObject);

    fw::Handle ThreadHandle;
    fw::Value ThreadID;
    std::string ExePath;
    TProcessInfoObject* OwnerProcess = nullptr; // not owned

    void SetID(const fw::Value& id) override;
    // Throws std::runtime_error "No such Thread found" when WMI no longer knows the thread.
    void Refresh() override;
    std::span<const TPropertyInfo> Properties() const override { return Table(); }
    static std::span<const TPropertyInfo> Table();

    void LoadExePath();

    fw::Value ReadThreadID();
    fw::Value ReadModuleName();
    fw::Value ReadModulePath();
    fw::Value ReadParentProcessID();
    fw::Value ReadElapsedTime();
    fw::Value ReadKernelModeTime();
    fw::Value ReadUserModeTime();
    fw::Value ReadCreationTime();
    fw::Value ReadPriority();
    fw::Value ReadPriorityBase();
    fw::Value ReadPriorityBoost();
    fw::Value ReadStartAddress();
    fw::Value ReadThreadState();
    fw::Value ReadThreadWaitReason();

private:
    bool Times(FILETIME& creation, FILETIME& kernel, FILETIME& user) const;
};

class TServiceInfoObject : public TBasicWMIInfo {
public:
    TServiceInfoObject();
    // An enumerated Win32_Service instance, bound to its "Name".
    explicit TServiceInfoObject(std::shared_ptr<fw::wmi::Object> wbemObject);

    std::string Name;

    void SetID(const fw::Value& name) override;
    void Refresh() override;
    std::span<const TPropertyInfo> Properties() const override { return Table(); }
    static std::span<const TPropertyInfo> Table();

    // "Win32_Service.Name=\"...\"" with backslashes and quotes of the name escaped.
    static std::string ObjectPath(const std::string& name);

    fw::Value ReadAcceptPause();
    fw::Value ReadAcceptStop();
    fw::Value ReadCheckPoint();
    fw::Value ReadDescription();
    fw::Value ReadDesktopInteract();
    fw::Value ReadDisplayName();
    fw::Value ReadErrorControl();
    fw::Value ReadExitCode();
    fw::Value ReadName();
    fw::Value ReadPathName();
    fw::Value ReadProcessID();
    fw::Value ReadServiceType();
    fw::Value ReadStarted();
    fw::Value ReadStartMode();
    fw::Value ReadStartName();
    fw::Value ReadState();
    fw::Value ReadStatus();
};

class TModuleInfoObject : public TBasicInfo {
public:
    explicit TModuleInfoObject(std::string path = {});

    std::string Path;

    void Refresh() override {}
    std::span<const TPropertyInfo> Properties() const override { return Table(); }
    static std::span<const TPropertyInfo> Table();

    // Reads the file's version block on the first call only; true when there is one.
    bool LoadVersionInfo();
    // One string of the first translation: "(Unavailable)" when missing, "(None)" when empty.
    std::string GetVersionString(const std::string& key);

    fw::Value ReadModuleName();
    fw::Value ReadModulePath();
    fw::Value ReadVersion();
    fw::Value ReadComments();
    fw::Value ReadInternalName();
    fw::Value ReadProductName();
    fw::Value ReadCompanyName();
    fw::Value ReadLegalCopyright();
    fw::Value ReadProductVersion();
    fw::Value ReadFileDescription();
    fw::Value ReadLegalTrademarks();
    fw::Value ReadPrivateBuild();
    fw::Value ReadFileVersion();
    fw::Value ReadOriginalFilename();
    fw::Value ReadSpecialBuild();

private:
    std::vector<BYTE> VersionInfo; // empty until loaded, and for a file without a block
    bool VersionInfoRead = false;
    std::string VersionPrefix;
    bool HasTranslation = false;
};
