#include "crashreport/core/StackTrace.h"
#include "crashreport/core/TestCodeEnvironment.h"
#include "crashreport/core/TestMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <string>

using core::Address;
using core::StackItem;
using core::StackLink;

namespace {

TEST(CallBeforeReturn, AcceptsCallsAndRefusesJumps) {
    const struct {
        std::vector<std::uint8_t> tail; // the bytes that end at the return address
        bool call;
    } cases[] = {
        {{0xE8, 1, 2, 3, 4}, true},                    // call rel32
        {{0xFF, 0x15, 0x00, 0x20, 0x40, 0x00}, true},  // call [disp32]
        {{0xFF, 0xD0}, true},                          // call eax
        {{0xFF, 0x55, 0x08}, true},                    // call [ebp+8]
        {{0xFF, 0x14, 0x85, 0, 0x20, 0x40, 0}, true},  // call [eax*4+disp32]
        {{0x9A, 1, 2, 3, 4, 5, 6}, true},              // far call
        {{0xFF, 0x25, 0x00, 0x20, 0x40, 0x00}, false}, // jmp [disp32]
        {{0xFF, 0xE0}, false},                         // jmp eax
        {{0x90, 0x90, 0x90}, false},
    };
    for (const auto& c : cases) {
        std::uint8_t before[8] = {0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90};
        std::memcpy(before + 8 - c.tail.size(), c.tail.data(), c.tail.size());
        EXPECT_EQ(c.call, core::CallBeforeReturn(before))
            << std::hex << int(c.tail[0]) << " " << int(c.tail[1]);
    }
}

TEST(RaisingRoutines, GccThrowPathsAreKnown) {
    for (const char* name : {"__cxa_throw", "__wrap___cxa_throw", "__cxa_rethrow", "_Unwind_RaiseException",
                             "RaiseException", "std::__throw_out_of_range(char const*)",
                             "std.__throw_logic_error(char const*)", "_ZSt20__throw_out_of_rangePKc"})
        EXPECT_TRUE(core::IsRaisingRoutineName(name)) << name;
    for (const char* name : {"main", "std::vector<int>::at(unsigned int)", "ErrorText"})
        EXPECT_FALSE(core::IsRaisingRoutineName(name)) << name;
}

std::vector<StackItem> ItemsWithReturns(const std::vector<Address>& returns) {
    std::vector<StackItem> items(returns.size());
    for (std::size_t i = 0; i < returns.size(); ++i) items[i].ReturnAddress = returns[i];
    return items;
}

std::vector<Address> LiveReturns(const std::vector<StackItem>& items) {
    std::vector<Address> live;
    for (const StackItem& item : items)
        if (!item.Removed) live.push_back(item.ReturnAddress);
    return live;
}

TEST(RecursionRemoval, OneRoundOfEveryRepetitionStays) {
    const struct {
        std::vector<Address> in, out;
    } cases[] = {
        {{0xA, 0xB, 0xA, 0xB}, {0xA, 0xB}},
        {{0xA, 0xA, 0xA}, {0xA}},
        {{0x1, 0xA, 0xB, 0xC, 0xA, 0xB, 0xC, 0xA, 0xB, 0xC, 0x2}, {0x1, 0xA, 0xB, 0xC, 0x2}},
        {{0xA, 0xB, 0xC}, {0xA, 0xB, 0xC}},
        {{0xA, 0xB, 0xA}, {0xA, 0xB, 0xA}}, // nothing repeats as a whole
    };
    for (const auto& c : cases) {
        auto items = ItemsWithReturns(c.in);
        core::RemoveRecursiveAreas(items, true);
        EXPECT_EQ(c.out, LiveReturns(items));
    }
}

TEST(RecursionRemoval, DropsLinksAndRelinksTheFrameChain) {
    auto items = ItemsWithReturns({0xA, 0xB, 0xA, 0xB, 0xC});
    for (int i = 0; i < 5; ++i) {
        items[i].PrevChain = i - 1;
        items[i].NextChain = i < 4 ? i + 1 : -1;
        items[i].Anchor = true;
    }
    items[4].Callers.Links.push_back({3, 0x100, false, 0, -1, 0});
    items[1].Callees.Links.push_back({3, 0x100, false, 0, -1, 0});
    auto kept = items;
    core::RemoveRecursiveAreas(items, true);
    EXPECT_TRUE(items[2].Removed && items[3].Removed && !items[2].Anchor);
    EXPECT_EQ(4, items[1].NextChain);
    EXPECT_EQ(1, items[4].PrevChain);
    EXPECT_TRUE(items[4].Callers.Links.empty() && items[1].Callees.Links.empty());
    core::RemoveRecursiveAreas(kept, false);
    EXPECT_EQ(1u, kept[4].Callers.Links.size());
}

// The rule as it is stated, step by step: passes from the innermost live item down to the second, each
// removal going on with the next live item below the removed round, until a pass changes nothing.
void RemoveByTheRule(std::vector<StackItem>& items, bool dropLinks) {
    auto remove = [&](int index) {
        StackItem& item = items[index];
        item.Removed = true;
        item.Anchor = false;
        if (item.PrevChain >= 0) items[item.PrevChain].NextChain = item.NextChain;
        if (item.NextChain >= 0) items[item.NextChain].PrevChain = item.PrevChain;
        item.PrevChain = item.NextChain = -1;
        if (!dropLinks) return;
        item.Callees.Links.clear();
        item.Callers.Links.clear();
        for (StackItem& other : items)
            for (core::LinkList* list : {&other.Callees, &other.Callers})
                std::erase_if(list->Links, [&](const StackLink& l) { return l.Target == index; });
    };
    for (bool changed = true; changed;) {
        changed = false;
        for (int i = int(items.size()) - 1; i >= 1; --i) {
            if (items[i].Removed) continue;
            std::vector<int> below; // live items below i, nearest first
            for (int x = i - 1; x >= 0; --x)
                if (!items[x].Removed) below.push_back(x);
            std::size_t k = 0;
            while (k < below.size() && items[below[k]].ReturnAddress != items[i].ReturnAddress) ++k;
            if (k == below.size() || below.size() - (k + 1) < k) continue;
            bool same = true;
            for (std::size_t t = 0; t < k && same; ++t)
                same = items[below[t]].ReturnAddress == items[below[k + 1 + t]].ReturnAddress;
            if (!same) continue;
            remove(i);
            for (std::size_t t = 0; t < k; ++t) remove(below[t]);
            changed = true;
        }
    }
}

bool SameItems(const std::vector<StackItem>& a, const std::vector<StackItem>& b) {
    auto sameLinks = [](const core::LinkList& x, const core::LinkList& y) {
        return std::equal(x.Links.begin(), x.Links.end(), y.Links.begin(), y.Links.end(),
                          [](const StackLink& l, const StackLink& m) {
                              return l.Target == m.Target && l.CallAddress == m.CallAddress;
                          });
    };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].Removed != b[i].Removed || a[i].Anchor != b[i].Anchor || a[i].PrevChain != b[i].PrevChain ||
            a[i].NextChain != b[i].NextChain || !sameLinks(a[i].Callees, b[i].Callees) ||
            !sameLinks(a[i].Callers, b[i].Callers))
            return false;
    return a.size() == b.size();
}

