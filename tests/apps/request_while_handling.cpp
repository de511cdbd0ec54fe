// A report asked for without an exception object or address while a C++ exception is being handled is a
// report of that exception, and the program goes on.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE An error occurred in the application.
// EXPECT_SOMEWHERE exception class   : runtime_error
// EXPECT_SOMEWHERE exception message : being handled.
// EXPECT_SOMEWHERE report returned
#include "CrashApp.h"
#include "crashreport/jovExceptWorker.h"

#include <stdexcept>

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

int main() {
    try {
        throw std::runtime_error("being handled");
    } catch (const std::exception&) {
        jov::QueueCrashRequest(false, nullptr, nullptr, true, nullptr, nullptr, nullptr);
    }
    crashapp::Say("report returned");
    return 0;
}
