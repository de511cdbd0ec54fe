#include "crashreport/jovExceptReport.h"

#include "crashreport/core/ExceptionClass.h"
#include "crashreport/core/ExceptionTexts.h"
#include "crashreport/core/NumberText.h"
#include "crashreport/core/TextHelpers.h"
#include "crashreport/jovDisAsmSafeRead.h"
#include "crashreport/jovExceptThreads.h"
#include "crashreport/jovTools.h"
#include "crashreport/jovToolsHelpers.h"

#include <exception>

namespace jov {
namespace {

bool ReadRef(const TExceptionRef* exception, TExceptionRef& out) {
    void* descriptionTable;
    return exception && SafeReadMemory(exception, &out, sizeof out) && out.Type &&
           SafeReadMemory(out.Type, &descriptionTable, sizeof descriptionTable);
}

// A virtual call on an object whose table cannot be read would fault inside the report.
bool HasReadableTable(const void* object) {
    void* table;
    void* firstEntry;
    return object && SafeReadMemory(object, &table, sizeof table) &&
           SafeReadMemory(table, &firstEntry, sizeof firstEntry);
}

void AddLine(std::string& report, const char* label, const std::string& value) {
    report += PadStr(label, -18, ' ');
    report += ": ";
    report += value;
    report += "\r\n";
}

std::string ThreadText(DWORD threadId) {
    const std::string name = ThreadNameOf(threadId);
    if (!name.empty() && name != "-") return name + " (" + FormatHex(threadId) + ")";
    return "thread " + FormatHex(threadId);
}

} // namespace

std::string ExceptionClassName(const TExceptionRef* exception) {
    TExceptionRef ref;
    return ReadRef(exception, ref) ? TypeClassName(ref.Type) : "Unknown";
}

std::string ExceptionMessageText(const TExceptionRef* exception) {
    TExceptionRef ref;
    if (!ReadRef(exception, ref)) return "Unknown";
    std::string message = TypeClassName(ref.Type);
    try {
        if (auto* own =
                static_cast<const JovException*>(UpcastObject(typeid(JovException), ref.Type, ref.Object)))
            message = own->Message();
        else if (auto* standard = static_cast<const std::exception*>(
                     UpcastObject(typeid(std::exception), ref.Type, ref.Object));
                 standard && HasReadableTable(standard))
            message = standard->what();
    } catch (...) {
    }
    return CleanExceptionMessage(message);
}

void ComposeCrashReport(bool frozen, const TExceptionRef* exception, const void* address, DWORD threadId,
                        const void*, const void*, bool, std::string& report) {
    report.clear();
    try {
        if (frozen) {
            AddLine(report, "exception message", RunningSettings().FrozenText.str());
        } else {
            const std::string className = ExceptionClassName(exception);
            AddLine(report, "exception class", className);
            const std::string message = ExceptionMessageText(exception);
            if (message != className) AddLine(report, "exception message", MessageSentence(message));
            AddLine(report, "exception address",
                    PadStr(FormatHex(reinterpret_cast<uint32_t>(address)).substr(1), 8, '0'));
            HMODULE module;
            std::string moduleName;
            if (ModuleFromAddress(address, module, moduleName))
                AddLine(report, "module", ExtractFileNamePart(moduleName));
        }
        if (threadId) AddLine(report, "thread", ThreadText(threadId));
    } catch (...) {
        report += "\r\nAn exception occurred during composing the bug report.";
    }
}

} // namespace jov