std::string ReturnsText(const std::vector<StackItem>& items) {
    std::string text;
    for (const StackItem& item : items)
        (text += std::to_string(item.ReturnAddress)) += item.Removed ? "- " : " ";
    return text;
}

TEST(RecursionRemoval, GivesWhatTheRuleGivesOnRandomAndCraftedStacks) {
    std::mt19937 random(20240607);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    std::vector<std::vector<Address>> stacks = {
        {},
        {7},
        std::vector<Address>(5000, 7),              // deep direct recursion
        {2, 0, 2, 2, 0, 0, 1, 0, 2, 0, 1},          // passes and restarts give different results
        {0, 0, 1, 0, 1, 2, 2, 1, 0, 1, 2, 0, 0, 1}, // so do a removal's successors
        {1, 5, 2, 5, 0, 1, 5, 2, 0, 1, 0, 0, 1, 2, 0, 1, 5, 2, 5, 0}, // six passes
    };
    std::vector<Address> mutual;
    for (int i = 0; i < 3000; ++i) mutual.push_back(0xA + Address(i % 3));
    mutual.push_back(0xF);
    stacks.push_back(mutual);
    std::vector<Address> nested; // rounds of rounds: (A B B B C)^k
    for (int round = 0; round < 50; ++round)
        for (Address a : {1, 2, 2, 2, 3}) nested.push_back(a);
    stacks.push_back(nested);
    for (int i = 0; i < 3000; ++i) {
        std::vector<Address> stack(1 + pick(40));
        const int alphabet = 1 + pick(5);
        for (Address& a : stack) a = Address(pick(alphabet));
        stacks.push_back(stack);
    }
    for (const auto& returns : stacks)
        for (bool dropLinks : {true, false}) {
            auto items = ItemsWithReturns(returns);
            const int n = int(items.size());
            int previous = -1; // a frame chain through some of the items, ascending
            for (int i = 0; i < n; ++i)
                if (pick(3) == 0) {
                    items[i].Anchor = true;
                    items[i].PrevChain = previous;
                    if (previous >= 0) items[previous].NextChain = i;
                    previous = i;
                }
            for (int i = 0; i < n && n > 1; ++i)
                for (int l = pick(3); l > 0; --l) {
                    items[i].Callees.Links.push_back({pick(n), Address(l), false, 0, -1, 0});
                    items[i].Callers.Links.push_back({pick(2) ? -1 : pick(n), Address(l), false, 0, -1, 0});
                }
            auto expected = items;
            RemoveByTheRule(expected, dropLinks);
            core::RemoveRecursiveAreas(items, dropLinks);
            EXPECT_TRUE(SameItems(expected, items))
                << "in:   " << ReturnsText(ItemsWithReturns(returns)) << "\nrule: " << ReturnsText(expected)
                << "\ngot:  " << ReturnsText(items);
        }
}

