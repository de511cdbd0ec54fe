#include "support/TestSettings.h"
#include "ConstVars.h"
#include "SplashScreen.h"
#include "framework/Application.h"

TestSettings::TestSettings() {
    fw::application().initialize(GetModuleHandleA(nullptr));
    OstrelSettings = new TOSTREL_Settings;
    auto& s = *OstrelSettings;
    s.SplashForm.reset(); // it stands only while the program starts
    s.IntFormat = 1;
    s.ParseFormat = 3;
    s.MainFinder = true;
    s.UseHotKey = true;
    s.HotKey = 0x4079;
    s.ThreadSemaphore.reset(CreateSemaphoreA(nullptr, 5, 5, nullptr));
    LoadColumnSettings(s.ColumnSettings, "Software\\OstrelTests\\Settings", true);
}

TestSettings::~TestSettings() {
    delete OstrelSettings;
    OstrelSettings = nullptr;
}
