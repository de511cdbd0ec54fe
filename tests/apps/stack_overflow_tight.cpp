// Tight recursions overflow the stacks of four threads in turn: through 8- and 48-byte frames, in this
// program's own code and in a module without symbols (named from its exports). Each report comes within
// the bound, and its call stacks name the recursing function on one line, or two when the instruction that
// overflowed is not the recursing call. The program goes on after each, as a thread other than the main
// one may end.
// EXPECT_EXIT_CODE 0
// EXPECT_LINE An error occurred in the application.
// EXPECT_SOMEWHERE exception message : Stack overflow.
// EXPECT_SOMEWHERE OwnRecursionThrough8ByteFrames reported in
// EXPECT_SOMEWHERE OwnRecursionThrough48ByteFrames reported in
// EXPECT_SOMEWHERE OverflowThrough8ByteFrames reported in
// EXPECT_SOMEWHERE OverflowThrough48ByteFrames reported in
// EXPECT_NOWHERE not collapsed
// EXPECT_SOMEWHERE all four reported
// EXPECT_NOWHERE internal error
// EXPECT_NOWHERE took longer than
#include "CrashApp.h"
#include "TightRecursion.h"
#include "crashreport/jovExceptHandlers.h"

#include <cstdio>

constinit const jov::CrashSettings jov::ProgramCrashSettings = crashapp::ConsoleSettings();

extern "C" {
__attribute__((used)) volatile int remainingOwnLevels = 0x7FFFFFFF; // far beyond any stack
__attribute__((used)) void OwnBottom() {}
void OverflowThrough8ByteFrames();
void OverflowThrough48ByteFrames();
}

TIGHT_RECURSION(, OwnRecursionThrough8ByteFrames, 0, remainingOwnLevels, OwnBottom)
TIGHT_RECURSION(, OwnRecursionThrough48ByteFrames, 10, remainingOwnLevels, OwnBottom)

namespace {

// Before, an 8-byte recursion held the program for minutes (46 of them for a whole stack). The bound leaves
// room for a loaded machine that runs 32-bit programs through qemu-user, where a sound report of a whole
// stack of 8-byte frames has taken 13 s.
constexpr DWORD kBoundMs = 60000;

const char* recursing = nullptr;
DWORD started = 0;
int namingLines = 0;
DWORD reportedAfter = 0;

// Runs on the crash worker when the report is ready, before it is written out.
void CountLines(jov::THandlerCall& call) {
    reportedAfter = GetTickCount() - started;
    const std::string stacks = call.Report.substr(0, call.Report.find("\r\n\r\nmodules:"));
    namingLines = 0;
    for (size_t at = 0; at < stacks.size();) {
        size_t end = stacks.find('\n', at);
        if (end == std::string::npos) end = stacks.size();
        if (stacks.substr(at, end - at).find(recursing) != std::string::npos) ++namingLines;
        at = end + 1;
    }
}

DWORD WINAPI Overflow(void* recursion) {
    reinterpret_cast<void (*)()>(recursion)();
    return 0;
}

} // namespace

int main() {
    jov::AddExceptionHandler(jov::hkException, CountLines);
    const struct {
        const char* name;
        void (*recursion)();
    } recursions[] = {
        {"OwnRecursionThrough8ByteFrames", OwnRecursionThrough8ByteFrames},
        {"OwnRecursionThrough48ByteFrames", OwnRecursionThrough48ByteFrames},
        {"OverflowThrough8ByteFrames", OverflowThrough8ByteFrames},
        {"OverflowThrough48ByteFrames", OverflowThrough48ByteFrames},
    };
    for (const auto& r : recursions) {
        recursing = r.name;
        started = GetTickCount();
        crashapp::RunThread(Overflow, reinterpret_cast<void*>(r.recursion));
        // The faulting instruction has a line of its own when it is not the recursing call.
        char line[200];
        std::snprintf(line, sizeof line, "%s reported in %lu ms, %s", r.name,
                      static_cast<unsigned long>(reportedAfter),
                      namingLines == 1 || namingLines == 2 ? "collapsed" : "not collapsed");
        crashapp::Say(line);
        if (reportedAfter > kBoundMs) {
            std::snprintf(line, sizeof line, "the report took longer than %lu ms: %lu ms",
                          static_cast<unsigned long>(kBoundMs), static_cast<unsigned long>(reportedAfter));
            crashapp::Say(line);
        }
    }
    crashapp::Say("all four reported");
    return 0;
}
