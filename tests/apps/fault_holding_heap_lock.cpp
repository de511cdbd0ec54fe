// A thread faults while it holds the process heap's lock, as one does that faults inside a corrupted heap,
// and then another while it holds the C runtime's heap: each report comes within 10 s, the program goes on,
// and both heaps serve it again.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE An error occurred in the application.
// EXPECT_LINE
// EXPECT_LINE date/time         :
// EXPECT_SOMEWHERE exception message : Access violation at address $
// EXPECT_SOMEWHERE main thread ($
// EXPECT_SOMEWHERE the process heap: reported within 10 s: yes
// EXPECT_SOMEWHERE the C runtime's heap: reported within 10 s: yes
// EXPECT_SOMEWHERE both heaps serve again: yes
#include "CrashApp.h"

#include <string>

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

namespace {

volatile int* volatile nil = nullptr;

DWORD WINAPI FaultHoldingTheHeap(void* heap) {
    HeapLock(static_cast<HANDLE>(heap));
    return static_cast<DWORD>(*nil);
}

HANDLE RuntimeHeap() {
    using HeapHandleProc = intptr_t(__cdecl*)();
    const auto runtimeHeap = reinterpret_cast<HeapHandleProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), "_get_heap_handle")));
    return runtimeHeap ? reinterpret_cast<HANDLE>(runtimeHeap()) : GetProcessHeap();
}

// Measured here: the runner's deadline is far longer.
bool ReportedWithin10s(HANDLE heap) {
    const DWORD start = GetTickCount();
    HANDLE thread = CreateThread(nullptr, 0, FaultHoldingTheHeap, heap, 0, nullptr);
    if (!thread) return false;
    const bool ended = WaitForSingleObject(thread, 30000) == WAIT_OBJECT_0;
    CloseHandle(thread);
    return ended && GetTickCount() - start < 10000;
}

bool Serves(HANDLE heap) {
    void* block = HeapAlloc(heap, 0, 64);
    return block && HeapFree(heap, 0, block);
}

} // namespace

int main() {
    const HANDLE processHeap = GetProcessHeap(), runtimeHeap = RuntimeHeap();
    const bool processReported = ReportedWithin10s(processHeap);
    crashapp::Say(std::string("the process heap: reported within 10 s: ") + (processReported ? "yes" : "no"));
    const bool runtimeReported = ReportedWithin10s(runtimeHeap);
    crashapp::Say(std::string("the C runtime's heap: reported within 10 s: ") +
                  (runtimeReported ? "yes" : "no"));
    crashapp::Say(std::string("both heaps serve again: ") +
                  (Serves(processHeap) && Serves(runtimeHeap) ? "yes" : "no"));
    return 0;
}
