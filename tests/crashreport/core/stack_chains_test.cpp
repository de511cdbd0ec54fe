#include "crashreport/core/StackTrace.h"
#include "crashreport/core/TestMemory.h"

#include <gtest/gtest.h>

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