TEST(RecursionRemoval, KeepsTheProgressWhereItStands) {
    struct Positions : core::TraceProgress {
        std::vector<int> seen;
        void SetPosition(int position) override { seen.push_back(position); }
    } progress;
    auto items = ItemsWithReturns(std::vector<Address>(20000, 7));
    core::RemoveRecursiveAreas(items, true, &progress, 25);
    EXPECT_EQ(1u, LiveReturns(items).size());
    EXPECT_GE(progress.seen.size(), 4u);
    EXPECT_TRUE(std::all_of(progress.seen.begin(), progress.seen.end(), [](int p) { return p == 25; }));
}

// A fake process: a module at 0x400000 with code at 0x401000 and symbols, a stack below 0x130000.
class FakeProcess final : public core::CodeEnvironment, public core::TraceEnvironment {
public:
    static constexpr Address kBase = 0x400000, kCode = 0x401000, kCodeEnd = 0x402000;
    static constexpr Address kStackEnd = 0x130000, kStackBegin = 0x12FF00;

    FakeProcess() {
        memory.Place(kCode, std::vector<std::uint8_t>(kCodeEnd - kCode, 0xCC));
        symbols = std::make_shared<core::SymbolTable>();
        symbols->valid = true;
        symbols->codeBegin = kCode;
        symbols->codeEnd = kCodeEnd;
        symbols->AddSegment(true, kCode, kCodeEnd - kCode, "crash.cpp", false);
    }

    void Code(Address at, std::vector<std::uint8_t> bytes) {
        std::vector<std::uint8_t> all(kCodeEnd - kCode);
        memory.Read(kCode, all.data(), Address(all.size()));
        std::copy(bytes.begin(), bytes.end(), all.begin() + (at - kCode));
        memory.Place(kCode, all);
    }
    static std::vector<std::uint8_t> Call(Address at, Address target) {
        const Address rel = target - (at + 5);
        return {0xE8, std::uint8_t(rel), std::uint8_t(rel >> 8), std::uint8_t(rel >> 16),
                std::uint8_t(rel >> 24)};
    }
    void Function(const char* name, Address at) { symbols->AddPublic(true, name, at - kCode, false); }
    void Stack(const std::map<Address, Address>& slots) {
        std::vector<std::uint8_t> bytes(kStackEnd - kStackBegin);
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = std::uint8_t(i * 37 + 11); // junk
        for (auto [slot, value] : slots) std::memcpy(&bytes[slot - kStackBegin], &value, 4);
        memory.Place(kStackBegin, bytes);
    }

