#pragma once
// The stack tracer's own logic, apart from the process it runs in: candidates from the stack slots, their
// proof by the decoder and the function analyser, the chains between certain frames, and the trace text.
// The live process (or a test's fake one) answers through TraceEnvironment.
#include "crashreport/core/CodeEnvironment.h"
#include "crashreport/core/FunctionAnalyser.h"
#include "crashreport/core/SymbolTable.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace core {

struct TraceOptions {
    bool HideItemsWithoutLine = false;
    bool ShowRelativeAddress = false;
    bool ShowRelativeLine = false;
};

struct ModuleCacheEntry {
    Address Handle = 0; // allocation base of the image
    std::string FileName;
    Address CodeBegin = 0, CodeEnd = 0;
    Address DataBegin = 0, DataEnd = 0;
    std::shared_ptr<const SymbolTable> Symbols; // null without a valid table
    bool IsMain = false;
    Address EntryPoint = 0;                 // AddressOfEntryPoint, 0 none
    std::vector<Address> ExportedFunctions; // ascending

    bool InCode(Address a) const { return CodeBegin < a && a <= CodeEnd; }
    bool InData(Address a) const { return DataBegin < a && a <= DataEnd; }
};

struct FunctionCacheEntry {
    int Module = -1;
    std::string Name;
    TFunctionInfo Info;
    bool Approved = false;
    bool Rejected = false;
};

struct StackLink {
    int Target = -1; // -1: only names the function holding the return address
    Address CallAddress = 0;
    bool Direct = false;
    Address CallTarget = 0;
    int Function = -1;
    std::int64_t Weight = 0;
};

struct LinkList {
    std::vector<StackLink> Links;
    int Chosen = -1;
};

struct StackItem {
    Address Slot = 0;
    Address ReturnAddress = 0;
    int PrevChain = -1, NextChain = -1;
    bool Anchor = false;
    bool Final = false;
    int Module = -1;
    LinkList Callees;
    LinkList Callers;
    bool Removed = false;
    Address ShownAddress = 0;
    int AbsoluteLine = 0;
    int Line = 0;
    std::string ModuleName, UnitName, FunctionName;
    Address EntryPoint = 0;
};

// What the tracer asks of the process. Reads of code go through Code(); stack slots through the reader
// handed to the tracer, which may be a saved copy of a stack.
class TraceEnvironment {
public:
    virtual CodeEnvironment& Code() = 0;
    // The allocation base of the committed region holding the address; false when it is not committed.
    virtual bool AllocationBase(Address address, Address& base) = 0;
    // The image at `base`: name, ranges, symbols, exports, entry point. False without readable headers.
    virtual bool LoadModule(Address base, ModuleCacheEntry& module) = 0;
    virtual std::string ExportName(const ModuleCacheEntry&, Address) { return {}; }
    virtual void Analyse(Address entry, TFunctionInfo& info) { AnalyseFunction(Code(), entry, info); }
    // "xxxxxxxx module unit line function" of an address, for the internal-error text.
    virtual std::string DescribeAddress(Address address) = 0;
    // Runs one step of the trace; false when it raised, with where the failure happened (0 unknown). The
    // live process also turns the system's exceptions into a failure here.
    virtual bool RunStep(void (*step)(void*), void* context, Address& failure);

protected:
    ~TraceEnvironment() = default;
};

// Module and function caches: they outlive a trace, so later traces reuse analyses, approvals and
// rejections.
class TraceCaches {
public:
    std::vector<ModuleCacheEntry> Modules;
    std::vector<FunctionCacheEntry> Functions;

    int RegisterModule(TraceEnvironment& env, Address address);
    // The function cache index of the function at `address`, or -1; see the tracer.
    int AnalyseFunction(TraceEnvironment& env, Address address, const std::string* name, int module,
                        bool acceptInvalid, bool approve);
    void Approve(int function);
    // The function is not the caller of a frame: it matches no call site any more.
    void Reject(int function) { Functions[function].Rejected = true; }

private:
    int FindByEntry(Address entry) const;
};

// Progress of one trace, 0..1000.
class TraceProgress {
public:
    virtual void SetPosition(int position) = 0;

protected:
    ~TraceProgress() = default;
};

struct TraceInput {
    TraceOptions Options;
    Address Current = 0;
    bool Exception = false;
    bool External = false;
    Address StackBegin = 0, StackEnd = 0; // [begin, end), both already resolved
    Address Creator = 0;
    Address FramePointer = 0;
};

class StackTracer {
public:
    StackTracer(TraceEnvironment& env, TraceCaches& caches, CodeReader& stack, const TraceInput& input,
                TraceProgress* progress = nullptr);

    // All seven steps, each guarded: the trace text, or the internal-error text of the step that failed.
    std::string Run();

    // Out values: the address shown on the first line (or the call that led to an unreadable address) and
    // the entry point of its function; 0 when unknown.
    Address OutAddress = 0;
    Address OutEntryPoint = 0;

    std::vector<StackItem> Items;

    void CollectPossibleStackItems();
    void InDeepChecks();
    void RealizeOptimalLinkChains();
    void FillFinalOutput();
    std::string ComposeResult() const;

private:
    struct Match {
        Address Call = 0;
        Address Return = 0;
        bool Direct = false;
        Address Target = 0;
    };
    bool CallSiteMatch(int function, Address returnAddress, Address hint, bool forced, Match& match);
    bool DecodeCallSite(const TFunctionInfo& info, Address returnAddress, Address& call);
    // True when the candidate became a certain frame: the slot below it holds its saved frame pointer.
    bool CheckCandidate(Address slot, Address value, bool forced);
    bool ConfirmBySymbols(int moduleIndex, Address examined, Address hint, bool forced, int& function,
                          Match& match);
    bool ConfirmByExports(int moduleIndex, Address value, Address hint, bool forced, int& function,
                          Match& match);
    bool CallBeforeReturnAt(Address returnAddress);
    void DropItem(int item);
    void RemoveLinksThrough(int function);
    void TreatOutgoingCall(int item, Address call, Address target, bool direct, bool approve);
    bool KnownLine(int item) const;
    void Settle(int lower, int upper);
    void SetProgress(int position);

    TraceEnvironment& env_;
    TraceCaches& caches_;
    CodeReader& stack_;
    TraceInput in_;
    TraceProgress* progress_;
    std::vector<Address> frameChain_; // slots B+4 of the frame-pointer chain, descending
    std::size_t chainPos_ = 0;
    int lastChainItem_ = -1;
};

// Steps 2 and 5: repeated direct or mutual recursion leaves one round. With dropLinks a removed item also
// loses every link to or from it. The progress is kept at `position` while it works.
void RemoveRecursiveAreas(std::vector<StackItem>& items, bool dropLinks, TraceProgress* progress = nullptr,
                          int position = 0);

// The 8 bytes before a return address hold a call that ends there (E8 rel32, 9A far, FF /2 or /3).
bool CallBeforeReturn(const std::uint8_t (&before)[8]);

// Routines through which this runtime raises: a frame returning from a call to one is the throw site.
bool IsRaisingRoutineName(std::string_view name);

// "xxxxxxxx module unit line function"; with found false, the digits and " ???".
std::string DescribeAddressText(Address address, bool found, std::string_view module, std::string_view unit,
                                std::uint32_t line, std::string_view function);

// Text that replaces the trace when a step failed; `failure` describes where it failed and `original` the
// exception address, each when known.
std::string InternalErrorText(std::string_view step, std::string_view failure, std::string_view original);

} // namespace core
