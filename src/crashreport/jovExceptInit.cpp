// The crash reporter starts before every other initialisation of the program and stops after every other
// finalisation: this object is constructed first and, being first, destroyed last.
#include "crashreport/jovExcept.h"

#include <windows.h>

namespace jov {
namespace {

struct CrashReporterUnit {
    CrashReporterUnit() {
        AcceptRestartHandoff();
        StartCrashReporter(false);
    }
    ~CrashReporterUnit() {
        try {
            StopCrashReporter();
        } catch (...) {
        }
    }
};

CrashReporterUnit unit __attribute__((init_priority(101)));

} // namespace
} // namespace jov

// The linker keeps this unit (and so the start-up object) through this symbol.
extern "C" void jovExceptLinked() {}
