// Linked into every win32 test executable: the executable and all it starts run in one job, and when it
// runs past its deadline (well inside CTest's time-out, which would end it without a word) it says which
// test it was in and which of its processes still run, then ends itself and them.
#include "common/ExitRecord.h"
#include "common/ProcessJob.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

class Deadline : public testing::EmptyTestEventListener {
public:
    Deadline() {
        InitializeCriticalSection(&lock_);
        job_.add(GetCurrentProcess());
        testing::UnitTest::GetInstance()->listeners().Append(this);
        // Under Wine a process that ends while a thread of it is still starting may crash on its way out.
        running_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        finished_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
        if (thread_) WaitForSingleObject(running_, 10000);
    }

private:
    void OnTestStart(const testing::TestInfo& test) override {
        EnterCriticalSection(&lock_);
        current_ = std::string(test.test_suite_name()) + "." + test.name();
        LeaveCriticalSection(&lock_);
    }

    // The watch ends with the tests, so no thread of ours is left for the exit to end (slow under Wine);
    // then the verdict is recorded for scripts/wine-run.sh.
    void OnTestProgramEnd(const testing::UnitTest& tests) override {
        if (thread_) {
            SetEvent(finished_);
            WaitForSingleObject(thread_, 10000);
        }
        std::fflush(stdout);
        exitRecord_.write(tests.Passed() ? 0 : 1);
    }

    static DWORD WINAPI Watch(void* self) {
        auto& deadline = *static_cast<Deadline*>(self);
        SetEvent(deadline.running_);
        if (WaitForSingleObject(deadline.finished_, OSTREL_TEST_DEADLINE_S * 1000) == WAIT_OBJECT_0) return 0;
        EnterCriticalSection(&deadline.lock_);
        const std::string test = deadline.current_.empty() ? "no test yet" : deadline.current_;
        LeaveCriticalSection(&deadline.lock_);
        std::printf("\ntime-out after %d s in %s; processes still running: %s\n", OSTREL_TEST_DEADLINE_S,
                    test.c_str(), deadline.job_.describeLive().c_str());
        std::fflush(stdout);
        deadline.job_.endOthers(3);
        TerminateProcess(GetCurrentProcess(), 3); // nothing of the hung run is waited for
        return 0;
    }

    testing_common::ExitRecord exitRecord_;
    testing_common::ProcessJob job_;
    HANDLE running_;
    HANDLE finished_;
    HANDLE thread_;
    CRITICAL_SECTION lock_;
    std::string current_;
};

// gtest deletes its listeners at exit; this one is made once and handed over.
Deadline* const deadline = new Deadline;

} // namespace
