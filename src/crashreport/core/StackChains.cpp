// Step 4 of a trace: between every two certain frames only the best-weighted chain of links stays.
#include "crashreport/core/StackTrace.h"

#include <algorithm>
#include <array>

namespace core {
namespace {

constexpr std::int64_t High(std::uint32_t high) {
    return std::int64_t(std::uint64_t(high) << 32);
}
constexpr std::int64_t kNoPath = High(0x10000000);
constexpr std::int64_t kReachedNamed = High(0x70000000);
constexpr std::int64_t kReached = High(0x50000000);
constexpr std::int64_t kAllNamed = High(0x20000000);
constexpr std::int64_t kComplete = High(0x40000000);

} // namespace

bool StackTracer::KnownLine(int index) const {
    const StackItem& item = Items[index];
    if (item.Module < 0) return false;
    const auto& symbols = caches_.Modules[item.Module].Symbols;
    return symbols && symbols->FindLine(item.ReturnAddress - 1) != 0;
}

// The best weight from every item of the stretch towards its goal, computed from the goal outwards: a
// link only leads towards the goal, so the items form an ordered graph and no recursion is needed. The
// weight depends on whether every link so far named a function, hence two columns per item.
void StackTracer::Settle(int lower, int upper) {
    if (upper - lower < 2) return;
    struct Best {
        std::int64_t Weight = kNoPath;
        int Link = -1;
    };
    const int span = upper - lower + 1; // positions lower..upper, lower may be -1
    auto pos = [&](int item) { return item - lower; };

    auto weigh = [&](bool towardsUpper, std::vector<std::array<Best, 2>>& best) {
        best.assign(span, {});
        const int goal = towardsUpper ? upper : lower;
        auto step = [&](int x) {
            if (x < 0 || (Items[x].Removed && x != lower && x != upper)) return;
            auto& links = towardsUpper ? Items[x].Callees.Links : Items[x].Callers.Links;
            for (int named = 0; named < 2; ++named) {
                Best result;
                for (int k = 0; k < int(links.size()); ++k) {
                    StackLink& link = links[k];
                    const int t = link.Target;
                    if (t < 0 || (towardsUpper ? (t <= x || t > upper) : (t >= x || t < lower))) continue;
                    if (t != goal && Items[t].Removed) continue;
                    std::int64_t weight;
                    if (t == goal) {
                        weight = link.Function >= 0 ? kReachedNamed : kReached;
                    } else {
                        weight = best[pos(t)][named && link.Function >= 0].Weight;
                        if (link.Function < 0) {
                            weight &= ~kAllNamed;
                            const int ma = Items[x].Module, mb = Items[t].Module;
                            if (ma < 0 || mb < 0 || !caches_.Modules[ma].Symbols ||
                                !caches_.Modules[mb].Symbols)
                                weight += 1;
                            else
                                weight += KnownLine(x) && KnownLine(t) ? 1024 : 256;
                        } else {
                            std::int64_t increment =
                                caches_.Functions[link.Function].Approved ? 0x1000000 : 0x1000;
                            if (named || (weight & kAllNamed)) increment <<= 16;
                            weight += increment;
                        }
                    }
                    if (named) link.Weight = weight;
                    if (weight > result.Weight) result = {weight, k};
                }
                best[pos(x)][named] = result;
            }
        };
        if (towardsUpper)
            for (int x = upper - 1; x >= lower; --x) step(x);
        else
            for (int x = lower + 1; x <= upper; ++x) step(x);
        // Every list weighed keeps its best link, whichever side wins: an item restored from the other
        // side still shows the call its own best link names.
        for (int x = std::max(lower, 0); x <= upper; ++x) {
            const std::array<Best, 2>& own = best[pos(x)];
            const int link = own[1].Link >= 0 ? own[1].Link : own[0].Link;
            if (link >= 0) (towardsUpper ? Items[x].Callees : Items[x].Callers).Chosen = link;
        }
    };

    std::vector<std::array<Best, 2>> fromLower, fromUpper;
    std::int64_t lowerWeight = 0, upperWeight = 0;
    if (lower >= 0) {
        weigh(true, fromLower);
        lowerWeight = fromLower[pos(lower)][1].Weight;
    }
    if (!(lowerWeight & kComplete)) {
        weigh(false, fromUpper);
        upperWeight = fromUpper[pos(upper)][1].Weight;
    }
    for (int i = lower + 1; i < upper; ++i) Items[i].Removed = true;

    const bool upward = lowerWeight > upperWeight;
    int x = upward ? lower : upper;
    const int goal = upward ? upper : lower;
    bool named = true;
    while (x != goal) {
        const Best& choice = (upward ? fromLower : fromUpper)[pos(x)][named];
        if (choice.Link < 0) break;
        LinkList& list = upward ? Items[x].Callees : Items[x].Callers;
        list.Chosen = choice.Link;
        const StackLink& link = list.Links[choice.Link];
        named = named && link.Function >= 0;
        x = link.Target;
        if (x != goal) Items[x].Removed = false;
    }
}

void StackTracer::RealizeOptimalLinkChains() {
    std::vector<int> anchors;
    for (int i = 0; i < int(Items.size()); ++i)
        if (!Items[i].Removed && Items[i].Anchor) anchors.push_back(i);
    const int count = int(Items.size());
    for (int a = int(anchors.size()) - 2; a >= 0; --a) {
        Settle(anchors[a], anchors[a + 1]);
        SetProgress(int(std::int64_t(count - 1 - anchors[a]) * 350 / count + 650));
    }
    if (!anchors.empty()) Settle(-1, anchors.front());
    SetProgress(1000);
}

} // namespace core
