// The web-extension wrapper, inactive in Ostrel, around a fake request procedure that fails before sending
// anything: the browser receives the header line and then the report as the page.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE header: Content-Type: text/html
// EXPECT_LINE page: <html><head><title>crashapp_web_wrapper.exe</title></head><body>
// EXPECT_LINE status 4
#include "CrashApp.h"
#include "crashreport/jovExceptWeb.h"

#include <stdexcept>
#include <string>

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

} // namespace

int main() {
    jov::TExtensionControlBlock block{};
    block.Size = sizeof block;
    block.ConnectionId = &block;
    block.ServerSupportFunction = ServerSupport;
    block.WriteClient = WriteClient;
    const DWORD status = jov::RunWebRequest(FailingRequest, &block);
    crashapp::Say("status " + std::to_string(status));
    return 0;
}
