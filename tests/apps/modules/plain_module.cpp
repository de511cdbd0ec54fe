// A module without the crash reporter, loaded after its start: nothing redirects its CreateThread import.
#include <windows.h>

// Where the module's own import cell of CreateThread leads.
extern "C" __declspec(dllexport) void* PlainModuleCreateThread() {
    return reinterpret_cast<void*>(&CreateThread);
}
