// The export jovTraceProcess, called from a thread as an outside tool would, puts a report on the clipboard
// in which that thread does not appear, and leaves no registry entry of it behind. Called while a report
// runs, it waits until that report is done: the two would share the tracer and the held threads.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE export found
// EXPECT_LINE clipboard: exception message : The application seems to be frozen.
// EXPECT_LINE calling thread in the report: no
// EXPECT_LINE thread entry left while it runs: no
// EXPECT_SOMEWHERE trace finished while the report ran: no
// EXPECT_SOMEWHERE trace after the report: done
#include "CrashApp.h"
#include "crashreport/core/NumberText.h"
#include "crashreport/jovExceptHandlers.h"
#include "crashreport/jovExceptHooks.h"
#include "crashreport/jovExceptThreads.h"

#include <stdexcept>
#include <string>

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

namespace {

using TraceProcess = int(WINAPI*)(int);

TraceProcess traceProcess = nullptr;
HANDLE traced = nullptr;
HANDLE finish = nullptr;
HANDLE duringReport = nullptr;

std::string ClipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* locked = static_cast<const char*>(GlobalLock(data))) {
            text = locked;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// The report's line that names the failure: a whole-process trace reads as a freeze.
std::string MessageLine(const std::string& text) {
    const size_t at = text.find("exception message");
    if (at == std::string::npos) return "(no message line)";
    return text.substr(at, text.find('\r', at) - at);
}

DWORD WINAPI TraceAndStay(void*) {
    traceProcess(0);
    SetEvent(traced);
    WaitForSingleObject(finish, 30000);
    return 0;
}

DWORD WINAPI Trace(void*) {
    return static_cast<DWORD>(traceProcess(0));
}

// On the worker, while the report runs.
void TraceMeanwhile(jov::THandlerCall&) {
    duringReport = CreateThread(nullptr, 0, Trace, nullptr, 0, nullptr);
    crashapp::Say(std::string("trace finished while the report ran: ") +
                  (WaitForSingleObject(duringReport, 3000) == WAIT_OBJECT_0 ? "yes" : "no"));
}

} // namespace

int main() {
    traceProcess = reinterpret_cast<TraceProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(nullptr), "jovTraceProcess")));
    crashapp::Say(traceProcess ? "export found" : "export missing");
    if (!traceProcess) return 1;
    traced = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    finish = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, TraceAndStay, nullptr, 0, nullptr);
    const DWORD threadId = GetThreadId(thread);
    WaitForSingleObject(traced, 30000);
    const std::string report = ClipboardText();
    crashapp::Say("clipboard: " + MessageLine(report));
    const std::string id = jov::FormatHex(threadId);
    const bool listed =
        report.find(id + ")") != std::string::npos || report.find(id + ":") != std::string::npos;
    crashapp::Say(std::string("calling thread in the report: ") + (listed ? "yes" : "no"));
    crashapp::Say(std::string("thread entry left while it runs: ") +
                  (jov::ThreadNameOf(threadId).empty() ? "no" : "yes"));
    SetEvent(finish);
    WaitForSingleObject(thread, 30000);
    CloseHandle(thread);

    jov::AddExceptionHandler(jov::hkException, TraceMeanwhile);
    try {
        throw std::runtime_error("a report that takes its time");
    } catch (...) {
        jov::CatchPointReport(std::current_exception());
    }
    jov::RemoveExceptionHandler(jov::hkException, TraceMeanwhile);
    const bool done = duringReport && WaitForSingleObject(duringReport, 30000) == WAIT_OBJECT_0;
    crashapp::Say(std::string("trace after the report: ") + (done ? "done" : "not done"));
    return 0;
}
