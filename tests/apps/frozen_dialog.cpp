// A frozen main thread in a program that shows the exception dialog: the dialog tells of the freeze, stays
// while the main thread is blocked, and goes by itself once the main thread answers again.
// EXPECT_EXIT_CODE 0
// EXPECT_SOMEWHERE dialog: The application seems to be frozen.
// EXPECT_SOMEWHERE the dialog stayed while the main thread was blocked: yes
// EXPECT_SOMEWHERE the dialog went when the main thread answered: yes
// EXPECT_SOMEWHERE the program goes on
#include "FreezeApp.h"

#include <string>

constexpr jov::CrashSettings ShowTheDialog() {
    jov::CrashSettings settings = freezeapp::Settings();
    settings.ConsoleNoBox = false;
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = ShowTheDialog();

namespace {

HANDLE dialogShown = CreateEventA(nullptr, TRUE, FALSE, nullptr);
volatile DWORD unblockedAt = 0;
volatile DWORD dialogShownAt = 0;
volatile DWORD dialogGoneAt = 0;
std::string message;

DWORD WINAPI WatchForTheDialog(void*) {
    // Shown once all its controls exist.
    HWND box = nullptr;
    for (DWORD start = GetTickCount(); !box && GetTickCount() - start < 60000; Sleep(10))
        if (HWND found = FindWindowA("jovExceptWndClass", nullptr); found && IsWindowVisible(found))
            box = found;
    if (!box) return 1;
    dialogShownAt = GetTickCount();
    SetEvent(dialogShown);
    char text[256] = {};
    GetWindowTextA(FindWindowExA(box, nullptr, "Static", nullptr), text, sizeof text);
    message = text;
    for (DWORD start = GetTickCount(); IsWindow(box) && GetTickCount() - start < 20000; Sleep(10)) {
    }
    dialogGoneAt = GetTickCount();
    return IsWindow(box) ? 2 : 0;
}

} // namespace

int main() {
    HANDLE watcher = CreateThread(nullptr, 0, WatchForTheDialog, nullptr, 0, nullptr);
    freezeapp::Pump(500);
    // Blocked until the freeze (reported after about 1 s) has brought the dialog, and a while longer.
    WaitForSingleObject(dialogShown, 60000);
    Sleep(1000);
    unblockedAt = GetTickCount();
    // The main thread runs again: it answers the dialog's ping while it dispatches.
    while (WaitForSingleObject(watcher, 0) == WAIT_TIMEOUT) freezeapp::Pump(50);
    CloseHandle(watcher);
    crashapp::Say("dialog: " + message);
    const bool stayed = dialogShownAt && dialogShownAt < unblockedAt && dialogGoneAt >= unblockedAt;
    crashapp::Say(std::string("the dialog stayed while the main thread was blocked: ") +
                  (stayed ? "yes" : "no"));
    const bool went = stayed && dialogGoneAt - unblockedAt < 5000;
    crashapp::Say(std::string("the dialog went when the main thread answered: ") + (went ? "yes" : "no"));
    crashapp::Say("the program goes on");
    return 0;
}
