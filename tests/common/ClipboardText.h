#pragma once
// The clipboard's text, for tests that check what a program put there; empty when there is none or the
// clipboard stays open elsewhere for a second.
#include <windows.h>

#include <string>

namespace testing_common {

inline std::string ClipboardText() {
    for (int attempt = 0; attempt < 100; ++attempt, Sleep(10)) {
        if (!OpenClipboard(nullptr)) continue;
        std::string text;
        if (HANDLE data = GetClipboardData(CF_TEXT))
            if (const char* locked = static_cast<const char*>(GlobalLock(data))) {
                text = locked;
                GlobalUnlock(data);
            }
        CloseClipboard();
        return text;
    }
    return {};
}

} // namespace testing_common
