#include "crashreport/core/FunctionAnalyser.h"

#include <algorithm>

namespace core {
namespace {

constexpr std::uint32_t kGapReach = 1024;
constexpr std::uint32_t kMaxCaseEntries = 4096; // a larger count is no jump table

bool IsReturn(std::uint16_t op) {
    return op == 0xC2 || op == 0xC3 || op == 0xCA || op == 0xCB || op == 0xCF;
}

bool IsUnconditionalJump(const TDecodedInstruction& d) {
    const std::uint16_t op = d.Info.Opcode;
    return op == 0xE9 || op == 0xEA || op == 0xEB || (op == 0xFF && (d.Reg == 4 || d.Reg == 5));
}

bool HasTargetSource(const TInstructionInfo& i) {
    return i.TargetField || i.TargetCell;
}

// Jump tables: a bounded compare, a conditional jump past the bound, then a jump through the table.
class CaseTableDetector {
public:
    struct Table {
        Address Begin;
        std::uint32_t Count;
    };

    // Feeds one instruction; true with the table when it is the table jump.
    bool Step(const TDecodedInstruction& d, Table& table) {
        const std::uint16_t op = d.Info.Opcode;
        switch (state_) {
        case State::Compared:
            state_ = State::Idle;
            if (op == 0x77 || op == 0x7F || op == 0x0F87 || op == 0x0F8F) {
                count_ = bound_ + 1;
                state_ = State::Bounded;
            } else if (op == 0x73 || op == 0x7D || op == 0x0F83 || op == 0x0F8D) {
                count_ = bound_;
                state_ = State::Bounded;
            }
            if (state_ == State::Bounded) return false;
            break;
        case State::Bounded:
            state_ = State::Idle;
            if (op == 0xFF && d.Info.ModRm == 0x24 && d.Scale == 4 && d.Base < 0 && d.Index == reg_ &&
                count_ > 0 && count_ <= kMaxCaseEntries) {
                table = {d.DispUnsigned, count_};
                return true;
            }
            break;
        case State::Idle:
            break;
        }
        // gcc compares with a 32-bit constant as often as with a byte one.
        const bool byteCompare = op == 0x83 && d.Info.ModRm >= 0xF8;
        const bool dwordCompare = (op == 0x81 && d.Info.ModRm >= 0xF8) || op == 0x3D;
        if ((byteCompare || dwordCompare) && !d.OpSizePrefix) {
            reg_ = op == 0x3D ? kEax : d.Rm;
            bound_ = static_cast<std::uint32_t>(d.Imm);
            state_ = State::Compared;
        }
        return false;
    }

private:
    enum class State { Idle, Compared, Bounded };
    State state_ = State::Idle;
    int reg_ = 0;
    std::uint32_t bound_ = 0;
    std::uint32_t count_ = 0;
};

class Analyser {
public:
    Analyser(CodeEnvironment& env, TFunctionInfo& info) : env_(env), info_(info) {}

    void Run(Address entry) {
        info_ = TFunctionInfo{};
        if (!entry || !env_.IsCommitted(entry)) {
            info_.LastErrorAddr = entry;
            info_.LastErrorNo = kErrorInvalidParameter;
            info_.LastErrorStr = env_.SystemErrorText(kErrorInvalidParameter);
            return;
        }
        if (!env_.CodeRange(entry, rangeBegin_, rangeEnd_) || entry < rangeBegin_ || entry >= rangeEnd_) {
            rangeBegin_ = entry;
            rangeEnd_ = entry + 1;
        }
        info_.EntryPoint = entry;
        info_.SizeInfo.Started = true;
        info_.CodeAreas.reserve(8);
        lastNext_ = entry;
        AddArea(entry, 0, TRegisterState{});
        if (!Analyse()) {
            info_.IsValid = false;
            info_.LastErrorAddr = lastNext_;
            info_.LastErrorNo = kErrorInvalidCode;
            info_.LastErrorStr = "Invalid code!";
            return;
        }
        info_.IsValid = true;
        Address low = info_.CodeAreas[0].AreaBegin, high = info_.CodeAreas[0].AreaEnd;
        for (const TCodeArea& a : info_.CodeAreas) {
            low = std::min(low, a.AreaBegin);
            high = std::max(high, a.AreaEnd);
        }
        info_.CodeBegin = low;
        info_.CodeLen = static_cast<std::int32_t>(high - low + 1);
        info_.SizeInfo.Size += info_.CodeLen + 4;
        info_.Interceptable = TestInterceptable();
        info_.CodeAreas.shrink_to_fit();
    }

private:
    int FirstPending() const {
        for (std::size_t i = 0; i < info_.CodeAreas.size(); ++i)
            if (!info_.CodeAreas[i].AreaEnd) return static_cast<int>(i);
        return -1;
    }

