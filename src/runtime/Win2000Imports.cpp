// The posix thread runtime linked into the program imports functions that Windows 2000 lacks, and the
// loader refuses an executable that imports one function its system does not export. These definitions
// take the place of the import-table entries the runtime calls through: each starts at a resolver that
// looks the function up by name once and otherwise falls back to what Windows 2000 can do. Linked as an
// object of the executable itself, so that the import libraries are never asked for these entries.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0500
#include <windows.h>

#include <atomic>
#include <cstdint>

namespace {

FARPROC kernel32(const char* name) {
    return GetProcAddress(GetModuleHandleA("kernel32.dll"), name);
}

// A 49-day tick count made 64 bits wide: the wrap is told apart from a caller that read the counter a
// moment before another thread stored a later value by how far the count went back.
ULONGLONG WINAPI tickCount64Fallback() {
    static std::atomic<std::uint64_t> last{0};
    std::uint64_t seen = last.load();
    for (;;) {
        std::uint32_t now = GetTickCount(), low = std::uint32_t(seen);
        std::uint64_t value = (seen & ~0xFFFFFFFFull) | now;
        if (now < low) {
            if (low - now < 0x80000000u) return seen; // an older reading: time did not go back
            value += 0x100000000ull;
        }
        if (value == seen || last.compare_exchange_weak(seen, value)) return value;
    }
}

// Without vectored handlers the runtime names no threads for a debugger; it checks for the missing handle.
PVOID WINAPI addVectoredHandlerFallback(ULONG, PVECTORED_EXCEPTION_HANDLER) {
    return nullptr;
}
ULONG WINAPI removeVectoredHandlerFallback(PVOID) {
    return 0;
}

using TickCount64 = ULONGLONG(WINAPI*)();
using AddVectoredHandler = PVOID(WINAPI*)(ULONG, PVECTORED_EXCEPTION_HANDLER);
using RemoveVectoredHandler = ULONG(WINAPI*)(PVOID);

ULONGLONG WINAPI resolveTickCount64();
PVOID WINAPI resolveAddVectoredHandler(ULONG first, PVECTORED_EXCEPTION_HANDLER handler);
ULONG WINAPI resolveRemoveVectoredHandler(PVOID handle);

} // namespace

// The import-table entries, under the names the runtime's objects refer to.
extern "C" {
TickCount64 importGetTickCount64 __asm__("__imp__GetTickCount64@0") = resolveTickCount64;
AddVectoredHandler importAddVectoredExceptionHandler __asm__("__imp__AddVectoredExceptionHandler@8") =
    resolveAddVectoredHandler;
RemoveVectoredHandler importRemoveVectoredExceptionHandler __asm__(
    "__imp__RemoveVectoredExceptionHandler@4") = resolveRemoveVectoredHandler;
}

namespace {

// Every thread that resolves stores the same pointer: a race between them is harmless.
template <class F> F resolve(const char* name, F fallback) {
    auto found = reinterpret_cast<F>(reinterpret_cast<void*>(kernel32(name)));
    return found ? found : fallback;
}

ULONGLONG WINAPI resolveTickCount64() {
    importGetTickCount64 = resolve<TickCount64>("GetTickCount64", tickCount64Fallback);
    return importGetTickCount64();
}

PVOID WINAPI resolveAddVectoredHandler(ULONG first, PVECTORED_EXCEPTION_HANDLER handler) {
    importAddVectoredExceptionHandler =
        resolve<AddVectoredHandler>("AddVectoredExceptionHandler", addVectoredHandlerFallback);
    return importAddVectoredExceptionHandler(first, handler);
}

ULONG WINAPI resolveRemoveVectoredHandler(PVOID handle) {
    importRemoveVectoredExceptionHandler =
        resolve<RemoveVectoredHandler>("RemoveVectoredExceptionHandler", removeVectoredHandlerFallback);
    return importRemoveVectoredExceptionHandler(handle);
}

} // namespace
