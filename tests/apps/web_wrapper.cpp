// The web-extension wrapper, inactive in Ostrel, around fake request procedures that fail before sending
// anything, by a throw or by an access violation: the browser receives the header line and then the report
// as the page. A request that ends its
// session itself has its block copy freed once; the table works again after the crash reporter's stop.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE header: Content-Type: text/html
// EXPECT_LINE page: <html><head><title>crashapp_web_wrapper.exe</title></head><body>
// EXPECT_LINE status 4
// EXPECT_LINE header: Content-Type: text/html
// EXPECT_LINE page: <html><head><title>crashapp_web_wrapper.exe</title></head><body>
// EXPECT_LINE status 4
// EXPECT_LINE session ended: status 1, copy freed 1 time(s)
// EXPECT_LINE after the stop: status 1
#include "CrashApp.h"
#include "crashreport/jovExcept.h"
#include "crashreport/jovExceptWeb.h"

#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>

// The block copies the wrapper makes are watched: each may be freed once only.
static void* watchedCopy = nullptr;
static int copyFrees = 0;

void* operator new(size_t size) {
    void* memory = std::malloc(size ? size : 1);
    if (!memory) throw std::bad_alloc();
    if (size == sizeof(jov::TExtensionControlBlock)) watchedCopy = memory, copyFrees = 0;
    return memory;
}
void operator delete(void* memory) noexcept {
    if (memory && memory == watchedCopy && copyFrees++) return; // a second free is counted, not done
    std::free(memory);
}
void operator delete(void* memory, size_t) noexcept {
    operator delete(memory);
}

constexpr jov::CrashSettings ReturnTheReport() {
    jov::CrashSettings settings = crashapp::ConsoleSettings();
    settings.ReturnReport = true;
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = ReturnTheReport();

namespace {

BOOL WINAPI ServerSupport(jov::THttpConnection, DWORD request, void* buffer, DWORD*, DWORD*) {
    if (request == 3) crashapp::Say("header: " + std::string(static_cast<const char*>(buffer)).substr(0, 23));
    return TRUE;
}

BOOL WINAPI WriteClient(jov::THttpConnection, void* buffer, DWORD* bytes, DWORD) {
    const std::string page(static_cast<const char*>(buffer), *bytes);
    crashapp::Say("page: " + page.substr(0, page.find('\r')));
    return TRUE;
}

DWORD WINAPI FailingRequest(jov::TExtensionControlBlock*) {
    throw std::runtime_error("the request failed");
}

volatile int* volatile nil = nullptr;

DWORD WINAPI FaultingRequest(jov::TExtensionControlBlock*) {
    return static_cast<DWORD>(*nil);
}

DWORD WINAPI EndsItsSession(jov::TExtensionControlBlock* block) {
    block->ServerSupportFunction(block->ConnectionId, 4, nullptr, nullptr, nullptr);
    return 1;
}

} // namespace

int main() {
    jov::TExtensionControlBlock block{};
    block.Size = sizeof block;
    block.ConnectionId = &block;
    block.ServerSupportFunction = ServerSupport;
    block.WriteClient = WriteClient;
    const DWORD status = jov::RunWebRequest(FailingRequest, &block);
    crashapp::Say("status " + std::to_string(status));
    crashapp::Say("status " + std::to_string(jov::RunWebRequest(FaultingRequest, &block)));
    const DWORD ended = jov::RunWebRequest(EndsItsSession, &block);
    crashapp::Say("session ended: status " + std::to_string(ended) + ", copy freed " +
                  std::to_string(copyFrees) + " time(s)");
    jov::StopCrashReporter();
    crashapp::Say("after the stop: status " + std::to_string(jov::RunWebRequest(EndsItsSession, &block)));
    return 0;
}
