// A failure that cannot be continued stays so whatever an action handler says: a save handler that calls
// the main thread's access violation continuable does not turn the close into a continue.
// EXPECT_EXIT_CODE 1
// EXPECT_SOMEWHERE exception class   : JovException
// EXPECT_SOMEWHERE action handler: 1
// EXPECT_SOMEWHERE action handler: 6
// EXPECT_NOWHERE action handler: 4
#include "CrashApp.h"
#include "crashreport/jovExceptHandlers.h"

#include <string>

constexpr jov::CrashSettings SaveEveryReport() {
    jov::CrashSettings settings = crashapp::ConsoleSettings();
    settings.AutoSave = true;
    return settings;
}
constinit const jov::CrashSettings jov::ProgramCrashSettings = SaveEveryReport();

namespace {

volatile int* volatile unmapped = nullptr;

// Takes the save over (no file is written) and claims the program may go on.
void SaveAndContinue(jov::THandlerCall& call) {
    crashapp::Say("action handler: " + std::to_string(call.Action));
    if (call.Action != jov::caSave) return;
    call.Handled = true;
    call.CanContinue = true;
}

} // namespace

int main() {
    jov::AddExceptionHandler(jov::hkAction, SaveAndContinue);
    return *unmapped;
}