    core::CodeEnvironment& Code() override { return *this; }
    bool Read(Address address, void* destination, std::uint32_t length) override {
        return memory.Read(address, destination, length);
    }
    bool IsCommitted(Address address) override { return memory.Contains(address); }
    bool CodeRange(Address, Address& begin, Address& end) override {
        begin = kCode;
        end = kCodeEnd;
        return true;
    }
    std::string SystemErrorText(std::uint32_t) override { return {}; }
    bool IsHaltTarget(const core::TInstructionInfo&) override { return false; }
    bool IsFunctionEntry(Address address) override {
        for (const auto& p : symbols->publics)
            if (p.address == address) return true;
        return false;
    }
    bool AllocationBase(Address address, Address& base) override {
        if (!memory.Contains(address)) return false;
        base = address >= kBase && address < kCodeEnd ? kBase : kStackBegin;
        return true;
    }
    bool LoadModule(Address base, core::ModuleCacheEntry& module) override {
        if (base != kBase) return false;
        module.FileName = "test.exe";
        module.CodeBegin = kCode;
        module.CodeEnd = kCodeEnd;
        module.Symbols = symbols;
        module.IsMain = true;
        return true;
    }
    std::string DescribeAddress(Address address) override { return "at " + std::to_string(address); }

    TestMemory memory;
    std::shared_ptr<core::SymbolTable> symbols;
};

// main calls f1 and g, f1 calls f2, f2 reads address 0; f3 calls __cxa_throw (g).
class SyntheticStack : public ::testing::Test {
protected:
    void SetUp() override {
        p.Code(0x401000, {0x55, 0x89, 0xE5});
        p.Code(0x401003, FakeProcess::Call(0x401003, 0x401020));
        p.Code(0x401008, FakeProcess::Call(0x401008, 0x401060));
        p.Code(0x40100D, {0x5D, 0xC3});
        p.Code(0x401020, {0x55, 0x89, 0xE5});
        p.Code(0x401023, FakeProcess::Call(0x401023, 0x401040));
        p.Code(0x401028, {0x5D, 0xC3});
        p.Code(0x401040, {0x55, 0x89, 0xE5, 0xA1, 0, 0, 0, 0, 0x5D, 0xC3});
        p.Code(0x401060, {0xC3});
        p.Code(0x401080, {0x55, 0x89, 0xE5});
        p.Code(0x401083, FakeProcess::Call(0x401083, 0x401060));
        p.Code(0x401088, {0x5D, 0xC3});
        p.Function("main", 0x401000);
        p.Function("f1", 0x401020);
        p.Function("f2", 0x401040);
        p.Function("__cxa_throw", 0x401060);
        p.Function("f3", 0x401080);
        for (auto [line, at] : std::initializer_list<std::pair<int, Address>>{{9, 0x401000},
                                                                              {10, 0x401003},
                                                                              {11, 0x401008},
                                                                              {12, 0x40100D},
                                                                              {19, 0x401020},
                                                                              {20, 0x401023},
                                                                              {21, 0x401028},
                                                                              {29, 0x401040},
                                                                              {30, 0x401043},
                                                                              {31, 0x401048},
                                                                              {40, 0x401060},
                                                                              {49, 0x401080},
                                                                              {50, 0x401083},
                                                                              {51, 0x401088}})
            p.symbols->AddLine(line, at, true);
    }

    std::string Trace(core::TraceInput input) {
        input.StackBegin = FakeProcess::kStackBegin;
        input.StackEnd = FakeProcess::kStackEnd;
        core::StackTracer tracer(p, caches, p.memory, input, nullptr);
        return tracer.Run();
    }

    FakeProcess p;
    core::TraceCaches caches;
};

// Frames: main (ebp 12FFF8), f1 (ebp 12FFE0), f2 (ebp 12FFD0); everything else is junk, stale returns
// and pointers that look like code.
const std::map<Address, Address> kFrames = {
    {0x12FFFC, 0x7C817077}, {0x12FFF8, 0},        {0x12FFF4, 0x40100D}, {0x12FFF0, 0x401005},
    {0x12FFEC, 0x12FFE0},   {0x12FFE8, 0x401FF0}, {0x12FFE4, 0x401008}, {0x12FFE0, 0x12FFF8},
    {0x12FFDC, 0xDEADBEEF}, {0x12FFD8, 0x401061}, {0x12FFD4, 0x401028}, {0x12FFD0, 0x12FFE0},
    {0x12FF80, 0x40100D},   {0x12FF40, 0x401003}, {0x12FF20, 0x401043}, {0x12FF10, 0x12FFD0},
};

TEST_F(SyntheticStack, OnlyTheRealReturnAddressesSurvive) {
    p.Stack(kFrames);
    const char* expected = "00401043 test.exe crash 30 f2\r\n"
                           "00401023 test.exe crash 20 f1\r\n"
                           "00401003 test.exe crash 10 main";
    for (Address framePointer : {Address(0x12FFD0), Address(0)}) {
        core::TraceInput input;
        input.Current = 0x401043;
        input.Exception = input.External = true;
        input.FramePointer = framePointer;
        EXPECT_EQ(expected, Trace(input)) << "frame pointer " << framePointer;
    }
}

