// Runs one crash program and checks what its source declares:
//   // EXPECT_EXIT_CODE <n>
//   // EXPECT_LINE <text>       the output's lines, from the first, begin with these texts in this order
//   // EXPECT_SOMEWHERE <text>  some line of the output contains the text
//   // EXPECT_NOWHERE <text>    no line of the output contains the text
//   // EXPECT_IN_ORDER <text>   lines containing these texts follow one another in this order (other lines
//                               may lie between); runs of blanks count as one, as in aligned columns
// Usage: CrashAppRunner <program> <source> <deadline in seconds>
// The program and all it starts run in one job. At the deadline the runner says what it still waited for,
// which of those processes still run and where their threads stand, ends them, and fails, with the output
// so far.
#include "common/ExitRecord.h"
#include "common/ProcessJob.h"
#include "common/ThreadStacks.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Expectations {
    long exitCode = 0;
    std::vector<std::string> lines;
    std::vector<std::string> somewhere;
    std::vector<std::string> nowhere;
    std::vector<std::string> inOrder;
};

// "// TAG text" gives the text; "// TAG" alone an empty text (editors strip trailing blanks).
bool Tagged(const std::string& line, const char* tag, std::string& text) {
    const std::string prefix = std::string("// ") + tag;
    if (line.rfind(prefix, 0) != 0) return false;
    if (line.size() == prefix.size()) {
        text.clear();
        return true;
    }
    if (line[prefix.size()] != ' ') return false;
    text = line.substr(prefix.size() + 1);
    return true;
}

bool ReadExpectations(const char* source, Expectations& expected) {
    std::ifstream file(source);
    if (!file) return false;
    std::string line, text;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (Tagged(line, "EXPECT_EXIT_CODE", text)) expected.exitCode = std::stol(text);
        if (Tagged(line, "EXPECT_LINE", text)) expected.lines.push_back(text);
        if (Tagged(line, "EXPECT_SOMEWHERE", text)) expected.somewhere.push_back(text);
        if (Tagged(line, "EXPECT_NOWHERE", text)) expected.nowhere.push_back(text);
        if (Tagged(line, "EXPECT_IN_ORDER", text)) expected.inOrder.push_back(text);
    }
    return true;
}

// The output pipe, read on a thread of its own so that a program that never closes it cannot hold the
// runner past its deadline.
class OutputReader {
public:
    explicit OutputReader(HANDLE readEnd) : readEnd_(readEnd) {
        InitializeCriticalSection(&lock_);
        thread_ = CreateThread(nullptr, 0, Read, this, 0, nullptr);
    }
    ~OutputReader() {
        // A reader still blocked after the job ended waits on a writer outside the job; the runner's own
        // end, which comes next, releases it together with what it uses.
        if (thread_ && WaitForSingleObject(thread_, 5000) != WAIT_OBJECT_0) return;
        if (thread_) CloseHandle(thread_);
        CloseHandle(readEnd_);
        DeleteCriticalSection(&lock_);
    }
    OutputReader(const OutputReader&) = delete;
    OutputReader& operator=(const OutputReader&) = delete;

    bool waitClosed(DWORD ms) const { return thread_ && WaitForSingleObject(thread_, ms) == WAIT_OBJECT_0; }
    std::string text() {
        EnterCriticalSection(&lock_);
        std::string copy = text_;
        LeaveCriticalSection(&lock_);
        return copy;
    }

private:
    static DWORD WINAPI Read(void* self) {
        auto& reader = *static_cast<OutputReader*>(self);
        char buffer[4096];
        DWORD got;
        // The pipe ends when the program and everything that inherited its end have ended.
        while (ReadFile(reader.readEnd_, buffer, sizeof buffer, &got, nullptr) && got) {
            EnterCriticalSection(&reader.lock_);
            reader.text_.append(buffer, got);
            LeaveCriticalSection(&reader.lock_);
        }
        return 0;
    }

    HANDLE readEnd_;
    HANDLE thread_ = nullptr;
    CRITICAL_SECTION lock_;
    std::string text_;
};

class Deadline {
public:
    explicit Deadline(DWORD ms) : end_(GetTickCount() + ms) {}
    DWORD left() const {
        const LONG rest = static_cast<LONG>(end_ - GetTickCount());
        return rest > 0 ? static_cast<DWORD>(rest) : 0;
    }

private:
    DWORD end_;
};

