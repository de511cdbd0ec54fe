#include "crashreport/core/StackTrace.h"

#include <algorithm>

namespace core {
namespace {

void RemoveItem(std::vector<StackItem>& items, int index, bool dropLinks) {
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
        for (LinkList* list : {&other.Callees, &other.Callers})
            std::erase_if(list->Links, [&](const StackLink& l) { return l.Target == index; });
}

// One removal; false when the live items hold no repetition.
bool RemoveOneRepetition(std::vector<StackItem>& items, bool dropLinks) {
    std::vector<int> live;
    for (int i = 0; i < int(items.size()); ++i)
        if (!items[i].Removed) live.push_back(i);
    auto ret = [&](int p) { return items[live[p]].ReturnAddress; };
    for (int p = int(live.size()) - 1; p >= 1; --p) {
        int q = p - 1;
        while (q >= 0 && ret(q) != ret(p)) --q;
        if (q < 0) continue;
        const int k = p - q - 1;
        if (q < k) continue;
        bool same = true;
        for (int t = 1; t <= k && same; ++t) same = ret(p - t) == ret(q - t);
        if (!same) continue;
        for (int t = p - k; t <= p; ++t) RemoveItem(items, live[t], dropLinks);
        return true;
    }
    return false;
}

} // namespace

void RemoveRecursiveAreas(std::vector<StackItem>& items, bool dropLinks) {
    // Every pass removes at least one item, so this ends.
    while (RemoveOneRepetition(items, dropLinks)) {
    }
}

} // namespace core