TEST_F(SyntheticStack, TheExceptionAddressOnTheStackEndsTheScan) {
    p.Stack(kFrames); // 12FF20 holds the faulting address: what lies below is the exception dispatch
    core::TraceInput input;
    input.Current = 0x401043;
    input.Exception = input.External = true;
    input.StackBegin = FakeProcess::kStackBegin;
    input.StackEnd = FakeProcess::kStackEnd;
    core::StackTracer tracer(p, caches, p.memory, input, nullptr);
    tracer.CollectPossibleStackItems();
    ASSERT_FALSE(tracer.Items.empty());
    EXPECT_EQ(0x12FF20u, tracer.Items.back().Slot);
    EXPECT_TRUE(tracer.Items.back().Final && tracer.Items.back().Anchor);
    for (const StackItem& item : tracer.Items) EXPECT_GE(item.Slot ? item.Slot : 0x12FF20u, 0x12FF20u);
}

TEST_F(SyntheticStack, ALanguageExceptionIsShownAtTheThrowCall) {
    auto frames = kFrames;
    frames[0x12FFD4] = 0x401088; // f3 raised through __cxa_throw; what lies below is the runtime's
    p.Stack(frames);
    core::TraceInput input;
    input.Current = 0x401088;
    input.Exception = true;
    input.FramePointer = 0x12FFD0;
    EXPECT_EQ("00401083 test.exe crash 50 f3\r\n"
              "00401003 test.exe crash 10 main",
              Trace(input));
}

TEST_F(SyntheticStack, AnEmptyStackStillShowsTheCurrentAddress) {
    p.Stack({});
    core::TraceInput input;
    input.Current = 0x401043;
    input.Exception = input.External = true;
    input.StackBegin = input.StackEnd = FakeProcess::kStackEnd;
    core::StackTracer tracer(p, caches, p.memory, input, nullptr);
    tracer.CollectPossibleStackItems();
    ASSERT_EQ(1u, tracer.Items.size());
    EXPECT_TRUE(tracer.Items[0].Final);
}

// The first line's address and its function's entry lead the report's disassembly; when that line's address
// holds no code, the call that led there and its caller's entry lead it instead. An illegal instruction is
// code that cannot run, not an address without code.
TEST_F(SyntheticStack, TheFirstLineLeadsTheDisassembly) {
    struct Case {
        const char* name;
        Address current;
        std::vector<std::uint8_t> codeAtFault; // placed at 401043 when given
        bool callsNowhere;
        Address outAddress, outEntry;
        std::vector<std::string> firstLines; // blanks that align the columns left out
    } cases[] = {
        {"a fault inside f2",
         0x401043,
         {},
         false,
         0x401043,
         0x401040,
         {"00401043 test.exe crash 30 +1 f2", "00401023 test.exe crash 20 +1 f1"}},
        {"an illegal instruction inside f2",
         0x401043,
         {0x0F, 0x0B, 0x90, 0x90, 0x90}, // ud2
         false,
         0x401043,
         0x401040,
         {"00401043 test.exe crash 30 +1 f2", "00401023 test.exe crash 20 +1 f1"}},
        {"an undefined opcode inside f2, whose analysis then fails",
         0x401043,
         {0xFF, 0x38, 0x90, 0x90, 0x90}, // FF /7
         false,
         0x401043,
         0, // no function with code: the disassembly starts at the fault
         {"00401043 test.exe crash 30 +1 f2", "00401023 test.exe crash 20 +1 f1"}},
        {"f2 calls address 10",
         0x10,
         FakeProcess::Call(0x401043, 0x10),
         true,
         0x401043,
         0x401040,
         {"00000010 ???", "00401043 test.exe crash 30 +1 f2"}},
    };
    for (const Case& c : cases) {
        auto frames = kFrames;
        if (!c.codeAtFault.empty()) p.Code(0x401043, c.codeAtFault);
        if (c.callsNowhere) {
            frames.erase(0x12FF20);
            frames[0x12FFCC] = 0x401048; // pushed by the call; nothing ran at 10
        }
        p.Stack(frames);
        caches = {};
        core::TraceInput input;
        input.Current = c.current;
        input.Exception = input.External = true;
        input.FramePointer = 0x12FFD0;
        input.Options.ShowRelativeLine = true;
        input.StackBegin = FakeProcess::kStackBegin;
        input.StackEnd = FakeProcess::kStackEnd;
        core::StackTracer tracer(p, caches, p.memory, input, nullptr);
        const std::string text = tracer.Run();
        EXPECT_EQ(c.outAddress, tracer.OutAddress) << c.name;
        EXPECT_EQ(c.outEntry, tracer.OutEntryPoint) << c.name;
        std::vector<std::string> lines;
        for (std::size_t at = 0; lines.size() < c.firstLines.size() && at < text.size();) {
            const std::size_t end = std::min(text.find("\r\n", at), text.size());
            lines.push_back(text.substr(at, text.find_last_not_of(' ', end - 1) + 1 - at));
            at = end + 2;
        }
        EXPECT_EQ(c.firstLines, lines) << c.name << ":\n" << text;
    }
}

