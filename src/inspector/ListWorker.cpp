#include "ListWorker.h"
#include "ConstVars.h"
#include "ListingFunctions.h"
#include "framework/Application.h"
#include "framework/ComPtr.h"
#include "framework/Exceptions.h"
#include "framework/MessageBox.h"

#include <optional>

const char* const UnexpectedErrorText =
    "An unexpected error occured! Try restart Ostrel using the following parameters: \"-reset -config\"";
const char* const UnexpectedErrorCaption = "Unexpected Error";

TFillSlots SettingsFillSlots() {
    return {&OstrelSettings->ListLock, OstrelSettings->ThreadSemaphore.get()};
}

TThreadData::TThreadData(TListHost& host, TListingSources& sources, TFillSlots slots)
    : Tree(host.ListTree()), Sources(sources), host_(host), window_(host.ListHandle()), slots_(slots),
      cancelEvent_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
    if (!cancelEvent_) throw fw::Exception("Cannot create the cancel event of a list fill");
}

TThreadData::~TThreadData() {
    TerminateAndWait();
}

void TThreadData::CloseCancelEvent() {
    fw::Lock lock(*slots_.Lock);
    cancelEvent_.reset();
}

void TThreadData::TerminateAndWait() {
    terminate();
    {
        fw::Lock lock(*slots_.Lock);
        if (cancelEvent_) SetEvent(cancelEvent_.get());
    }
    // Handling messages lets a worker that sends to this thread (the begin message, window texts of
    // our own windows) get on to its end.
    while (handle() && WaitForSingleObject(handle(), 10) == WAIT_TIMEOUT) fw::application().processMessages();
    fw::application().processMessages();
}

bool TThreadData::NeedsWmi() const {
    for (TListTypes kind : host_.Kinds())
        if (kind == ltProcesses || kind == ltThreads || kind == ltServices) return true;
    return false;
}

void TThreadData::RunListing() {
    switch (host_.MainKind()) {
    case ltWindows:
        return ListWindows(*this);
    case ltProcesses:
        return ListProcesses(*this);
    case ltThreads:
        return ListThreads(*this);
    case ltModules:
        return ListModules(*this);
    case ltServices:
        return ListServices(*this);
    }
}

void TThreadData::execute() {
    SendMessageA(window_, WM_LISTBEGIN, 0, 0);
    bool failed = false, tookSlot = false;
    std::optional<fw::ComInit> com;
    try {
        if (NeedsWmi()) {
            com.emplace(COINIT_APARTMENTTHREADED);
            Services = Sources.ConnectWmi();
        }
        HANDLE pair[2];
        {
            fw::Lock lock(*slots_.Lock);
            pair[0] = cancelEvent_.get();
        }
        pair[1] = slots_.Semaphore;
        // With both signalled the event wins and no slot is taken.
        const DWORD waited = WaitForMultipleObjects(2, pair, FALSE, INFINITE);
        if (waited == WAIT_FAILED) throw fw::Exception("A list fill cannot wait for its slot");
        tookSlot = waited == WAIT_OBJECT_0 + 1;
        if (!tookSlot) terminate();
        CloseCancelEvent();
        if (!terminated()) RunListing();
    } catch (...) {
        failed = true;
    }
    // The slot goes back first: other lists do not wait while the user reads the message.
    if (tookSlot) ReleaseSemaphore(slots_.Semaphore, 1, nullptr);
    if (failed)
        fw::messageBox(fw::application().handle(), UnexpectedErrorText, UnexpectedErrorCaption,
                       MB_OK | MB_ICONERROR);
    host_.StoreCounters(Counters);
    // From here on only the window's handle is used, never the window: it may be gone at any moment.
    PostMessageA(window_, WM_LISTEND, terminated() || failed ? 1 : 0, 0);
    if (failed) PostMessageA(window_, WM_CLOSE, 0, 0);
    Services.reset();
}

void StartRefresh(std::unique_ptr<TThreadData>& worker, TListHost& host, TListingSources& sources,
                  TFillSlots slots) {
    worker.reset();
    worker = std::make_unique<TThreadData>(host, sources, slots);
    worker->StartThread();
}
