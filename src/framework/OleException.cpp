#include "framework/OleException.h"

#include <cstdio>

namespace fw {

namespace {
std::string describe(HRESULT hr, const std::string& operation) {
    char code[16];
    std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(hr));
    std::string text = sysErrorMessage(static_cast<DWORD>(hr));
    return operation + " failed (OLE error " + code + ")" + (text.empty() ? "" : ": " + text);
}
} // namespace

EOleException::EOleException(HRESULT hr, const std::string& operation)
    : std::runtime_error(describe(hr, operation)), code_(hr) {}

std::string sysErrorMessage(DWORD code) {
    char* buffer = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text(buffer ? buffer : "", n);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

} // namespace fw