TEST_F(SyntheticStack, AFailingStepGivesTheInternalErrorText) {
    struct Throwing : core::TraceProgress {
        void SetPosition(int position) override {
            if (position > 25 && position < 650) throw 1;
        }
    } progress;
    p.Stack(kFrames);
    core::TraceInput input;
    input.Current = 0x401043;
    input.Exception = input.External = true;
    input.StackBegin = FakeProcess::kStackBegin;
    input.StackEnd = FakeProcess::kStackEnd;
    core::StackTracer tracer(p, caches, p.memory, input, &progress);
    EXPECT_EQ(">> internal error in InDeepChecks\r\n>> original exception location: \r\nat 4198467",
              tracer.Run());
}

// Step 3 over items whose return addresses more than one cached function claims: the analyses of wrong
// entries (data decoded as code, a stale export) give such claims. The cache is filled by hand with the
// claims; the items are what step 1 would leave.
class CompetingCallers : public ::testing::Test {
protected:
    int Cached(const char* name, Address entry, bool approved, std::vector<core::TFarCall> calls) {
        core::FunctionCacheEntry function;
        function.Name = name;
        function.Info.IsValid = true;
        function.Info.EntryPoint = function.Info.CodeBegin = entry;
        function.Info.CodeLen = 16;
        function.Info.CodeAreas.push_back({});
        function.Info.CodeAreas.back().AreaBegin = entry;
        function.Info.CodeAreas.back().AreaEnd = entry + 15;
        function.Info.FarCalls = std::move(calls);
        function.Approved = approved;
        caches.Functions.push_back(std::move(function));
        return int(caches.Functions.size() - 1);
    }
    static core::TFarCall CallEndingAt(Address call, Address next, Address target = 0) {
        core::TFarCall far;
        far.IsCall = true;
        far.This = call;
        far.Next = next;
        far.Target = target;
        return far;
    }
    StackItem& Item(Address returnAddress, std::vector<StackLink> callers = {}) {
        StackItem item;
        item.ReturnAddress = returnAddress;
        item.Callers.Links = std::move(callers);
        tracer.Items.push_back(std::move(item));
        return tracer.Items.back();
    }
    // Links between the items, as "from>to via function", in item order.
    std::vector<std::string> Links(bool callees) const {
        std::vector<std::string> links;
        for (std::size_t i = 0; i < tracer.Items.size(); ++i)
            for (const StackLink& l : (callees ? tracer.Items[i].Callees : tracer.Items[i].Callers).Links)
                links.push_back(std::to_string(i) + ">" + (l.Target < 0 ? "-" : std::to_string(l.Target)) +
                                " via " + (l.Function < 0 ? "?" : caches.Functions[l.Function].Name));
        return links;
    }

    FakeProcess p;
    core::TraceCaches caches;
    core::TraceInput input;
    core::StackTracer tracer{p, caches, p.memory, input, nullptr};
};

