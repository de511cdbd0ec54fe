// Runs one crash program and checks what its source declares:
//   // EXPECT_EXIT_CODE <n>
//   // EXPECT_LINE <text>       the output's lines, from the first, begin with these texts in this order
//   // EXPECT_SOMEWHERE <text>  some line of the output contains the text
//   // EXPECT_NOWHERE <text>    no line of the output contains the text
// Usage: CrashAppRunner <program> <source>
#include <windows.h>

#include <cstdio>
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
    }
    return true;
}

// The program's standard output and exit code; -1 when it did not end within the time.
long RunProgram(const std::string& program, std::string& output) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return -2;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + program + "\"";
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        CloseHandle(readEnd);
        CloseHandle(writeEnd);
        return -2;
    }
    CloseHandle(writeEnd);
    CloseHandle(process.hThread);
    char buffer[4096];
    DWORD got;
    // The pipe ends when the program and everything that inherited its end have ended.
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got) output.append(buffer, got);
    CloseHandle(readEnd);
    long exitCode = -1;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
        DWORD code;
        GetExitCodeProcess(process.hProcess, &code);
        exitCode = static_cast<long>(code);
    } else {
        TerminateProcess(process.hProcess, 255);
    }
    CloseHandle(process.hProcess);
    return exitCode;
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

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: CrashAppRunner <program> <source>\n");
        return 2;
    }
    Expectations expected;
    if (!ReadExpectations(argv[2], expected)) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 2;
    }
    std::string output;
    const long exitCode = RunProgram(argv[1], output);
    const std::vector<std::string> lines = SplitLines(output);
    int failures = 0;
    if (exitCode != expected.exitCode) {
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
    if (failures) std::printf("--- output of %s ---\n%s\n", argv[1], output.c_str());
    return failures ? 1 : 0;
}
