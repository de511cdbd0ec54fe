#include "crashreport/core/ExceptionTexts.h"

#include "crashreport/core/NumberText.h"
#include "crashreport/core/TextHelpers.h"

namespace jov {

std::string OsExceptionText(uint32_t code) {
    switch (code) {
    case 0xC000008C:
        return "Range check error";
    case 0xC000008D:
    case 0xC0000093:
        return "Floating point underflow";
    case 0xC000008E:
        return "Floating point division by zero";
    case 0xC000008F:
    case 0xC0000090:
    case 0xC0000092:
        return "Invalid floating point operation";
    case 0xC0000091:
        return "Floating point overflow";
    case 0xC0000094:
        return "Division by zero";
    case 0xC0000095:
        return "Integer overflow";
    case 0xC0000096:
        return "Privileged instruction";
    case StackOverflowCode:
        return "Stack overflow";
    case 0xC000013A:
        return "Control-C hit";
    }
    return "External exception " + UpperStr(FormatHex(code).substr(1));
}

const char* AccessKindText(uint32_t accessKind) {
    if (accessKind == 0) return "Read";
    return accessKind == 8 ? "Execute" : "Write";
}

std::string AccessViolationText(uint32_t faultAddress, std::string_view moduleFileName, uint32_t accessKind,
                                uint32_t accessedAddress) {
    std::string text = "Access violation at address " + FormatHex(faultAddress);
    if (!moduleFileName.empty()) {
        text += " in module '";
        text += moduleFileName;
        text += '\'';
    }
    text += ". ";
    text += AccessKindText(accessKind);
    text += " of address " + FormatHex(accessedAddress);
    return text;
}

std::string CleanExceptionMessage(std::string_view message) {
    std::string text;
    for (char c : message)
        if (static_cast<unsigned char>(c) >= 32) text += c;
    return text.empty() ? "Unknown" : text;
}

std::string MessageSentence(std::string_view message) {
    size_t end = message.size();
    while (end > 0 && (message[end - 1] == '.' || message[end - 1] == '!' || message[end - 1] == '\0')) --end;
    if (end < message.size()) ++end;
    return std::string(message.substr(0, end)) + ".";
}

} // namespace jov
