#include "HotKey.h"
#include "ConstVars.h"
#include "core/HotKeyCode.h"

void UpdateHotKey(HWND form) {
    if (!OstrelSettings || OstrelSettings->Loading) return;
    // Registering over our own earlier registration fails; a changed combination must replace it.
    UnregisterHotKey(form, 1);
    if (OstrelSettings->MainFinder && OstrelSettings->UseHotKey) {
        auto parts = core::SplitHotKey(OstrelSettings->HotKey);
        RegisterHotKey(form, 1, parts.modifiers, parts.key);
    }
}