    // Catch and clean-up code is reached only through the unwinder: the landing pads named by the unwind
    // entry of each part of the function walked so far (the function and its ".cold" part) are areas.
    int SeedLandingPads() {
        for (; padsChecked_ < info_.CodeAreas.size(); ++padsChecked_) {
            const TCodeArea area = info_.CodeAreas[padsChecked_];
            if (area.IsCaseTable) continue;
            const bool known =
                std::any_of(unwindEntries_.begin(), unwindEntries_.end(), [&](const TUnwindEntry& e) {
                    return area.AreaBegin >= e.Begin && area.AreaBegin < e.End;
                });
            TLandingPads pads;
            if (known || !env_.LandingPads(area.AreaBegin, pads)) continue;
            unwindEntries_.push_back(pads.Entry);
            for (Address pad : pads.Pads)
                if (pad >= rangeBegin_ && pad < rangeEnd_) AddLandingPad(pad);
        }
        return FirstPending();
    }

    void AddLandingPad(Address pad) {
        AddArea(pad, 0, TRegisterState{});
        for (TCodeArea& a : info_.CodeAreas)
            if (a.AreaBegin == pad) a.IsLandingPad = true;
    }

    // Unresolved transfers may resolve now that the registers known at their area are final.
    int RetryUnknownTargets() {
        for (std::size_t n = info_.UnknownTargets.size(); n-- > 0;) {
            if (n >= info_.UnknownTargets.size()) continue;
            const TUnknownTarget unknown = info_.UnknownTargets[n];
            // The area holding the whole instruction (an indirect jump is usually its area's last one).
            auto area = std::find_if(info_.CodeAreas.begin(), info_.CodeAreas.end(), [&](const TCodeArea& a) {
                return a.AreaBegin <= unknown.This && a.AreaEnd && a.AreaEnd >= unknown.Next - 1;
            });
            if (area == info_.CodeAreas.end()) continue;
            TRegisterState regs = area->AreaRegs;
            const TDecodedInstruction d = DecodeInstruction(env_, unknown.This, &regs, true);
            if (!d.Info.IsValid || !HasTargetSource(d.Info)) continue;
            walking_ = -1;
            HandleTransfer(d, regs);
            const int pending = FirstPending();
            if (pending >= 0 && pending == static_cast<int>(info_.CodeAreas.size()) - 1) return pending;
        }
        return -1;
    }

    bool Analyse() {
        for (;;) {
            int next = FirstPending();
            if (next < 0) next = SeedLandingPads();
            if (next < 0) next = RetryUnknownTargets();
            if (next >= 0) {
                if (!Walk(next)) return false;
                continue;
            }
            if (std::none_of(info_.UnknownTargets.begin(), info_.UnknownTargets.end(),
                             [](const TUnknownTarget& u) { return !u.IsCall; }))
                return true;
            // An unresolved jump may lead to code no path reaches: walk the first gap between the areas.
            Address gap = info_.CodeAreas[0].AreaBegin, highest = 0;
            for (const TCodeArea& a : info_.CodeAreas) {
                gap = std::min(gap, a.AreaBegin);
                highest = std::max(highest, a.AreaEnd);
            }
            for (bool moved = true; moved;) {
                moved = false;
                for (const TCodeArea& a : info_.CodeAreas)
                    if (a.AreaBegin == gap && a.AreaEnd >= gap) {
                        gap = a.AreaEnd + 1;
                        moved = true;
                    }
            }
            if (gap == highest + 1 || highest >= gap + kGapReach || gap >= rangeEnd_) return true;
            const std::size_t before = info_.CodeAreas.size();
            AddArea(gap, 0, TRegisterState{});
            if (!Walk(static_cast<int>(info_.CodeAreas.size()) - 1) || !WalkPending()) {
                info_.CodeAreas.resize(before);
                return false;
            }
        }
    }

