#include "crashreport/core/StackTrace.h"

namespace core {

int TraceCaches::RegisterModule(TraceEnvironment& env, Address address) {
    Address base = 0;
    if (!env.AllocationBase(address, base) || !base) return -1;
    for (std::size_t i = 0; i < Modules.size(); ++i)
        if (Modules[i].Handle == base) return int(i);
    ModuleCacheEntry module;
    if (!env.LoadModule(base, module)) return -1;
    module.Handle = base;
    if (module.Symbols && !module.Symbols->valid) module.Symbols.reset();
    if (Modules.size() == Modules.capacity()) Modules.reserve(Modules.empty() ? 16 : Modules.size() * 2);
    Modules.push_back(std::move(module));
    return int(Modules.size() - 1);
}

int TraceCaches::FindByEntry(Address entry) const {
    for (std::size_t i = 0; i < Functions.size(); ++i)
        if (Functions[i].Info.EntryPoint == entry) return int(i);
    return -1;
}

void TraceCaches::Approve(int function) {
    // A worklist rather than recursion: far-jump chains may be long and may loop.
    std::vector<int> pending{function};
    while (!pending.empty()) {
        const int f = pending.back();
        pending.pop_back();
        if (f < 0 || Functions[f].Approved) continue;
        Functions[f].Approved = true;
        for (const TFarCall& jump : Functions[f].Info.FarCalls)
            if (!jump.IsCall) pending.push_back(FindByEntry(jump.Target));
    }
}

int TraceCaches::AnalyseFunction(TraceEnvironment& env, Address address, const std::string* name, int module,
                                 bool acceptInvalid, bool approve) {
    int result = -1;
    struct Job {
        Address address;
        int module;
        bool acceptInvalid;
    };
    std::vector<Job> jobs{{address, module, acceptInvalid}};
    for (bool first = true; !jobs.empty(); first = false) {
        const Job job = jobs.back();
        jobs.pop_back();
        if (const int known = FindByEntry(job.address); known >= 0) {
            if (approve) Approve(known);
            if (first) result = known;
            continue;
        }
        if (!job.address && !job.acceptInvalid) continue;
        int moduleIndex = job.module;
        if (moduleIndex < 0) {
            for (std::size_t i = 0; i < Modules.size() && moduleIndex < 0; ++i) {
                const ModuleCacheEntry& m = Modules[i];
                if ((m.CodeBegin < job.address && job.address < m.CodeEnd) ||
                    (m.DataBegin < job.address && job.address < m.DataEnd))
                    moduleIndex = int(i);
            }
            if (moduleIndex < 0) moduleIndex = RegisterModule(env, job.address);
        }
        FunctionCacheEntry entry;
        entry.Module = moduleIndex;
        env.Analyse(job.address, entry.Info);
        if (job.acceptInvalid && !entry.Info.IsValid) {
            entry.Info = TFunctionInfo{};
            entry.Info.IsValid = true;
            entry.Info.EntryPoint = entry.Info.CodeBegin = job.address;
        }
        if (!entry.Info.IsValid) continue;
        entry.Approved = approve;
        if (first && name) {
            entry.Name = *name;
        } else if (moduleIndex >= 0) {
            const ModuleCacheEntry& m = Modules[moduleIndex];
            if (m.Symbols) entry.Name = m.Symbols->FindPublic(job.address).name;
            if (entry.Name.empty()) entry.Name = env.ExportName(m, job.address);
        }
        for (const TFarCall& jump : entry.Info.FarCalls)
            if (!jump.IsCall) jobs.push_back({jump.Target, -1, false});
        if (Functions.size() == Functions.capacity())
            Functions.reserve(Functions.empty() ? 16 : Functions.size() * 2);
        Functions.push_back(std::move(entry));
        if (first) result = int(Functions.size() - 1);
    }
    return result;
}

} // namespace core
