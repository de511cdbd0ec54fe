#include "crashreport/jovStrings.h"

#include <windows.h>

namespace jov {
namespace {

// Frees what it holds on every path out of SystemErrorText.
struct MessageModule {
    HMODULE handle = nullptr;
    ~MessageModule() {
        if (handle) FreeLibrary(handle);
    }
};
struct MessageBuffer {
    char* text = nullptr;
    ~MessageBuffer() {
        if (text) LocalFree(text);
    }
};

using StatusToError = ULONG(WINAPI*)(LONG);

uint32_t StatusToErrorCode(uint32_t code) {
    static const auto mapper = [] {
        constexpr auto moduleName = Scramble("ntdll.dll");
        constexpr auto routineName = Scramble("RtlNtStatusToDosError");
        const HMODULE module = GetModuleHandleA(DescrambleLiteral(moduleName.view()).c_str());
        return module ? reinterpret_cast<StatusToError>(reinterpret_cast<void*>(
                            GetProcAddress(module, DescrambleLiteral(routineName.view()).c_str())))
                      : nullptr;
    }();
    return mapper ? mapper(static_cast<LONG>(code)) : code;
}

} // namespace

char DecimalSeparator() {
    static const char separator = [] {
        char text[8] = {};
        if (GetLocaleInfoA(GetThreadLocale(), LOCALE_SDECIMAL, text, sizeof text) > 1) return text[0];
        return ',';
    }();
    return separator;
}

std::string FormatByteSize(uint64_t size) {
    return FormatByteSize(size, DecimalSeparator());
}

std::string SystemErrorText(uint32_t code) {
    if (code > 0x3FFFFFFF) code = StatusToErrorCode(code);
    MessageModule module;
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
    if (code >= 2100 && code <= 2999) {
        constexpr auto netMessages = Scramble("netmsg.dll");
        module.handle =
            LoadLibraryExA(DescrambleLiteral(netMessages.view()).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (module.handle) flags |= FORMAT_MESSAGE_FROM_HMODULE;
    }
    MessageBuffer buffer;
    const DWORD length =
        FormatMessageA(flags, module.handle, code, 0x400, reinterpret_cast<char*>(&buffer.text), 0, nullptr);
    if (length == 0 || buffer.text == nullptr) {
        constexpr auto fallback = Scramble("Unknown error");
        return DescrambleLiteral(fallback.view()) + " " + FormatHex(code, 1, '0');
    }
    std::string text(buffer.text, length);
    ReplaceAll(text, "\r", " ");
    CharSet lineFeed;
    lineFeed.set('\n');
    DeleteCharSet(text, lineFeed);
    return text;
}

} // namespace jov
