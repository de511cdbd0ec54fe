// Step 1 of a trace: every stack slot that may hold a return address becomes a candidate, and the decoder
// and the function analyser confirm or refute it.
#include "crashreport/core/StackTrace.h"

#include <algorithm>

namespace core {

bool CallBeforeReturn(const std::uint8_t (&before)[8]) {
    // before[8 - n] is the byte at R - n.
    auto at = [&](int n) { return before[8 - n]; };
    if (at(5) == 0xE8 || at(7) == 0x9A) return true;
    for (int n : {2, 3, 4, 6, 7})
        if (at(n) == 0xFF) {
            const unsigned reg = (at(n - 1) >> 3) & 7;
            if (reg == 2 || reg == 3) return true;
        }
    return false;
}

bool IsRaisingRoutineName(std::string_view name) {
    // The language's throws (our throw-site wrapper among them), the system's raise, and the library's
    // std::__throw_* helpers, demangled ("::" or ".") or not.
    for (std::string_view routine :
         {"__cxa_throw", "__cxa_rethrow", "_Unwind_RaiseException", "RaiseException"})
        if (name.find(routine) != std::string_view::npos) return true;
    return name.find("__throw_") != std::string_view::npos &&
           (name.starts_with("_ZSt") || name.find("std::") != std::string_view::npos ||
            name.find("std.") != std::string_view::npos);
}

StackTracer::StackTracer(TraceEnvironment& env, TraceCaches& caches, CodeReader& stack,
                         const TraceInput& input, TraceProgress* progress)
    : env_(env), caches_(caches), stack_(stack), in_(input), progress_(progress) {}

void StackTracer::SetProgress(int position) {
    if (progress_) progress_->SetPosition(position);
}

bool StackTracer::CallBeforeReturnAt(Address returnAddress) {
    std::uint8_t before[8];
    return returnAddress >= 8 && env_.Code().Read(returnAddress - 8, before, 8) && CallBeforeReturn(before);
}

bool StackTracer::DecodeCallSite(const TFunctionInfo& info, Address returnAddress, Address& call) {
    for (const TCodeArea& area : info.CodeAreas) {
        if (!(area.AreaBegin < returnAddress && returnAddress <= area.AreaEnd + 1)) continue;
        for (Address at = area.AreaBegin; at < returnAddress;) {
            const TInstructionInfo ins = DecodeInstructionAt(env_.Code(), at);
            if (!ins.IsValid || ins.Next <= at) return false;
            if (ins.Next == returnAddress) {
                call = at;
                return true;
            }
            at = ins.Next;
        }
        return false;
    }
    return false;
}

bool StackTracer::CallSiteMatch(int function, Address returnAddress, Address hint, bool forced,
                                Match& match) {
    if (function < 0 || caches_.Functions[function].Rejected) return false;
    match.Return = returnAddress;
    match.Direct = false;
    match.Target = 0;
    if (!forced) {
        const TFunctionInfo& info = caches_.Functions[function].Info;
        for (const TUnknownTarget& unknown : info.UnknownTargets)
            if (unknown.Next == returnAddress) {
                match.Call = unknown.This;
                return true;
            }
        for (const TFarCall& far : info.FarCalls)
            if (far.Next == returnAddress) {
                match.Call = far.This;
                match.Direct = true;
                match.Target = far.Target;
                return true;
            }
        return false;
    }
    if (caches_.Functions[function].Info.CodeLen == 0) {
        match.Call = returnAddress;
        return returnAddress == caches_.Functions[function].Info.EntryPoint;
    }
    if (hint) {
        // Copies: analysing the target may grow the function cache.
        const std::vector<TFarCall> calls = caches_.Functions[function].Info.FarCalls;
        for (const TFarCall& far : calls) {
            if (far.Next != hint) continue;
            const int target = caches_.AnalyseFunction(env_, far.Target, nullptr, -1, false, false);
            if (target >= 0 && IsRaisingRoutineName(caches_.Functions[target].Name)) {
                match.Call = far.This;
                match.Return = hint;
                match.Direct = true;
                match.Target = far.Target;
                return true;
            }
        }
    }
    return DecodeCallSite(caches_.Functions[function].Info, returnAddress, match.Call);
}

bool StackTracer::ConfirmBySymbols(int moduleIndex, Address examined, Address hint, bool forced,
                                   int& function, Match& match) {
    const TMfPublic symbol = caches_.Modules[moduleIndex].Symbols->FindPublic(examined);
    if (!symbol.valid) return false;
    const int f = caches_.AnalyseFunction(env_, symbol.address, &symbol.name, moduleIndex, false, true);
    if (CallSiteMatch(f, match.Return, hint, forced, match)) {
        function = f;
        return true;
    }
    if (f < 0) return false;
    // gcc moves parts of a function out of line; the public before them names them.
    const Address entry = caches_.Functions[f].Info.EntryPoint;
    const Address end = entry + Address(caches_.Functions[f].Info.CodeLen);
    const std::vector<TFarCall> calls = caches_.Functions[f].Info.FarCalls;
    const std::string label = symbol.name + ".@label";
    for (const TFarCall& far : calls) {
        if (!(entry < far.Target && far.Target < end)) continue;
        const int local = caches_.AnalyseFunction(env_, far.Target, &label, moduleIndex, false, true);
        if (CallSiteMatch(local, match.Return, hint, forced, match)) {
            function = local;
            return true;
        }
    }
    return false;
}

bool StackTracer::ConfirmByExports(int moduleIndex, Address value, Address hint, bool forced, int& function,
                                   Match& match) {
    Address start = 0;
    {
        const ModuleCacheEntry& m = caches_.Modules[moduleIndex];
        auto it = std::lower_bound(m.ExportedFunctions.begin(), m.ExportedFunctions.end(), value);
        if (it != m.ExportedFunctions.begin()) start = *std::prev(it);
        if (m.EntryPoint < value) start = std::max(start, m.EntryPoint);
    }
    if (!start) return true;
    const int f = caches_.AnalyseFunction(env_, start, nullptr, moduleIndex, false, true);
    if (f < 0) return true;
    const auto& areas = caches_.Functions[f].Info.CodeAreas;
    if (std::none_of(areas.begin(), areas.end(),
                     [&](const TCodeArea& a) { return a.AreaBegin < value && value <= a.AreaEnd + 1; }))
        return true;
    if (!CallSiteMatch(f, match.Return, hint, forced, match)) return false;
    function = f;
    return true;
}

bool StackTracer::CheckCandidate(Address slot, Address value, bool forced) {
    const bool creator = Items.empty() && in_.Creator && slot == 0 && value == in_.Creator;
    if (in_.Exception && value == in_.Current) forced = true;
    if (creator) forced = true;

    Address examined = value - 1;
    Match match;
    match.Return = value;
    bool decoded = true, readable = true;
    if (forced) {
        examined = value;
        const TInstructionInfo ins = DecodeInstructionAt(env_.Code(), value);
        decoded = ins.IsValid;
        if (decoded) match.Return = ins.Next;
        // An illegal instruction is code that does not decode, not a jump to where no code is.
        std::uint8_t code;
        readable = decoded || env_.Code().Read(value, &code, 1);
    }

    Address base = 0;
    int moduleIndex = -1;
    bool plausible = false;
    if (env_.AllocationBase(examined, base) && base && value > 7 && (forced || CallBeforeReturnAt(value))) {
        moduleIndex = caches_.RegisterModule(env_, examined);
        plausible = moduleIndex < 0 || caches_.Modules[moduleIndex].InCode(value) ||
                    caches_.Modules[moduleIndex].InData(value);
    }
    if (!forced && !plausible) return false;

    while (chainPos_ < frameChain_.size() && frameChain_[chainPos_] > slot) ++chainPos_;
    const bool chainSlot = slot && chainPos_ < frameChain_.size() && frameChain_[chainPos_] == slot;

    bool confirmed = plausible;
    int function = -1;
    match.Call = forced ? examined : 0;
    if (moduleIndex >= 0 && caches_.Modules[moduleIndex].InCode(value)) {
        const Address hint = in_.Exception && !in_.External ? examined : 0;
        const ModuleCacheEntry& m = caches_.Modules[moduleIndex];
        if (m.Symbols)
            confirmed = ConfirmBySymbols(moduleIndex, examined, hint, forced, function, match);
        else if (!m.IsMain)
            confirmed = ConfirmByExports(moduleIndex, value, hint, forced, function, match);
        // The match of an instruction that does not decode proves V an instruction boundary; the call
        // it names is the instruction before V, not the one that failed.
        if (forced && (function < 0 || !decoded)) match.Call = examined;
    }
    if (forced && function < 0 && in_.Exception && in_.External && !readable) {
        function = caches_.AnalyseFunction(env_, match.Return, nullptr, -1, true, true);
        confirmed = true;
    }
    if (!forced && !confirmed && !chainSlot) return false;

    StackItem item;
    item.Slot = slot;
    item.ReturnAddress = match.Return;
    item.Anchor = forced || chainSlot;
    item.Final = forced && !creator;
    item.Module = moduleIndex;
    if (match.Call) item.Callers.Links.push_back({-1, match.Call, match.Direct, match.Target, function, 0});
    if (Items.size() == Items.capacity()) Items.reserve(Items.empty() ? 64 : Items.size() * 2);
    Items.push_back(std::move(item));
    const int index = int(Items.size() - 1);
    if (chainSlot) {
        if (lastChainItem_ >= 0) {
            Items[lastChainItem_].NextChain = index;
            Items[index].PrevChain = lastChainItem_;
        }
        lastChainItem_ = index;
    }
    return confirmed && Items[index].Anchor && !Items[index].Final;
}

void StackTracer::CollectPossibleStackItems() {
    const Address begin = in_.StackBegin, end = in_.StackEnd;
    if (in_.Creator) CheckCandidate(0, in_.Creator, true);
    if (in_.FramePointer) {
        Address frame = in_.FramePointer;
        while (frame >= begin && frame <= end - 8 && frame + 4 >= begin) {
            frameChain_.push_back(frame + 4);
            Address next = 0;
            if (!stack_.Read(frame, &next, 4) || next <= frame) break;
            frame = next;
        }
        std::sort(frameChain_.begin(), frameChain_.end(), std::greater<>());
    }
    bool ended = false;
    if (end > begin && end - begin >= 4) {
        const std::uint64_t size = end - begin;
        for (Address slot = end - 4;; slot -= 4) {
            Address value = 0;
            if (stack_.Read(slot, &value, 4) && CheckCandidate(slot, value, false)) {
                if (slot - begin < 4) break;
                slot -= 4; // the saved frame pointer below a certain return address
            }
            SetProgress(int(std::uint64_t(end - slot) * 25 / size));
            if (!Items.empty() && Items.back().Final) {
                ended = true;
                break;
            }
            if (slot - begin < 4) break;
        }
    }
    if (!ended) CheckCandidate(0, in_.Current, true);
    Items.shrink_to_fit();
    SetProgress(25);
}

void StackTracer::RemoveLinksThrough(int function) {
    for (StackItem& item : Items)
        for (LinkList* list : {&item.Callees, &item.Callers})
            std::erase_if(list->Links, [&](const StackLink& l) { return l.Function == function; });
}

void StackTracer::DropItem(int index) {
    Items[index].Removed = true;
    Items[index].Callees.Links.clear();
    Items[index].Callers.Links.clear();
    for (StackItem& item : Items)
        for (LinkList* list : {&item.Callees, &item.Callers})
            std::erase_if(list->Links, [&](const StackLink& l) { return l.Target == index; });
}

void StackTracer::TreatOutgoingCall(int from, Address call, Address target, bool direct, bool approve) {
    int function = -1;
    if (direct) {
        function = caches_.AnalyseFunction(env_, target, nullptr, -1, false, approve);
        if (function < 0) return;
        const auto& unknown = caches_.Functions[function].Info.UnknownTargets;
        if (std::any_of(unknown.begin(), unknown.end(), [](const TUnknownTarget& u) { return !u.IsCall; }))
            TreatOutgoingCall(from, call, target, false, approve);
    } else {
        const auto& callees = Items[from].Callees.Links;
        if (std::any_of(callees.begin(), callees.end(), [](const StackLink& l) { return l.Function < 0; }))
            return;
    }
    for (int i = from + 1; i < int(Items.size()); ++i) {
        StackItem& item = Items[i];
        if (item.Removed) continue;
        Match match;
        bool qualifies = true;
        if (function >= 0) {
            qualifies = CallSiteMatch(function, item.ReturnAddress, 0, item.Final, match);
        } else {
            const auto& own = item.Callers.Links;
            auto it = std::find_if(own.begin(), own.end(), [](const StackLink& l) { return l.CallAddress; });
            match.Call = it == own.end() ? 0 : it->CallAddress;
        }
        if (qualifies && !approve)
            for (const StackLink& l : item.Callers.Links)
                if (l.Function >= 0 && caches_.Functions[l.Function].Approved && l.CallAddress != match.Call)
                    qualifies = false;
        if (qualifies) {
            item.Callers.Links.push_back({from, match.Call, direct, target, function, 0});
            Items[from].Callees.Links.push_back({i, call, direct, target, function, 0});
        }
        if (Items[i].Anchor) break;
    }
}

void StackTracer::InDeepChecks() {
    const int count = int(Items.size());
    for (int i = in_.Creator ? 1 : 0; i < count; ++i) {
        if (!Items[i].Removed) {
            const Address ret = Items[i].ReturnAddress;
            auto& callers = Items[i].Callers.Links;
            int taken = -1;
            for (std::size_t k = 0; k < callers.size() && taken < 0; ++k)
                if (callers[k].Function >= 0 && caches_.Functions[callers[k].Function].Approved)
                    taken = int(k);
            bool dropped = false;
            if (taken < 0) {
                for (std::size_t f = 0; f < caches_.Functions.size(); ++f) {
                    const FunctionCacheEntry& entry = caches_.Functions[f];
                    if (!entry.Approved || entry.Rejected) continue;
                    const auto& areas = entry.Info.CodeAreas;
                    if (std::none_of(areas.begin(), areas.end(), [&](const TCodeArea& a) {
                            return a.AreaBegin < ret && ret <= a.AreaEnd + 1;
                        }))
                        continue;
                    Match match;
                    if (CallSiteMatch(int(f), ret, 0, Items[i].Final, match)) {
                        callers.push_back({-1, match.Call, match.Direct, match.Target, int(f), 0});
                        taken = int(callers.size() - 1);
                    } else {
                        if (!Items[i].Anchor) DropItem(i);
                        dropped = true;
                    }
                    break;
                }
            }
            if (!dropped && taken >= 0) {
                const StackLink link = callers[taken];
                std::vector<int> others;
                for (const StackLink& l : callers)
                    if (l.CallAddress != link.CallAddress && l.Function >= 0 && l.Function != link.Function)
                        others.push_back(l.Function);
                for (int f : others) {
                    caches_.Reject(f);
                    RemoveLinksThrough(f);
                }
                TreatOutgoingCall(i, link.CallAddress, link.CallTarget, link.Direct, true);
            } else if (!dropped && ret > 7 && env_.Code().IsCommitted(ret - 1)) {
                Address base = 0;
                Address from = ret - 7;
                if (env_.AllocationBase(ret - 1, base) && base > from) from = base;
                for (Address at = from; at <= ret - 2; ++at) {
                    const TInstructionInfo ins = DecodeInstructionAt(env_.Code(), at);
                    if (ins.IsValid && ins.IsCall && ins.Next == ret)
                        TreatOutgoingCall(i, at, ins.Target, ins.IsRelative || ins.TargetCell != 0, false);
                }
            }
        }
        SetProgress(int(std::int64_t(i) * 625 / count + 25));
    }
    SetProgress(650);
}

} // namespace core
