#include "ListWorker.h"
#include "fakes/FakeMessageBoxes.h"
#include "framework/OleException.h"
#include "support/ListFakes.h"
#include <gtest/gtest.h>

namespace {
struct Fill {
    explicit Fill(TListTypes kind = ltWindows, std::vector<TListTypes> kinds = {ltWindows})
        : columns(KeyColumnLists()), window(std::make_unique<TestListWindow>(kind, kinds, columns)) {}
    void Start(TestSlots& slots) { window->Refresh(sources, slots.slots()); }
    FakeSources sources;
    TColumnSettingLists columns;
    std::unique_ptr<TestListWindow> window;
};

// A manual-reset gate the fakes wait at.
struct Gate {
    Gate() : handle(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Gate() { CloseHandle(handle); }
    void open() { SetEvent(handle); }
    void wait() { WaitForSingleObject(handle, 30000); }
    HANDLE handle;
};
} // namespace

TEST(ListWorker, AFillAnnouncesItselfListsAndEnds) {
    TestSlots slots;
    Fill windows;
    windows.sources.windows.Add(windows.sources.windows.Add(nullptr));
    windows.Start(slots);
    ASSERT_TRUE(PumpUntil([&] { return windows.window->Ended(); }));
    EXPECT_EQ(1, windows.window->Begins);
    EXPECT_EQ(std::vector<WPARAM>{0}, windows.window->Ends);
    EXPECT_EQ((TListCounters{3, 0, 0, 0, 0}), windows.window->Counters);
    EXPECT_EQ(0, windows.sources.connects) << "a window list makes no WMI connection";
    EXPECT_EQ(1, windows.window->Tree.VisibleRowCount()) << "the desktop, collapsed";
    EXPECT_EQ(5, slots.FreeSlots());

    Fill modules(ltModules, {ltModules, ltProcesses});
    modules.Start(slots);
    ASSERT_TRUE(PumpUntil([&] { return modules.window->Ended(); }));
    EXPECT_EQ(1, modules.sources.connects);

    // Refresh: a new worker with a new cancel event, after the old one has gone.
    windows.window->Ends.clear();
    windows.Start(slots);
    ASSERT_TRUE(PumpUntil([&] { return windows.window->Ended(); }));
    EXPECT_EQ(2, windows.window->Begins);
    EXPECT_EQ(5, slots.FreeSlots());
}

TEST(ListWorker, FiveFillsListAtOnceAndTheSixthWaitsForASlot) {
    TestSlots slots;
    Gate gate;
    std::atomic<int> listing{0};
    std::vector<std::unique_ptr<Fill>> fills;
    for (int i = 0; i < 6; ++i) {
        auto fill = std::make_unique<Fill>();
        fill->sources.windows.Add(nullptr);
        fill->sources.windows.beforeVisit = [&](HWND) {
            ++listing;
            gate.wait();
        };
        fill->Start(slots);
        fills.push_back(std::move(fill));
    }
    auto begun = [&] {
        for (auto& f : fills)
            if (f->window->Begins != 1) return false;
        return true;
    };
    ASSERT_TRUE(PumpUntil([&] { return begun() && listing == 5; }));
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(5, listing) << "the sixth shows its busy display and waits";
    EXPECT_EQ(0, slots.FreeSlots());
    int busy = 0;
    for (auto& f : fills) busy += f->window->Tree.SearchDisplay();
    EXPECT_EQ(6, busy);
    gate.open();
    ASSERT_TRUE(PumpUntil([&] {
        for (auto& f : fills)
            if (!f->window->Ended()) return false;
        return true;
    }));
    EXPECT_EQ(6, listing);
    for (auto& f : fills) EXPECT_EQ(std::vector<WPARAM>{0}, f->window->Ends);
    EXPECT_EQ(5, slots.FreeSlots());
}

TEST(ListWorker, CancelWhileWaitingListsNothingAndTakesNoSlot) {
    TestSlots slots(0); // every slot taken by other fills
    Fill fill(ltProcesses, {ltProcesses, ltThreads, ltWindows});
    fill.sources.windows.Add(nullptr);
    fill.Start(slots);
    ASSERT_TRUE(PumpUntil([&] { return fill.window->Begins == 1; }));
    PumpUntil([] { return false; }, 100);
    DWORD start = GetTickCount();
    fill.window->Worker->TerminateAndWait();
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_EQ(std::vector<WPARAM>{1}, fill.window->Ends);
    EXPECT_EQ(0, fill.window->Tree.Rows().size());
    EXPECT_FALSE(fill.window->Tree.SearchDisplay());
    EXPECT_EQ(0, slots.FreeSlots());
    EXPECT_EQ(1, fill.sources.connects);
    EXPECT_EQ(0, fill.sources.windows.visits);
}

TEST(ListWorker, CancelInTheMiddleOfAListingStopsAtTheNextCheck) {
    TestSlots slots;
    Fill fill;
    for (int i = 0; i < 100000; ++i) fill.sources.windows.Add(nullptr);
    fill.sources.windows.beforeVisit = [](HWND) { Sleep(0); };
    fill.Start(slots);
    ASSERT_TRUE(PumpUntil([&] { return fill.sources.windows.visits > 100; }));
    fill.window->Worker->TerminateAndWait();
    EXPECT_LT(fill.sources.windows.visits, 100000);
    EXPECT_EQ(std::vector<WPARAM>{1}, fill.window->Ends);
    EXPECT_EQ(0, fill.window->Tree.Rows().size()) << "cancelled rows go with the busy display";
    EXPECT_EQ(5, slots.FreeSlots());
}

TEST(ListWorker, FailuresEndTheFillShowTheErrorAndCloseTheWindow) {
    struct Case {
        const char* what;
        TListTypes kind;
        std::function<void(FakeSources&)> arrange;
        bool noSlots = false; // the slots' semaphore is missing: the wait for a slot fails
    } const cases[] = {
        {"listing throws", ltWindows,
         [](FakeSources& s) {
             s.windows.Add(nullptr);
             s.windows.beforeVisit = [](HWND) { throw std::runtime_error("broken enumeration"); };
         }},
        {"WMI cannot be reached", ltServices,
         [](FakeSources& s) { s.onConnect = [] { throw fw::EOleException(E_ACCESSDENIED, "connect"); }; }},
        {"no slot can be waited for", ltWindows, [](FakeSources& s) { s.windows.Add(nullptr); }, true},
    };
    // The free slots while the message is up: a failed fill holds none of them.
    struct Boxes : fake::MessageBoxes {
        TestSlots* slots = nullptr;
        int freeSlots = -1;
        int show(HWND owner, const std::string& text, const std::string& caption, UINT type) override {
            freeSlots = slots->FreeSlots();
            return MessageBoxes::show(owner, text, caption, type);
        }
    };
    for (const auto& c : cases) {
        Boxes boxes;
        TestSlots slots;
        boxes.slots = &slots;
        Fill fill(c.kind, {c.kind});
        c.arrange(fill.sources);
        if (c.noSlots)
            fill.window->Refresh(fill.sources, {&slots.lock, nullptr});
        else
            fill.Start(slots);
        ASSERT_TRUE(PumpUntil([&] { return fill.window->Ended() && fill.window->Closes == 1; })) << c.what;
        EXPECT_EQ(std::vector<WPARAM>{1}, fill.window->Ends) << c.what;
        ASSERT_EQ(1u, boxes.shown.size()) << c.what;
        EXPECT_EQ("An unexpected error occured! Try restart Ostrel using the following parameters: \"-reset "
                  "-config\"",
                  boxes.shown[0].text);
        EXPECT_EQ("Unexpected Error", boxes.shown[0].caption);
        EXPECT_EQ(UINT(MB_ICONERROR), boxes.shown[0].type & MB_ICONMASK);
        EXPECT_EQ(5, boxes.freeSlots) << c.what;
        fill.window->Worker->waitFor();
        EXPECT_EQ(5, slots.FreeSlots()) << c.what;
    }
}

TEST(ListWorker, ClosingTheWindowWhileItsWorkerRunsNeitherHangsNorOutlivesIt) {
    TestSlots slots;
    struct Case {
        const char* what;
        bool pumpFirst; // false: the worker still waits for its begin message to be handled
    } const cases[] = {{"while listing", true}, {"before the begin message", false}};
    for (const auto& c : cases) {
        Fill fill;
        for (int i = 0; i < 50000; ++i) fill.sources.windows.Add(nullptr);
        fill.sources.windows.beforeVisit = [](HWND) { Sleep(0); };
        fill.Start(slots);
        if (c.pumpFirst) {
            ASSERT_TRUE(PumpUntil([&] { return fill.sources.windows.visits > 50; }));
        }
        HWND hwnd = fill.window->handle();
        DWORD start = GetTickCount();
        fill.window.reset();
        EXPECT_LT(GetTickCount() - start, 5000u) << c.what;
        EXPECT_FALSE(IsWindow(hwnd)) << c.what;
        PumpUntil([] { return false; }, 100); // anything still posted finds no window
        EXPECT_EQ(5, slots.FreeSlots()) << c.what;
    }
}