    bool WalkPending() {
        for (int next; (next = FirstPending()) >= 0;)
            if (!Walk(next)) return false;
        return true;
    }

    Address LimitAbove(Address begin) const {
        Address limit = rangeEnd_;
        for (const TCodeArea& a : info_.CodeAreas)
            if (a.AreaBegin > begin && a.AreaBegin < limit) limit = a.AreaBegin;
        return limit;
    }

    bool Walk(int index) {
        walking_ = index;
        Address cursor = info_.CodeAreas[index].AreaBegin;
        TRegisterState regs = info_.CodeAreas[index].AreaRegs;
        Address limit = LimitAbove(cursor);
        Address pendingHandler = 0;
        CaseTableDetector detector;
        for (;;) {
            const TRegisterState before = regs;
            const TDecodedInstruction d = DecodeInstruction(env_, cursor, &regs, false);
            const TInstructionInfo& ins = d.Info;
            lastNext_ = ins.Next;
            // gcc ends impossible paths with ud2: not an instruction, but a deliberate end of the path.
            if (!ins.IsValid && !(ins.Opcode == 0x0F0B && ins.Next == ins.This + 2 && d.ReadStarted))
                return false;
            info_.CodeAreas[walking_].AreaEnd = ins.Next - 1;
            if (!ins.IsValid || IsReturn(ins.Opcode)) return ins.Next <= limit;

            // Exception frame set-up: push handler; push dword ptr fs:[...] (the chain head).
            if (pendingHandler) {
                const bool chainPush =
                    ins.Opcode == 0xFF && d.IsMemory && d.Reg == 6 &&
                    ((ins.ModRm >= 0x30 && ins.ModRm <= 0x37 && ins.ModRm != 0x34 && ins.ModRm != 0x35 &&
                      ins.Next - ins.This == 3 && !before.Regs[d.Rm]) ||
                     (ins.ModRm == 0x35 && ins.Next - ins.This == 7 && d.DispUnsigned == 0));
                if (chainPush && pendingHandler >= rangeBegin_ && pendingHandler < rangeEnd_)
                    AddArea(pendingHandler, 0, regs);
                pendingHandler = 0;
            }
            if (ins.Opcode == 0x68 && ins.Next - ins.This == 5) {
                std::uint8_t after = 0;
                if (env_.Read(ins.Next, &after, 1) && after == 0x64)
                    pendingHandler = static_cast<Address>(d.Imm);
            }

            CaseTableDetector::Table table{};
            if (detector.Step(d, table) && AddCaseTable(d, table, regs)) return ins.Next <= limit;

            const bool halts = (ins.IsCall || ins.IsJump) && env_.IsHaltTarget(ins);
            if (ins.IsCall || ins.IsJump) {
                HandleTransfer(d, regs);
                const Address newest = info_.CodeAreas.back().AreaBegin;
                if (newest > info_.CodeAreas[walking_].AreaBegin && newest < limit) limit = newest;
            }
            if (halts || IsUnconditionalJump(d)) return ins.Next <= limit;
            cursor = ins.Next;
            if (regs == before && cursor < limit) continue;
            break;
        }
        if (cursor > limit) return false;
        AddArea(cursor, 0, regs);
        return true;
    }

