#include "crashreport/jovExceptWeb.h"

#include "crashreport/jovExceptHooks.h"
#include "crashreport/jovTypes.h"

#include <string>
#include <vector>

namespace jov {
namespace {

constexpr DWORD SendResponseHeader = 3;
constexpr DWORD DoneWithSession = 4;
constexpr DWORD SendResponseHeaderEx = 1016;

struct WebRequest {
    TServerSupportFunction Original;
    bool HeadersSent;
    TExtensionControlBlock* Copy;
};

CRITICAL_SECTION* tableLock = nullptr;
std::vector<WebRequest>* table = nullptr;

BOOL WINAPI MakeTable(INIT_ONCE*, void*, void**) {
    tableLock = new CRITICAL_SECTION;
    InitializeCriticalSection(tableLock);
    table = new std::vector<WebRequest>;
    return TRUE;
}

// Made on first use and deleted at the crash reporter's stop.
CRITICAL_SECTION* TableLock() {
    static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
    InitOnceExecuteOnce(&once, MakeTable, nullptr, nullptr);
    return tableLock;
}

class TableGuard {
public:
    TableGuard() : lock_(TableLock()) { EnterCriticalSection(lock_); }
    ~TableGuard() { LeaveCriticalSection(lock_); }
    TableGuard(const TableGuard&) = delete;
    TableGuard& operator=(const TableGuard&) = delete;

private:
    CRITICAL_SECTION* lock_;
};

// Removes the request of the block copy and answers whether its headers were sent.
bool RemoveRequest(TExtensionControlBlock* copy) {
    TableGuard guard;
    for (auto request = table->begin(); request != table->end(); ++request)
        if (request->Copy == copy) {
            const bool sent = request->HeadersSent;
            table->erase(request);
            return sent;
        }
    return false;
}

BOOL WINAPI HookedServerSupportFunction(THttpConnection connection, DWORD code, void* buffer, DWORD* size,
                                        DWORD* dataType) {
    TServerSupportFunction original = nullptr;
    {
        TableGuard guard;
        for (const WebRequest& request : *table)
            if (request.Copy->ConnectionId == connection) original = request.Original;
    }
    if (!original) return FALSE;
    const BOOL result = original(connection, code, buffer, size, dataType);
    TableGuard guard;
    for (auto request = table->begin(); request != table->end(); ++request) {
        if (request->Copy->ConnectionId != connection) continue;
        if ((result && code == SendResponseHeader) || code == SendResponseHeaderEx)
            request->HeadersSent = true;
        if (code == DoneWithSession) {
            delete request->Copy;
            table->erase(request);
        }
        break;
    }
    return result;
}

} // namespace

TWebRequestProc WebRequestProcedure() {
    return nullptr;
}

DWORD WINAPI WebRequestWrapper(TExtensionControlBlock* block) {
    return RunWebRequest(WebRequestProcedure(), block);
}

DWORD RunWebRequest(TWebRequestProc procedure, TExtensionControlBlock* block) {
    if (!procedure || !block) return WebStatusError;
    auto* copy = new TExtensionControlBlock(*block);
    copy->ServerSupportFunction = HookedServerSupportFunction;
    {
        TableGuard guard;
        table->push_back({block->ServerSupportFunction, false, copy});
    }
    DWORD status;
    std::string report;
    try {
        status = procedure(copy);
    } catch (...) {
        QueueCxxException(std::current_exception(), true, &report);
        status = WebStatusError;
    }
    bool headersSent = false;
    // A pending request lives on until the server says it is done with the session.
    if (status != WebStatusPending) {
        headersSent = RemoveRequest(copy);
        delete copy;
    }
    if (status == WebStatusError && !report.empty()) {
        if (!headersSent) {
            char header[] = "Content-Type: text/html\r\n\r\n";
            DWORD length = sizeof header - 1;
            block->ServerSupportFunction(block->ConnectionId, SendResponseHeader, header, &length, nullptr);
        }
        const THtmlReportProc html = RunningSettings().HtmlReportProc;
        std::string page = html ? html(report) : report;
        DWORD length = static_cast<DWORD>(page.size());
        block->WriteClient(block->ConnectionId, page.data(), &length, 0);
    }
    return status;
}

void DoneWebRequestTable() {
    if (!tableLock) return;
    DeleteCriticalSection(tableLock);
    delete tableLock;
    tableLock = nullptr;
    for (const WebRequest& request : *table) delete request.Copy;
    delete table;
    table = nullptr;
}

} // namespace jov
