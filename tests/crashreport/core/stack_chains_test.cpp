#include "crashreport/core/StackTrace.h"
#include "crashreport/core/TestMemory.h"

#include <gtest/gtest.h>

#include <memory>

using core::Address;
using core::StackItem;

namespace {

class NoProcess final : public core::TraceEnvironment {
public:
    core::CodeEnvironment& Code() override { throw 0; }
    bool AllocationBase(Address, Address&) override { return false; }
    bool LoadModule(Address, core::ModuleCacheEntry&) override { return false; }
    std::string DescribeAddress(Address) override { return {}; }
};

class Chains : public ::testing::Test {
protected:
    Chains() {
        caches.Functions.resize(2);
        caches.Functions[0].Approved = true;
        caches.Functions[0].Name = "named";
    }
    StackItem& Item(int i) {
        if (int(tracer.Items.size()) <= i) tracer.Items.resize(i + 1);
        return tracer.Items[i];
    }
    void Callee(int from, int to, int function) {
        Item(from).Callees.Links.push_back({to, 0x1000u + Address(to), true, 0, function, 0});
    }
    void Caller(int from, int to, int function) {
        Item(from).Callers.Links.push_back({to, 0x2000u + Address(from), true, 0, function, 0});
    }
    std::vector<int> Live() {
        std::vector<int> live;
        for (int i = 0; i < int(tracer.Items.size()); ++i)
            if (!tracer.Items[i].Removed) live.push_back(i);
        return live;
    }