// The call that an approved function makes before a return address decides: every function that claims
// the same return address at another call is rejected, with every link through it; one that claims it at
// the same call (a part of the function under a name of its own) stays.
TEST_F(CompetingCallers, AnApprovedCallerRejectsTheOthersAtOtherCalls) {
    const int outer = Cached("outer", 0x401000, true, {CallEndingAt(0x401003, 0x401008, 0x401020)});
    const int inner = Cached("inner", 0x401020, false, {CallEndingAt(0x401023, 0x401028, 0x401040)});
    const int bogus = Cached("bogus", 0x401700, false, {CallEndingAt(0x401025, 0x401028)});
    const int part = Cached("inner.@label", 0x401022, false, {CallEndingAt(0x401023, 0x401028, 0x401040)});
    Item(0x401008, {{-1, 0x401003, true, 0x401020, outer, 0}}).Anchor = true;
    Item(0x401028, {{-1, 0x401025, false, 0, bogus, 0}, {-1, 0x401023, true, 0x401040, part, 0}});
    Item(0x401708, {{-1, 0x401703, false, 0, bogus, 0}}); // elsewhere in the bogus claim
    tracer.InDeepChecks();

    EXPECT_TRUE(caches.Functions[bogus].Rejected);
    EXPECT_FALSE(caches.Functions[inner].Rejected);
    EXPECT_FALSE(caches.Functions[part].Rejected);
    EXPECT_FALSE(caches.Functions[outer].Rejected);
    EXPECT_TRUE(caches.Functions[inner].Approved) << "the outer call's target";
    EXPECT_EQ((std::vector<std::string>{"0>- via outer", "1>- via inner.@label", "1>0 via inner"}),
              Links(false));
    EXPECT_EQ((std::vector<std::string>{"0>1 via inner"}), Links(true));
}

// A guess (a call decoded before a return address that no approved function explains) links only the
// items that no approved function already explains through another call.
TEST_F(CompetingCallers, AGuessPassesOverItemsAnApprovedCallerExplains) {
    p.Code(0x401103, FakeProcess::Call(0x401103, 0x401300));
    const int approved = Cached("approved", 0x401200, true, {CallEndingAt(0x401203, 0x401208, 0x401400)});
    const int guess = Cached("guess", 0x401300, false,
                             {CallEndingAt(0x401205, 0x401208), CallEndingAt(0x401503, 0x401508)});
    Item(0x401108);
    Item(0x401208, {{-1, 0x401203, true, 0x401400, approved, 0}});
    Item(0x401508);
    tracer.InDeepChecks();

    EXPECT_FALSE(caches.Functions[guess].Rejected);
    EXPECT_FALSE(caches.Functions[guess].Approved);
    EXPECT_EQ((std::vector<std::string>{"1>- via approved", "2>0 via guess"}), Links(false));
    EXPECT_EQ((std::vector<std::string>{"0>2 via guess"}), Links(true));
}

// 20000 functions, each a jump to the next: analysis and approval follow far jumps without recursion.
class JumpChain final : public core::CodeEnvironment, public core::TraceEnvironment {
public:
    static constexpr Address kCode = 0x10000000;
    static constexpr int kCount = 20000;
    JumpChain() {
        std::vector<std::uint8_t> code(kCount * 8 + 1, 0xC3);
        for (int i = 0; i < kCount; ++i) {
            code[i * 8] = 0xE9;
            const std::uint32_t rel = 3; // over three bytes of padding to the next function
            std::memcpy(&code[i * 8 + 1], &rel, 4);
        }
        memory.Place(kCode, code);
    }
    core::CodeEnvironment& Code() override { return *this; }
    bool Read(Address address, void* destination, std::uint32_t length) override {
        return memory.Read(address, destination, length);
    }
    bool IsCommitted(Address address) override { return memory.Contains(address); }
    bool CodeRange(Address, Address& begin, Address& end) override {
        begin = kCode;
        end = kCode + kCount * 8 + 1;
        return true;
    }
    std::string SystemErrorText(std::uint32_t) override { return {}; }
    bool IsHaltTarget(const core::TInstructionInfo&) override { return false; }
    bool IsFunctionEntry(Address address) override { return address >= kCode && (address - kCode) % 8 == 0; }
    bool AllocationBase(Address, Address&) override { return false; }
    bool LoadModule(Address, core::ModuleCacheEntry&) override { return false; }
    std::string DescribeAddress(Address) override { return {}; }
    TestMemory memory;
};

TEST(TraceCaches, LongJumpChainsAreAnalysedAndApprovedWithoutRecursion) {
    JumpChain chain;
    core::TraceCaches caches;
    const int first = caches.AnalyseFunction(chain, JumpChain::kCode, nullptr, -1, false, false);
    ASSERT_EQ(0, first);
    // A jump to a jump is followed to its end: every other function is passed over.
    ASSERT_EQ(std::size_t(JumpChain::kCount / 2 + 1), caches.Functions.size());
    caches.Approve(first);
    for (const core::FunctionCacheEntry& f : caches.Functions) ASSERT_TRUE(f.Approved);
    EXPECT_EQ(first, caches.AnalyseFunction(chain, JumpChain::kCode, nullptr, -1, false, true));
}

