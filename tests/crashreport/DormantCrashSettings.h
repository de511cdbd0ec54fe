#pragma once
// Settings under which nothing of the crash reporter starts by itself: the test installs and removes what
// it examines. A test defines the program's settings with them:
//   constinit const jov::CrashSettings jov::ProgramCrashSettings = DormantCrashSettings();
#include "crashreport/jovTypes.h"

constexpr jov::CrashSettings DormantCrashSettings() {
    jov::CrashSettings settings;
    settings.Enabled = false;
    settings.FreezeTimeout = 0;
    return settings;
}