    NoProcess env;
    core::TraceCaches caches;
    TestMemory stack;
    core::StackTracer tracer{env, caches, stack, core::TraceInput{}};
};

TEST_F(Chains, NamedFunctionsBeatUnknownOnes) {
    Item(0).Anchor = Item(3).Anchor = true;
    Callee(0, 1, -1);
    Callee(1, 3, -1);
    Callee(0, 2, 0);
    Callee(2, 3, 0);
    tracer.RealizeOptimalLinkChains();
    EXPECT_EQ((std::vector<int>{0, 2, 3}), Live());
    EXPECT_EQ(1, tracer.Items[0].Callees.Chosen);
}

TEST_F(Chains, AChainOfUnknownFunctionsIsStillRestored) {
    Item(0).Anchor = Item(4).Anchor = true;
    Callee(0, 2, -1);
    Callee(2, 3, -1);
    Callee(3, 4, -1);
    tracer.RealizeOptimalLinkChains();
    EXPECT_EQ((std::vector<int>{0, 2, 3, 4}), Live());
}

TEST_F(Chains, OfEqualChainsTheFirstFoundStays) {
    Item(0).Anchor = Item(3).Anchor = true;
    Callee(0, 2, -1);
    Callee(0, 1, -1);
    Callee(1, 3, -1);
    Callee(2, 3, -1);
    tracer.RealizeOptimalLinkChains();
    EXPECT_EQ((std::vector<int>{0, 2, 3}), Live());
}

TEST_F(Chains, TheCallerSideWinsWhenTheCalleeSideFindsNoPath) {
    Item(0).Anchor = Item(3).Anchor = true;
    Caller(3, 1, 1);
    Caller(1, 0, 1);
    tracer.RealizeOptimalLinkChains();
    EXPECT_EQ((std::vector<int>{0, 1, 3}), Live());
}

TEST_F(Chains, BelowTheLowestAnchorOnlyTheCallersOfItStay) {
    Item(4).Anchor = true;
    Caller(4, 3, 0);
    Caller(3, 1, 0);
    Item(2);
    Item(0);
    tracer.RealizeOptimalLinkChains();
    EXPECT_EQ((std::vector<int>{1, 3, 4}), Live());
}

// The chain followed down from the upper end restores an item without a caller call address; it shows
// the call its own callee link names, not its return address.
TEST_F(Chains, AnItemRestoredFromAboveShowsItsOwnCall) {
    Item(0).Anchor = Item(3).Anchor = true;
    Item(2).ReturnAddress = 0x4005;
    Callee(2, 3, -1); // no path from the lower end: the caller side wins
    Item(3).Callers.Links.push_back({2, 0, false, 0, -1, 0});
    Item(2).Callers.Links.push_back({0, 0, false, 0, -1, 0});
    tracer.RealizeOptimalLinkChains();
    ASSERT_EQ((std::vector<int>{0, 2, 3}), Live());
    tracer.FillFinalOutput();
    EXPECT_EQ(0x1003u, tracer.Items[2].ShownAddress);
}

// Between two anchors, of two chains through items without known functions the one whose items have
// symbols and known lines wins; of two chains through functions, the approved one.
TEST_F(Chains, WeightsFollowWhatIsKnownOfEachLink) {
    auto withSymbols = std::make_shared<core::SymbolTable>();
    withSymbols->valid = true;
    withSymbols->AddSegment(true, 0x5000, 0x1000, "unit", false);
    withSymbols->AddLine(7, 0x5000, true);
    withSymbols->AddLine(8, 0x5800, true);
    caches.Modules.resize(3);
    caches.Modules[1].Symbols = withSymbols; // 0: no symbols; 1: symbols; 2 is not a module of them
    caches.Modules[2].Symbols = withSymbols;
    caches.Functions[1].Name = "unapproved";
    struct Via {
        int module;
        Address returnAddress;
        int function;
    };
    const struct {
        const char* what;
        Via first, second; // the middle item of each chain, items 1 and 2
        int winner;
    } cases[] = {
        {"a module without symbols loses to one with them", {0, 0x5100, -1}, {1, 0x5100, -1}, 2},
        {"a line unknown at the return address loses to a known one", {1, 0x4F00, -1}, {1, 0x5100, -1}, 2},
        {"both known: the first found stays", {1, 0x5100, -1}, {1, 0x5900, -1}, 1},
        {"an unapproved function loses to an approved one", {1, 0x5100, 1}, {1, 0x5100, 0}, 2},
        {"a function beats any unknown one", {1, 0x5100, 1}, {1, 0x5100, -1}, 1},
    };
    for (const auto& c : cases) {
        tracer.Items.clear();
        Item(0).Anchor = true;
        Item(0).Module = 1;
        Item(0).ReturnAddress = 0x5101;
        Item(3).Anchor = true;
        Item(3).Module = 1;
        Item(3).ReturnAddress = 0x5101;
        for (int middle : {1, 2}) {
            const Via& via = middle == 1 ? c.first : c.second;
            Item(middle).Module = via.module;
            Item(middle).ReturnAddress = via.returnAddress;
            Callee(0, middle, via.function);
            Callee(middle, 3, via.function);
        }
        tracer.RealizeOptimalLinkChains();
        EXPECT_EQ((std::vector<int>{0, c.winner, 3}), Live()) << c.what;
    }
}

// The text of hand-filled items; the composer reads only the output fields.
class TraceText : public ::testing::Test {
protected:
    struct Line {
        Address shown;
        const char* module;
        const char* unit;
        int line;
        const char* function;
        Address entry = 0;
        bool final = false;
        int absolute = 0;
    };
    std::string Compose(core::TraceOptions options, Address creator, const std::vector<Line>& lines) {
        NoProcess env;
        core::TraceCaches caches;
        TestMemory stack;
        core::TraceInput input;
        input.Options = options;
        input.Creator = creator;
        core::StackTracer tracer(env, caches, stack, input);
        for (const Line& l : lines) {
            StackItem item;
            item.ShownAddress = l.shown;
            item.ModuleName = l.module;
            item.UnitName = l.unit;
            item.Line = l.line;
            item.AbsoluteLine = l.absolute;
            item.FunctionName = l.function;
            item.EntryPoint = l.entry;
            item.Final = l.final;
            tracer.Items.push_back(item);
        }
        return tracer.ComposeResult();
    }
};

TEST_F(TraceText, AlignedColumnsInnermostFirst) {
    // Every column keeps its width, also on a line whose last columns are empty.
    EXPECT_EQ("00401043 test.exe     crash 130 f2\r\n"
              "00401003 test.exe     crash  10 main\r\n"
              "77E8A000 kernel32.dll           ",
              Compose({}, 0x77E8A000,
                      {{0x77E8A000, "kernel32.dll", "", 0, ""},
                       {0x401003, "test.exe", "crash", 10, "main"},
                       {0x401003, "test.exe", "crash", 10, "main"}, // the same call twice: one line
                       {0x401010, "test.exe", "", 0, ""},           // nothing named: no line
                       {0x401043, "test.exe", "crash", 130, "f2", 0, true}}));
}

TEST_F(TraceText, HideItemsWithoutLineKeepsForcedAndCreatorLines) {
    core::TraceOptions options;
    options.HideItemsWithoutLine = true;
    EXPECT_EQ("00401043 test.exe crash    f2\r\n"
              "00401023 test.exe crash 20 f1\r\n"
              "00401000 test.exe          ",
              Compose(options, 0x401000,
                      {{0x401000, "test.exe", "", 0, ""},
                       {0x401003, "test.exe", "crash", 0, "main"},
                       {0x401023, "test.exe", "crash", 20, "f1"},
                       {0x401043, "test.exe", "crash", 0, "f2", 0, true}}));
}

TEST_F(TraceText, RelativeAddressesZeroPaddedToTheWidest) {
    core::TraceOptions options;
    options.ShowRelativeAddress = true;
    EXPECT_EQ("00402234 +1234 test.exe u 4 f\r\n"
              "00401500 +0000 test.exe u 5 g\r\n"
              "0040101A +001A test.exe u 3 main",
              Compose(options, 0,
                      {{0x40101A, "test.exe", "u", 3, "main", 0x401000},
                       {0x401500, "test.exe", "u", 5, "g", 0},
                       {0x402234, "test.exe", "u", 4, "f", 0x401000, true}}));
}

TEST_F(TraceText, RelativeLinesBesideAbsoluteOnes) {
    core::TraceOptions options;
    options.ShowRelativeLine = true;
    EXPECT_EQ(std::string("00401043 test.exe crash ") + "    " + " 7 " + "f\r\n" +
                  "00401003 test.exe crash 120 +5 main",
              Compose(options, 0,
                      {{0x401003, "test.exe", "crash", 5, "main", 0x401000, false, 120},
                       {0x401043, "test.exe", "crash", 7, "f", 0, true}}));
}

TEST_F(TraceText, AbsentColumns) {
    core::TraceOptions options;
    options.ShowRelativeAddress = options.ShowRelativeLine = true;
    EXPECT_EQ(
        "00401043 ???  f2\r\n"
        "00401003 ???  main",
        Compose(options, 0, {{0x401003, "???", "", 0, "main"}, {0x401043, "???", "", 0, "f2", 0, true}}));
    EXPECT_EQ("", Compose({}, 0, {}));
}

} // namespace
