#pragma once
// A test program's verdict, written where the environment variable OSTREL_EXIT_FILE names: under load,
// Wine's server kills a process whose Linux side is slow to go after its last thread has ended, and the
// exit code it ended with is lost. scripts/wine-run.sh then judges the run by this record; a process killed
// before it got this far has none and fails.
#include <windows.h>

#include <cstdio>
#include <string>

namespace testing_common {

class ExitRecord {
public:
    // Taken at the start, and taken away from the environment: programs this one starts must not answer
    // for it.
    ExitRecord() {
        char path[MAX_PATH];
        const DWORD length = GetEnvironmentVariableA("OSTREL_EXIT_FILE", path, sizeof path);
        if (length == 0 || length >= sizeof path) return;
        path_ = path;
        SetEnvironmentVariableA("OSTREL_EXIT_FILE", nullptr);
    }

    void write(int code) const {
        if (path_.empty()) return;
        if (std::FILE* file = std::fopen(path_.c_str(), "w")) {
            std::fprintf(file, "%d\n", code);
            std::fclose(file);
        }
    }

private:
    std::string path_;
};

} // namespace testing_common
