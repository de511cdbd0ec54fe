#include "ConstVars.h"
#include "Properties.h"
#include "ResourceIds.h"
#include "SplashScreen.h"
#include "core/NumberFormat.h"
#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/MessageBox.h"
#include "framework/Registry.h"
#include "framework/Resources.h"
#include <shellapi.h>
#include <cstdio>
#include <cstdlib>
#include <vector>

TOSTREL_Settings* OstrelSettings = nullptr;
UINT TaskbarCreatedMessage = 0;

namespace {
const char* const instanceSemaphoreName = "{23A3BE67-3A76-4F22-B07D-6443CBA3803B}";

void ReadByte(const fw::Registry& reg, const core::ByteSetting& setting, uint8_t& field) {
    uint8_t value = field;
    if (reg.readBinaryData(setting.name, &value, 1) == 1 && !core::ByteInRange(setting, value))
        throw fw::ERegistryException(std::string("Value out of range: ") + setting.name);
    field = value;
}

std::vector<std::string> CommandLineParameters() {
    std::vector<std::string> parameters;
    for (int i = 1; i < __argc; ++i) parameters.emplace_back(__argv[i]);
    return parameters;
}
} // namespace

std::string ExecutablePath() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : 0);
}

uint8_t GetOSClass() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) return core::osUnsupported;
    return core::OSClassFromVersion(info.dwPlatformId, info.dwMajorVersion);
}

void EnableDebugPrivilege() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &raw)) return;
    fw::Handle token(raw);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    SetLastError(0);
    if (LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof privileges, nullptr, nullptr);
    // The call reports ERROR_NOT_ALL_ASSIGNED with success, so the error code decides.
    if (GetLastError() != 0)
        fw::messageBox(fw::application().handle(),
                       "Couldn't enable Debug-Privilege!  Some informations won't be available!",
                       "No Debug-Privilege", MB_OK | MB_ICONWARNING);
}

core::FileVersion GetFileVersion(const std::string& path, std::string* productVersion) {
    core::FileVersion version;
    if (productVersion) productVersion->clear();
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) return version;
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return version;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed &&
        length >= sizeof *fixed) {
        version = {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                   HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
    }
    if (!productVersion) return version;
    WORD* translation = nullptr;
    if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                        &length) ||
        !translation || length < 2 * sizeof(WORD))
        return version;
    char query[64];
    std::snprintf(query, sizeof query, "\\StringFileInfo\\%08lx\\ProductVersion",
                  static_cast<unsigned long>(DWORD(translation[0]) << 16 | translation[1]));
    char* text = nullptr;
    if (VerQueryValueA(data.data(), query, reinterpret_cast<void**>(&text), &length) && text && length > 0)
        productVersion->assign(text, strnlen(text, length));
    return version;
}

TOSTREL_Settings::TOSTREL_Settings() {
    OSClass = GetOSClass();
    if (OSClass == core::osUnsupported) {
        fw::messageBox(nullptr, "This Program needs Win2000 or higher", "Unsupported OS",
                       MB_OK | MB_ICONERROR);
        throw fw::EHalt{0};
    }
    SplashForm = std::make_unique<TSplashScreenForm>();
    // Every number shown or parsed follows these two fields as the settings dialog changes them.
    BindNumberFormats(&IntFormat, &ParseFormat);
}

TOSTREL_Settings::~TOSTREL_Settings() {
    BindNumberFormats(nullptr, nullptr);
    if (SaveAtExit) SaveToRegistry();
}

std::string TOSTREL_Settings::RegistryKey() {
    return "Software\\" + fw::loadString(IDS_COMPANYNAME) + "\\" + fw::loadString(IDS_PRODUCTNAME);
}

void TOSTREL_Settings::Initialize() {
    Loading = true;
    SaveAtExit = false;

    // Only the semaphore's existence matters: it marks a running instance.
    fw::Semaphore instance(0, 1, instanceSemaphoreName);
    if (instance.alreadyExisted()) {
        if (HWND first = FindWindowExA(nullptr, nullptr, "TOstrelMainForm", nullptr)) {
            BringWindowToTop(first);
            SetForegroundWindow(first);
        }
        throw fw::EHalt{0};
    }
    InstanceSemaphore = instance.takeHandle();

    TaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    EnableDebugPrivilege();
    ParseFormat = 3;
    Version = GetFileVersion(ExecutablePath());

    // The file's own small icon, as the shell shows it; asked of the file itself, since Wine's shell
    // answers with a generic icon for programs.
    HICON small = nullptr;
    if (ExtractIconExA(ExecutablePath().c_str(), 0, nullptr, &small, 1) > 0) ProgramIcon.reset(small);

    ThreadSemaphore.reset(CreateSemaphoreA(nullptr, 5, 5, "OSTREL_ThreadCounter"));
    SaveAtExit = true;
    LoadFromRegistry();
    Loading = false;
}

void TOSTREL_Settings::ApplyDefaults() {
    IntFormat = 1;
    AppBarDocking = true;
    StayOnTop = false;
    SaveDesktopIcons = true;
    Style = 0;
    Minimization = 0;
    MainFinder = true;
    UseHotKey = false;
    HotKey = 0x4079;
    CodeLanguage = 0;
}