// gcc -O2 try/catch and clean-up code (the analyser's "landing" vectors), with or without the unwind
// tables that name its landing pads, as one module whose symbols are the vectors' names.
class LandingProcess final : public core::TraceEnvironment {
public:
    explicit LandingProcess(bool unwindTables) {
        loaded = code.Load("landing");
        if (!unwindTables) code.Memory().Place(code.Symbol(".eh_frame"), {0, 0, 0, 0});
        code.CodeRange(0, begin, end);
        symbols = std::make_shared<core::SymbolTable>();
        symbols->valid = true;
        symbols->codeBegin = begin;
        symbols->codeEnd = end;
        symbols->AddSegment(true, begin, end - begin, "landing.cpp", false);
        for (const auto& [address, name] : code.Names())
            if (address >= begin && address < end) symbols->AddPublic(true, name, address - begin, false);
    }
    core::CodeEnvironment& Code() override { return code; }
    bool AllocationBase(Address address, Address& base) override {
        core::ModuleSpan module;
        if (!code.ModuleOf(address, module)) return false;
        base = module.Base;
        return true;
    }
    bool LoadModule(Address, core::ModuleCacheEntry& module) override {
        module.FileName = "landing.exe";
        module.CodeBegin = begin;
        module.CodeEnd = end;
        module.Symbols = symbols;
        module.IsMain = true;
        return true;
    }
    std::string DescribeAddress(Address) override { return {}; }

    TestCodeEnvironment code;
    std::shared_ptr<core::SymbolTable> symbols;
    Address begin = 0, end = 0;
    bool loaded = false;
};

// The function's name in the trace's confirmation of a slot holding `returnAddress`, empty when the slot
// gave no item.
std::string ConfirmedBy(LandingProcess& process, Address returnAddress) {
    TestMemory stack;
    std::vector<std::uint8_t> bytes(16);
    std::memcpy(&bytes[8], &returnAddress, 4);
    stack.Place(0x12FF00, bytes);
    core::TraceCaches caches;
    core::TraceInput input;
    input.Current = process.code.Symbol("__Z5Raisei");
    input.StackBegin = 0x12FF00;
    input.StackEnd = 0x12FF10;
    core::StackTracer tracer(process, caches, stack, input);
    tracer.CollectPossibleStackItems();
    for (const StackItem& item : tracer.Items)
        if (item.ReturnAddress == returnAddress)
            for (const StackLink& link : item.Callers.Links)
                if (link.Function >= 0) return caches.Functions[link.Function].Name;
    return {};
}

TEST(LandingPads, ReturnAddressesInsideCatchAndCleanUpCodeAreConfirmed) {
    LandingProcess tables(true), bare(false);
    ASSERT_TRUE(tables.loaded && bare.loaded);
    int checked = 0;
    for (const char* function : {"__Z9catch_onei", "__Z9catch_alli", "__Z8clean_upi"}) {
        const Address entry = tables.code.Symbol(function);
        core::TFunctionInfo withPads, withoutPads;
        core::AnalyseFunction(tables.code, entry, withPads);
        core::AnalyseFunction(bare.code, entry, withoutPads);
        // Calls that only the function's landing pads lead to (in its .cold part, gcc's place for them).
        for (const core::TFarCall& call : withPads.FarCalls) {
            if (!call.IsCall || std::any_of(withoutPads.FarCalls.begin(), withoutPads.FarCalls.end(),
                                            [&](const core::TFarCall& c) { return c.This == call.This; }))
                continue;
            const std::string by = ConfirmedBy(tables, call.Next);
            EXPECT_EQ(0u, by.find(function)) << std::hex << call.This << " confirmed by '" << by << "'";
            ++checked;
        }
    }
    EXPECT_GT(checked, 2);
}

TEST(DescribeAddress, NamesOrQuestionMarks) {
    EXPECT_EQ("0040a01b test.exe crash 12 main",
              core::DescribeAddressText(0x40A01B, true, "test.exe", "crash", 12, "main"));
    EXPECT_EQ("0040a01b test.exe crash main",
              core::DescribeAddressText(0x40A01B, true, "test.exe", "crash", 0, "main"));
    EXPECT_EQ("00000010 ???", core::DescribeAddressText(0x10, false, "", "", 0, ""));
}

} // namespace