    // The table may lie anywhere readable (gcc puts it in .rdata); only entries inside the code are areas,
    // and only a table right after the jump is part of the function.
    bool AddCaseTable(const TDecodedInstruction& d, const CaseTableDetector::Table& table,
                      const TRegisterState& regs) {
        std::vector<Address> entries(table.Count);
        if (!env_.Read(table.Begin, entries.data(), table.Count * 4)) return false;
        for (Address& e : entries)
            e = Address(reinterpret_cast<const std::uint8_t*>(&e)[0]) |
                Address(reinterpret_cast<const std::uint8_t*>(&e)[1]) << 8 |
                Address(reinterpret_cast<const std::uint8_t*>(&e)[2]) << 16 |
                Address(reinterpret_cast<const std::uint8_t*>(&e)[3]) << 24;
        for (Address e : entries)
            if (e >= rangeBegin_ && e < rangeEnd_) AddArea(e, d.Info.This, regs);
        if (table.Begin == d.Info.Next) AddCaseTableArea(table.Begin, table.Count * 4);
        return true;
    }

    void HandleTransfer(const TDecodedInstruction& d, const TRegisterState& regs) {
        const TInstructionInfo& ins = d.Info;
        if (!HasTargetSource(ins)) {
            info_.UnknownTargets.push_back({ins.IsCall, ins.This, ins.Next});
            return;
        }
        const Address target = ins.Target;
        const bool outside = target < rangeBegin_ || target >= rangeEnd_;
        const bool tailCall = target != info_.EntryPoint && env_.IsFunctionEntry(target);
        if ((ins.TargetSize == 4 && ins.IsCall) || outside || tailCall)
            AddFarCall(ins);
        else
            AddArea(target, ins.This, regs);
        auto& unknown = info_.UnknownTargets;
        for (std::size_t i = 0; i < unknown.size(); ++i)
            if (unknown[i].This == ins.This) {
                unknown[i] = unknown.back();
                unknown.pop_back();
                break;
            }
    }

    void AddFarCall(const TInstructionInfo& ins) {
        Address target = ins.Target;
        std::uint8_t first = 0;
        if (target && env_.Read(target, &first, 1) &&
            (first == 0x02 || first == 0x03 || first == 0xE9 || first == 0xEB || first == 0xFF)) {
            const TInstructionInfo thunk = DecodeInstructionAt(env_, target);
            if (thunk.IsValid && thunk.Target && !env_.HasExportedName(target)) target = thunk.Target;
        }
        for (const TFarCall& f : info_.FarCalls)
            if (f.Next == ins.Next) return;
        info_.FarCalls.push_back(
            {ins.IsCall, ins.This, ins.Next, target, ins.IsRelative, ins.TargetField, ins.TargetCell});
        if (ins.TargetCell) info_.SizeInfo.Size += 4;
    }

    void AddArea(Address at, Address source, const TRegisterState& regs) {
        auto& areas = info_.CodeAreas;
        for (TCodeArea& a : areas)
            if (a.AreaBegin == at) {
                const Address low = std::min(a.JumpSource, at), high = std::max(a.JumpSource, at);
                // A jump into an area first reached by falling through still gets its label.
                if (source && (!a.JumpSource || (source > low && source < high))) a.JumpSource = source;
                for (int r = 0; r < 8; ++r)
                    if (a.AreaRegs.Regs[r] != regs.Regs[r]) a.AreaRegs.Regs[r] = 0;
                return;
            }
        for (std::size_t i = 0; i < areas.size(); ++i) {
            TCodeArea& a = areas[i];
            if (a.AreaBegin < at && a.AreaEnd >= at && !a.IsCaseTable) {
                TCodeArea split;
                split.AreaBegin = at;
                split.AreaEnd = a.AreaEnd;
                split.JumpSource = source;
                split.AreaRegs = regs;
                for (int r = 0; r < 8; ++r)
                    if (split.AreaRegs.Regs[r] != a.AreaRegs.Regs[r]) split.AreaRegs.Regs[r] = 0;
                a.AreaEnd = at - 1;
                const bool wasWalking = walking_ == static_cast<int>(i);
                areas.push_back(split);
                if (wasWalking) walking_ = static_cast<int>(areas.size()) - 1;
                return;
            }
        }
        TCodeArea fresh;
        fresh.AreaBegin = at;
        fresh.JumpSource = source;
        fresh.AreaRegs = regs;
        areas.push_back(fresh);
    }