struct Run {
    long exitCode = -1; // -1: still running at the deadline; -2: not started
    std::string output;
    std::string timeOut; // what the runner still waited for when its time was up
};

// Runs the program in a job of its own with its standard output and error on a pipe, until the program
// has ended and the pipe is closed or the deadline has passed; whatever still runs then is ended.
Run RunProgram(const std::string& program, DWORD deadlineMs) {
    Run run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        run.exitCode = -2;
        return run;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + program + "\"";
    const testing_common::ProcessJob job;
    const Deadline deadline(deadlineMs);
    const bool started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                                        nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        run.exitCode = -2;
        return run;
    }
    job.add(process.hProcess);
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    OutputReader reader(readEnd);
    if (WaitForSingleObject(process.hProcess, deadline.left()) == WAIT_OBJECT_0) {
        DWORD code;
        GetExitCodeProcess(process.hProcess, &code);
        run.exitCode = static_cast<long>(code);
        if (!reader.waitClosed(deadline.left()))
            run.timeOut = "the output pipe to close after the program ended with exit code " +
                          std::to_string(run.exitCode) + "; processes still running: " + job.describeLive();
    } else {
        run.timeOut = "the program (pid " + std::to_string(process.dwProcessId) +
                      ") to end; processes still running: " + job.describeLive();
    }
    CloseHandle(process.hProcess);
    if (!run.timeOut.empty()) {
        for (DWORD id : job.live())
            if (id != GetCurrentProcessId())
                run.timeOut += "\nthreads of pid " + std::to_string(id) + ":\n" +
                               testing_common::ThreadStacks(id).describe();
        job.endOthers(255);
        reader.waitClosed(5000);
    }
    run.output = reader.text();
    return run;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string OneBlankPerRun(const std::string& text) {
    std::string result;
    for (char c : text)
        if (c != ' ' || result.empty() || result.back() != ' ') result += c;
    return result;
}

} // namespace

int main(int argc, char** argv) {
    const testing_common::ExitRecord exitRecord;
    if (argc != 4) {
        std::fprintf(stderr, "usage: CrashAppRunner <program> <source> <deadline in seconds>\n");
        return 2;
    }
    Expectations expected;
    if (!ReadExpectations(argv[2], expected)) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 2;
    }
    const Run run = RunProgram(argv[1], std::strtoul(argv[3], nullptr, 10) * 1000);
    const long exitCode = run.exitCode;
    const std::string& output = run.output;
    const std::vector<std::string> lines = SplitLines(output);
    int failures = 0;
    if (!run.timeOut.empty()) {
        std::printf("time-out after %s s, still waiting for %s\n", argv[3], run.timeOut.c_str());
        ++failures;
    } else if (exitCode != expected.exitCode) {
        std::printf("exit code %ld, expected %ld\n", exitCode, expected.exitCode);
        ++failures;
    }
    for (size_t i = 0; i < expected.lines.size(); ++i)
        if (i >= lines.size() || lines[i].rfind(expected.lines[i], 0) != 0) {
            std::printf("line %u: \"%s\", expected to begin with \"%s\"\n", static_cast<unsigned>(i + 1),
                        i < lines.size() ? lines[i].c_str() : "(none)", expected.lines[i].c_str());
            ++failures;
        }
    auto contains = [&](const std::string& text) {
        for (const std::string& line : lines)
            if (line.find(text) != std::string::npos) return true;
        return false;
    };
    for (const std::string& text : expected.somewhere)
        if (!contains(text)) {
            std::printf("no line contains \"%s\"\n", text.c_str());
            ++failures;
        }
    for (const std::string& text : expected.nowhere)
        if (contains(text)) {
            std::printf("a line contains \"%s\"\n", text.c_str());
            ++failures;
        }
    size_t next = 0;
    for (const std::string& text : expected.inOrder) {
        const std::string wanted = OneBlankPerRun(text);
        while (next < lines.size() && OneBlankPerRun(lines[next]).find(wanted) == std::string::npos) ++next;
        if (next == lines.size()) {
            std::printf("no line after the earlier ordered ones contains \"%s\"\n", text.c_str());
            ++failures;
            break;
        }
        ++next;
    }
    if (failures) std::printf("--- output of %s ---\n%s\n", argv[1], output.c_str());
    std::fflush(stdout);
    exitRecord.write(failures ? 1 : 0);
    return failures ? 1 : 0;
}
