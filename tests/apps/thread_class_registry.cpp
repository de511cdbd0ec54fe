// A framework thread is registered with its class (by its own name, without its namespace) and with the
// function that started it, not with the framework's start; the entry is gone once the thread returned.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE worker started
// EXPECT_LINE class: WorkerThread
// EXPECT_LINE created in: StartWorker
// EXPECT_LINE creator thread is the main thread: yes
// EXPECT_LINE registered after its end: no
#include "CrashApp.h"
#include "crashreport/jovExceptThreads.h"
#include "crashreport/jovMapFile.h"
#include "framework/Thread.h"

#include <string>

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

namespace app {

class WorkerThread : public fw::Thread {
public:
    ~WorkerThread() override {
        terminate();
        waitFor();
    }
    jov::ThreadNode seen;

protected:
    void execute() override { jov::ThreadNodeOf(GetCurrentThreadId(), seen); }
};

} // namespace app

// Not inlined, and no tail call: the creator address must fall inside this function.
__attribute__((noinline)) void StartWorker(app::WorkerThread& worker) {
    worker.start();
    crashapp::Say("worker started");
}

int main() {
    app::WorkerThread worker;
    StartWorker(worker);
    worker.waitFor();
    crashapp::Say("class: " + worker.seen.ClassName);
    jov::AddressInfo where;
    jov::GetAddressInfo(uintptr_t(worker.seen.CreatorAddress), where);
    crashapp::Say("created in: " + where.publicName);
    crashapp::Say(std::string("creator thread is the main thread: ") +
                  (worker.seen.CreatorThreadId == GetCurrentThreadId() ? "yes" : "no"));
    jov::ThreadNode after;
    crashapp::Say(std::string("registered after its end: ") +
                  (jov::ThreadNodeOf(worker.threadId(), after) ? "yes" : "no"));
    return 0;
}