    void AddCaseTableArea(Address begin, std::uint32_t length) {
        TCodeArea data;
        data.AreaBegin = begin;
        data.AreaEnd = begin + length - 1;
        data.IsCaseTable = true;
        info_.CodeAreas.push_back(data);
    }

    bool TestInterceptable() {
        const auto& areas = info_.CodeAreas;
        std::uint32_t covered = 0;
        const TCodeArea* area = &areas[0];
        while (area && !area->IsCaseTable && !area->JumpSource) {
            covered += area->AreaEnd - area->AreaBegin + 1;
            if (covered >= 6) break;
            const Address next = area->AreaEnd + 1;
            area = nullptr;
            for (const TCodeArea& a : areas)
                if (a.AreaBegin == next) area = &a;
        }
        if (covered < 6) return false;
        for (Address at = info_.EntryPoint; at < info_.EntryPoint + 6;) {
            const TInstructionInfo ins = DecodeInstructionAt(env_, at);
            if (!ins.IsValid) return false;
            // Only a transfer with a known target and a full-size field survives being moved into a patch.
            if ((ins.IsCall || ins.IsJump) &&
                (!HasTargetSource(ins) || (ins.IsRelative && ins.TargetSize < 4)))
                return false;
            at = ins.Next;
        }
        return true;
    }

    CodeEnvironment& env_;
    TFunctionInfo& info_;
    Address rangeBegin_ = 0;
    Address rangeEnd_ = 0;
    Address lastNext_ = 0;
    int walking_ = -1;
    std::size_t padsChecked_ = 0;
    std::vector<TUnwindEntry> unwindEntries_;
};

} // namespace

bool IsNoReturnRoutineName(std::string_view name) {
    if (name.starts_with("__imp_")) name.remove_prefix(6);
    if (const auto at = name.rfind('@'); at != std::string_view::npos && at > 0) name = name.substr(0, at);
    static constexpr std::string_view kPlain[] = {
        "ExitProcess",
        "exit",
        "_exit",
        "abort",
        "__cxa_throw",
        "__cxa_rethrow",
        "_Unwind_Resume",
        "_ZSt9terminatev",
        "std::terminate",
        "std::terminate()",
        "RtlExitUserProcess", // what ExitProcess forwards to
        "__report_error",     // the runtime's fatal start-up error
        "__cxa_bad_cast",
        "__cxa_bad_typeid",
        "__cxa_throw_bad_array_new_length",
        "__cxa_pure_virtual",
        "__cxa_deleted_virtual",
        "__cxa_call_terminate",
    };
    // std::__throw_* and __gnu_cxx::__throw_*, mangled (with the name's length) or demangled.
    static constexpr std::string_view kMangledFamilies[] = {"_ZSt", "_ZN9__gnu_cxx"};
    static constexpr std::string_view kFamilies[] = {"std::__throw_", "__gnu_cxx::__throw_"};
    // C names carry one leading underscore in the linker's view.
    for (std::string_view candidate : {name, name.starts_with('_') ? name.substr(1) : std::string_view{}}) {
        if (candidate.empty()) continue;
        for (std::string_view plain : kPlain)
            if (candidate == plain) return true;
        for (std::string_view family : kFamilies)
            if (candidate.starts_with(family)) return true;
        for (std::string_view family : kMangledFamilies) {
            if (!candidate.starts_with(family)) continue;
            std::string_view rest = candidate.substr(family.size());
            const std::size_t digits = rest.find_first_not_of("0123456789");
            if (digits != 0 && digits != std::string_view::npos &&
                rest.substr(digits).starts_with("__throw_"))
                return true;
        }
    }
    return false;
}

void AnalyseFunction(CodeEnvironment& env, Address entry, TFunctionInfo& info) {
    Analyser(env, info).Run(entry);
}

} // namespace core
