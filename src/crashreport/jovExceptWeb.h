#pragma once
// The wrapper around a web-server extension's request procedure: a failure inside a request is reported
// and the report is sent back to the browser as a page. This program is no web-server extension, so the
// wrapper stays inactive here (no request procedure is set).
#include <windows.h>

#include <cstdint>

namespace jov {

using THttpConnection = void*;
using TServerSupportFunction = BOOL(WINAPI*)(THttpConnection connection, DWORD request, void* buffer,
                                             DWORD* size, DWORD* dataType);
using TWriteClient = BOOL(WINAPI*)(THttpConnection connection, void* buffer, DWORD* bytes, DWORD reserved);

// The block a web server hands an extension for each request.
struct TExtensionControlBlock {
    DWORD Size;
    DWORD Version;
    THttpConnection ConnectionId;
    DWORD HttpStatusCode;
    char LogData[80];
    char* Method;
    char* QueryString;
    char* PathInfo;
    char* PathTranslated;
    DWORD TotalBytes;
    DWORD Available;
    uint8_t* Data;
    char* ContentType;
    void* GetServerVariable;
    TWriteClient WriteClient;
    void* ReadClient;
    TServerSupportFunction ServerSupportFunction;
};
static_assert(sizeof(void*) != 4 || sizeof(TExtensionControlBlock) == 144, "the server's layout");

using TWebRequestProc = DWORD(WINAPI*)(TExtensionControlBlock* block);

constexpr DWORD WebStatusPending = 3;
constexpr DWORD WebStatusError = 4;

// The extension's request procedure, nil in this program.
TWebRequestProc WebRequestProcedure();

// Runs the request procedure on a copy of the block whose server-support routine is watched; on a
// failure before any header was sent, sends a header and the report as a page. Returns the status.
DWORD WINAPI WebRequestWrapper(TExtensionControlBlock* block);
DWORD RunWebRequest(TWebRequestProc procedure, TExtensionControlBlock* block);

void DoneWebRequestTable();

} // namespace jov
