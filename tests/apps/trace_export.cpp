// The export jovTraceProcess, called from a thread as an outside tool would, puts a report on the clipboard
// and leaves no registry entry of that thread behind.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE export found
// EXPECT_LINE clipboard: exception message : The application seems to be frozen.
// EXPECT_LINE thread entry left: no
#include "CrashApp.h"
#include "crashreport/jovExceptThreads.h"

#include <string>

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

namespace {

using TraceProcess = int(WINAPI*)(int);

DWORD WINAPI CallExport(void* routine) {
    return static_cast<DWORD>(reinterpret_cast<TraceProcess>(routine)(0));
}

// The report's line that names the failure: a whole-process trace reads as a freeze.
std::string ClipboardMessageLine() {
    std::string text;
    if (!OpenClipboard(nullptr)) return "(clipboard not available)";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* locked = static_cast<const char*>(GlobalLock(data))) {
            text = locked;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    const size_t at = text.find("exception message");
    if (at == std::string::npos) return "(no message line)";
    return text.substr(at, text.find('\r', at) - at);
}

} // namespace

int main() {
    FARPROC routine = GetProcAddress(GetModuleHandleA(nullptr), "jovTraceProcess");
    crashapp::Say(routine ? "export found" : "export missing");
    if (!routine) return 1;
    HANDLE thread = CreateThread(nullptr, 0, CallExport, reinterpret_cast<void*>(routine), 0, nullptr);
    const DWORD threadId = GetThreadId(thread);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    crashapp::Say("clipboard: " + ClipboardMessageLine());
    crashapp::Say(std::string("thread entry left: ") + (jov::ThreadNameOf(threadId).empty() ? "no" : "yes"));
    return 0;
}
