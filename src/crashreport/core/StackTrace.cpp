#include "crashreport/core/StackTrace.h"

#include <cstdio>

namespace core {

std::string DescribeAddressText(Address address, bool found, std::string_view module, std::string_view unit,
                                std::uint32_t line, std::string_view function) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08x", address);
    std::string text = digits;
    if (!found) return text + " ???";
    ((text += ' ') += module) += ' ';
    (text += unit) += ' ';
    if (line) (text += std::to_string(line)) += ' ';
    return text += function;
}

std::string InternalErrorText(std::string_view step, std::string_view failure, std::string_view original) {
    std::string text = ">> internal error in ";
    text += step;
    if (!failure.empty()) (text += ":\r\n") += failure;
    if (!original.empty()) (text += "\r\n>> original exception location: \r\n") += original;
    return text;
}

std::string StackTracer::Run() {
    using Step = void (*)(StackTracer&, std::string&);
    const struct {
        const char* name;
        Step step;
    } steps[] = {
        {"CollectPossibleStackItems", [](StackTracer& t, std::string&) { t.CollectPossibleStackItems(); }},
        {"RemoveRecursiveStackAreas",
         [](StackTracer& t, std::string&) { RemoveRecursiveAreas(t.Items, true); }},
        {"InDeepChecks", [](StackTracer& t, std::string&) { t.InDeepChecks(); }},
        {"RealizeOptimalLinkChains", [](StackTracer& t, std::string&) { t.RealizeOptimalLinkChains(); }},
        {"RemoveRecursiveAreas", [](StackTracer& t, std::string&) { RemoveRecursiveAreas(t.Items, false); }},
        {"FillFinalOutput", [](StackTracer& t, std::string&) { t.FillFinalOutput(); }},
        {"ComposeResult", [](StackTracer& t, std::string& text) { text = t.ComposeResult(); }},
    };
    std::string result;
    for (const auto& [name, step] : steps) {
        try {
            step(*this, result);
        } catch (...) {
            const Address failure = env_.FailureAddress();
            return InternalErrorText(name, failure ? env_.DescribeAddress(failure) : std::string(),
                                     in_.Exception ? env_.DescribeAddress(in_.Current) : std::string());
        }
    }
    return result;
}

} // namespace core
