#pragma once
// The sleeper helper, started from the test executable's folder; killed at the end if still running.
#include "support/ProcessDriver.h"

class SleeperProcess : public testing_support::ChildProcess {
public:
    explicit SleeperProcess(const std::string& arguments = {})
        : ChildProcess("\"" + testing_support::SiblingPath("ostrel_sleeper.exe") + "\" " + arguments) {}
};
