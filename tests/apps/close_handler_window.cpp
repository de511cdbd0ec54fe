// A WM_CLOSE that another thread sends to the main thread's handler window, as a request to close every
// window of the process does, leaves the window and the watchdog's pings alone: a main thread that goes
// on answering for three freeze timeouts is not reported as frozen.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE close answered: yes
// EXPECT_LINE handler window kept: yes
// EXPECT_LINE frozen reports 0
// EXPECT_NOWHERE The application seems to be frozen.
#include "FreezeApp.h"
#include "crashreport/jovToolsMsgHandlers.h"

constinit const jov::CrashSettings jov::ProgramCrashSettings = freezeapp::Settings();

namespace {

volatile LONG closeAnswered = 0;

DWORD WINAPI SendClose(void* window) {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(static_cast<HWND>(window), WM_CLOSE, 0, 0, SMTO_NORMAL, 10000, &result))
        InterlockedExchange(&closeAnswered, 1);
    return 0;
}

} // namespace

int main() {
    jov::AddExceptionHandler(jov::hkAction, freezeapp::CountFinished);
    const HWND window = jov::GetHandlerWindow();
    HANDLE sender = CreateThread(nullptr, 0, SendClose, window, 0, nullptr);
    if (!sender) return 2;
    while (WaitForSingleObject(sender, 0) == WAIT_TIMEOUT) freezeapp::Pump(50);
    CloseHandle(sender);
    crashapp::Say(std::string("close answered: ") + (closeAnswered ? "yes" : "no"));
    crashapp::Say(std::string("handler window kept: ") +
                  (IsWindow(window) && jov::GetHandlerWindow() == window ? "yes" : "no"));
    freezeapp::Pump(3000);
    for (const DWORD start = GetTickCount();
         freezeapp::finishedReports < freezeapp::frozenReports && GetTickCount() - start < 60000;)
        freezeapp::Pump(50);
    crashapp::Say("frozen reports " + std::to_string(freezeapp::frozenReports));
    return 0;
}
