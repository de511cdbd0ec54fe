#pragma once
// One fill of a list window on a thread of its own: tell the window, wait for one of the five fill
// slots (or the window's cancel), list, tell the window it ended.
#include "ListingSources.h"
#include "ListTypes.h"
#include "controls/OstrelTreeview.h"
#include "framework/Sync.h"
#include "framework/Thread.h"

#include <array>
#include <memory>
#include <vector>

constexpr UINT WM_LISTBEGIN = WM_USER + 202; // sent: wParam 0, lParam 0
constexpr UINT WM_LISTEND = WM_USER + 203;   // posted: wParam 0 finished, 1 cancelled or failed

using TListCounters = std::array<int, ListTypeCount>;

// What a list window lends the worker of its fill.
class TListHost {
public:
    virtual ~TListHost() = default;
    virtual HWND ListHandle() const = 0;
    virtual TOstrelTreeview& ListTree() = 0;
    virtual TListTypes MainKind() const = 0;
    virtual const std::vector<TListTypes>& Kinds() const = 0;
    // Called on the worker's thread just before WM_LISTEND is posted.
    virtual void StoreCounters(const TListCounters& counters) = 0;
};

// The slots that limit how many fills list at once, and the lock that guards the cancel events.
struct TFillSlots {
    fw::CriticalSection* Lock;
    HANDLE Semaphore;
};
TFillSlots SettingsFillSlots();

class TThreadData : public fw::Thread {
public:
    explicit TThreadData(TListHost& host, TListingSources& sources = SystemSources(),
                         TFillSlots slots = SettingsFillSlots());
    // Cancels and waits: the window that owns the worker destroys it before it goes itself.
    ~TThreadData() override;

    void StartThread() { start(); }
    // GUI thread: cancel, then wait for the thread while its messages are handled.
    void TerminateAndWait();
    bool Terminated() const { return terminated(); }

    // The state of the listing, used by the listing functions on the worker's thread.
    TOstrelTreeview& Tree;
    TListingSources& Sources;
    std::shared_ptr<fw::wmi::Services> Services;
    TListCounters Counters{};

protected:
    void execute() override;

private:
    bool NeedsWmi() const;
    void RunListing();
    void CloseCancelEvent();

    TListHost& host_;
    const HWND window_;
    TFillSlots slots_;
    fw::Handle cancelEvent_; // guarded by the slots' lock
};

// A new fill for the window; the previous worker (which has ended its fill) is released first.
void StartRefresh(std::unique_ptr<TThreadData>& worker, TListHost& host,
                  TListingSources& sources = SystemSources(), TFillSlots slots = SettingsFillSlots());

extern const char* const UnexpectedErrorText;
extern const char* const UnexpectedErrorCaption;
