#include "crashreport/jovExceptWeb.h"

#include "crashreport/jovExceptHooks.h"
#include "crashreport/jovExceptWorker.h"
#include "crashreport/jovStepGuard.h"
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

// The requests that run, under their lock; made on first use (again after the crash reporter's stop).
struct WebTable {
    WebTable() { InitializeCriticalSection(&Lock); }
    ~WebTable() { DeleteCriticalSection(&Lock); }
    WebTable(const WebTable&) = delete;
    WebTable& operator=(const WebTable&) = delete;
    CRITICAL_SECTION Lock;
    std::vector<WebRequest> Requests;
};
WebTable* volatile webTable = nullptr;

WebTable& Table() {
    if (!webTable) {
        auto* made = new WebTable;
        if (InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(&webTable), made, nullptr))
            delete made;
    }
    return *webTable;
}

class TableGuard {
public:
    TableGuard() : table_(Table()) { EnterCriticalSection(&table_.Lock); }
    ~TableGuard() { LeaveCriticalSection(&table_.Lock); }
    TableGuard(const TableGuard&) = delete;
    TableGuard& operator=(const TableGuard&) = delete;
    std::vector<WebRequest>& requests() { return table_.Requests; }

private:
    WebTable& table_;
};

// Removes the request of the block copy; false when it is gone already (the server ended its session).
bool RemoveRequest(TExtensionControlBlock* copy, bool& headersSent) {
    TableGuard guard;
    for (auto request = guard.requests().begin(); request != guard.requests().end(); ++request)
        if (request->Copy == copy) {
            headersSent = request->HeadersSent;
            guard.requests().erase(request);
            return true;
        }
    return false;
}

BOOL WINAPI HookedServerSupportFunction(THttpConnection connection, DWORD code, void* buffer, DWORD* size,
                                        DWORD* dataType) {
    TServerSupportFunction original = nullptr;
    {
        TableGuard guard;
        for (const WebRequest& request : guard.requests())
            if (request.Copy->ConnectionId == connection) original = request.Original;
    }
    if (!original) return FALSE;
    const BOOL result = original(connection, code, buffer, size, dataType);
    TableGuard guard;
    for (auto request = guard.requests().begin(); request != guard.requests().end(); ++request) {
        if (request->Copy->ConnectionId != connection) continue;
        if ((result && code == SendResponseHeader) || code == SendResponseHeaderEx)
            request->HeadersSent = true;
        if (code == DoneWithSession) {
            delete request->Copy;
            guard.requests().erase(request);
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
        guard.requests().push_back({block->ServerSupportFunction, false, copy});
    }
    DWORD status = WebStatusError;
    std::string report;
    TStepFailure failure;
    // A fault of the request's own code, like a throw, ends in a page for the browser.
    if (!RunGuarded(
            [&] {
                try {
                    status = procedure(copy);
                } catch (...) {
                    QueueCxxException(std::current_exception(), true, &report);
                    status = WebStatusError;
                }
            },
            failure)) {
        QueueCrashRequest(false, nullptr, reinterpret_cast<const void*>(failure.Address), true, nullptr,
                          nullptr, &report);
        status = WebStatusError;
    }
    bool headersSent = false;
    // A pending request lives on until the server says it is done with the session.
    if (status != WebStatusPending && RemoveRequest(copy, headersSent)) delete copy;
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
    WebTable* table = static_cast<WebTable*>(
        InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&webTable), nullptr));
    if (!table) return;
    for (const WebRequest& request : table->Requests) delete request.Copy;
    delete table;
}

} // namespace jov