void TOSTREL_Settings::LoadFromRegistry() {
    core::CommandLineFlags flags = core::ParseCommandLine(CommandLineParameters());
    bool reset = flags.reset, showDialog = flags.showDialog;
    const std::string key = RegistryKey();

    fw::Registry reg;
    if (!reg.keyExists(key)) {
        reset = showDialog = true;
        reg.openKey(key, true);
    } else if (!reset) {
        try {
            if (!reg.openKey(key, false)) throw fw::ERegistryException("Cannot open " + key);
            ReadByte(reg, core::intFormatSetting, IntFormat);
            ReadByte(reg, core::styleSetting, Style);
            ReadByte(reg, core::minimizationSetting, Minimization);
            uint8_t stored[core::storedVersionSize] = {};
            size_t storedSize = reg.readBinaryData("Version", stored, sizeof stored);
            uint8_t hotKey[2] = {uint8_t(HotKey), uint8_t(HotKey >> 8)};
            reg.readBinaryData("HotKey", hotKey, sizeof hotKey);
            HotKey = uint16_t(hotKey[0] | hotKey[1] << 8);
            ReadByte(reg, core::codeLanguageSetting, CodeLanguage);
            AppBarDocking = reg.readBool("AppBarDocking");
            StayOnTop = reg.readBool("StayOnTop");
            MainFinder = reg.readBool("MainFinder");
            UseHotKey = reg.readBool("UseHotKey");
            SaveDesktopIcons = reg.readBool("SaveDesktopIcons");
            if (core::CompareVersions(core::VersionFromBytes(stored, storedSize), Version) < 0)
                reset = showDialog = true;
        } catch (const fw::ERegistryException&) {
            reset = showDialog = true;
        }
    }
    reg.closeKey();

    LoadColumnSettings(ColumnSettings, key, reset);

    try {
        if (reg.openKey(key, true)) {
            std::string path = ExecutablePath();
            reg.writeString("AppPath", path.substr(0, path.find_last_of('\\') + 1));
        }
    } catch (const fw::ERegistryException&) {
    }
    reg.closeKey();

    if (reset) ApplyDefaults();

    if (showDialog) {
        // Before the main form exists there is nothing to apply a setting to: the main form's creation
        // docks, adds the tray icon and registers the hot key from what the dialog stored.
        struct : TSettingsTargets {
            void ApplyIntFormatToForms() override {}
            void ApplyStyle(bool) override {}
            void ApplyAppBarDocking() override {}
            void ApplyStayOnTop() override {}
            void ApplyMinimization() override {}
            void ApplyMainFinder() override {}
            void UpdateHotKey() override {}
            void ApplyCodeLanguage() override {}
        } noWindowsYet;
        TPropertyForm dialog(fw::application().handle(), *this, noWindowsYet);
        if (SplashForm) SplashForm->hide();
        if (dialog.showModal() == fw::mrCancel) {
            SaveAtExit = false;
            throw fw::EHalt{1};
        }
        if (SplashForm) SplashForm->show(SW_SHOWNOACTIVATE);
    }
    SelectCodeLanguage();
}

void TOSTREL_Settings::SaveToRegistry() {
    // The columns are written even when the values are not: each has its own subkey to open.
    SaveSettingValues(RegistryKey());
    SaveColumnSettings(ColumnSettings, RegistryKey());
}

void TOSTREL_Settings::SaveSettingValues(const std::string& key) {
    try {
        fw::Registry reg;
        if (!reg.openKey(key, true)) return;
        reg.writeBinaryData(core::intFormatSetting.name, &IntFormat, 1);
        reg.writeBinaryData(core::styleSetting.name, &Style, 1);
        reg.writeBinaryData(core::minimizationSetting.name, &Minimization, 1);
        uint8_t version[core::storedVersionSize];
        core::VersionToBytes(Version, version);
        reg.writeBinaryData("Version", version, sizeof version);
        uint8_t hotKey[2] = {uint8_t(HotKey), uint8_t(HotKey >> 8)};
        reg.writeBinaryData("HotKey", hotKey, sizeof hotKey);
        reg.writeBinaryData(core::codeLanguageSetting.name, &CodeLanguage, 1);
        reg.writeBool("AppBarDocking", AppBarDocking);
        reg.writeBool("StayOnTop", StayOnTop);
        reg.writeBool("SaveDesktopIcons", SaveDesktopIcons);
        reg.writeBool("MainFinder", MainFinder);
        reg.writeBool("UseHotKey", UseHotKey);
    } catch (const fw::ERegistryException&) {
        // Writing at exit reports nothing.
    }
}

void TOSTREL_Settings::SelectCodeLanguage() {
    if (CodeLanguage == 0) {
        OperatorTable = &PascalOperators;
        TokenTable = &PascalTokens;
    } else if (CodeLanguage == 1) {
        OperatorTable = &COperators;
        TokenTable = &CTokens;
    }
}

void ConstVarsInitialization() {
    OstrelSettings = new TOSTREL_Settings;
    try {
        OstrelSettings->Initialize();
    } catch (...) {
        ConstVarsFinalization();
        throw;
    }
}

void ConstVarsFinalization() {
    delete OstrelSettings;
    OstrelSettings = nullptr;
    fw::application().setCursor(1, fw::Cursor());
}
