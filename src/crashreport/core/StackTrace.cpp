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

bool TraceEnvironment::RunStep(void (*step)(void*), void* context, Address& failure) {
    failure = 0;
    try {
        step(context);
        return true;
    } catch (...) {
        // A C++ exception carries no address of its own.
        return false;
    }
}

std::string StackTracer::Run() {
    struct Turn {
        StackTracer* tracer;
        std::string* text;
        void (*step)(StackTracer&, std::string&);
    };
    const struct {
        const char* name;
        void (*step)(StackTracer&, std::string&);
    } steps[] = {
        {"CollectPossibleStackItems", [](StackTracer& t, std::string&) { t.CollectPossibleStackItems(); }},
        {"RemoveRecursiveStackAreas",
         [](StackTracer& t, std::string&) { RemoveRecursiveAreas(t.Items, true, t.progress_, 25); }},
        {"InDeepChecks", [](StackTracer& t, std::string&) { t.InDeepChecks(); }},
        {"RealizeOptimalLinkChains", [](StackTracer& t, std::string&) { t.RealizeOptimalLinkChains(); }},
        {"RemoveRecursiveAreas",
         [](StackTracer& t, std::string&) { RemoveRecursiveAreas(t.Items, false, t.progress_, 1000); }},
        {"FillFinalOutput", [](StackTracer& t, std::string&) { t.FillFinalOutput(); }},
        {"ComposeResult", [](StackTracer& t, std::string& text) { text = t.ComposeResult(); }},
    };
    std::string result;
    for (const auto& [name, step] : steps) {
        Turn turn{this, &result, step};
        Address failure = 0;
        if (!env_.RunStep(
                [](void* t) {
                    auto& turn = *static_cast<Turn*>(t);
                    turn.step(*turn.tracer, *turn.text);
                },
                &turn, failure))
            return InternalErrorText(name, failure ? env_.DescribeAddress(failure) : std::string(),
                                     in_.Exception ? env_.DescribeAddress(in_.Current) : std::string());
    }
    return result;
}

} // namespace core
