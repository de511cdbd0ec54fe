#pragma once
#include <windows.h>
#include <cstdint>
#include <memory>
#include <string>
#include "core/CodeCreator.h"
#include "ColumnSettings.h"
#include "core/SettingsRules.h"
#include "framework/Handles.h"
#include "framework/Sync.h"

class TSplashScreenForm;

// The user's settings for the whole run, and the run-time objects every part of the inspector shares.
// Created by the unit's initialisation, freed (and written to the registry) by its finalisation.
class TOSTREL_Settings {
public:
    TOSTREL_Settings(); // checks the system, shows the splash form
    ~TOSTREL_Settings();
    void Initialize();
    void LoadFromRegistry();
    void SaveToRegistry();
    void SelectCodeLanguage();
    static std::string RegistryKey();

    // The user's settings; zero until read, as the registry rules expect.
    uint8_t ParseFormat = 0;
    uint8_t IntFormat = 0;
    uint8_t Style = 0;
    uint8_t Minimization = 0;
    uint8_t CodeLanguage = 0;
    bool MainFinder = false;
    bool UseHotKey = false;
    uint16_t HotKey = 0;
    bool AppBarDocking = false;
    bool StayOnTop = false;
    bool SaveDesktopIcons = false;
    // The columns of the lists per kind, indexed by TListTypes.
    TColumnSettingLists ColumnSettings;

    uint8_t OSClass = 0;
    core::FileVersion Version;
    const TOperatorTable* OperatorTable = nullptr;
    const TTokenTable* TokenTable = nullptr;
    fw::CriticalSection ListLock;
    fw::Handle ThreadSemaphore;
    fw::Icon ProgramIcon;
    std::unique_ptr<TSplashScreenForm> SplashForm;
    bool Loading = false;
    fw::Handle InstanceSemaphore;
    bool SaveAtExit = false;

private:
    void ApplyDefaults();
    void SaveSettingValues(const std::string& key);
};

extern TOSTREL_Settings* OstrelSettings;
extern UINT TaskbarCreatedMessage;

uint8_t GetOSClass();
void EnableDebugPrivilege();
// The file's version words (all 0 without a version resource) and, when asked, its "ProductVersion".
core::FileVersion GetFileVersion(const std::string& path, std::string* productVersion = nullptr);
std::string ExecutablePath();

// The unit's initialisation and finalisation, run by the program body in the fixed start-up order.
void ConstVarsInitialization();
void ConstVarsFinalization();
