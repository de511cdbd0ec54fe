// Steps 2 and 5 of a trace: of every repetition only the outermost round stays. A pass walks the live
// items from the innermost; at each it looks for the nearest lower item with the same return address and
// removes the upper of the two equal rounds that end at them, then goes on below the removed round. Passes
// repeat until one changes nothing.
//
// The check at an item depends only on the items below it, which the pass has not yet changed, so every
// pass works on one fixed list: the nearest equal item comes from one table, and two rounds are compared
// through prefix hashes (confirmed item by item only on a match, which then removes as many items as it
// compared). A pass costs linear time, and a deep recursion needs two of them.
#include "crashreport/core/StackTrace.h"

#include <unordered_map>

namespace core {
namespace {

void RemoveItem(std::vector<StackItem>& items, int index) {
    StackItem& item = items[index];
    item.Removed = true;
    item.Anchor = false;
    if (item.PrevChain >= 0) items[item.PrevChain].NextChain = item.NextChain;
    if (item.NextChain >= 0) items[item.NextChain].PrevChain = item.PrevChain;
    item.PrevChain = item.NextChain = -1;
}

// Polynomial hashes modulo the prime 2^61 - 1.
constexpr std::uint64_t kModulus = (std::uint64_t(1) << 61) - 1;
constexpr std::uint64_t kBase = 0x1F3D5B79A2C4E687 % kModulus;

// a * b modulo 2^61 - 1, from 32-bit halves (2^61 is 1 there, so 2^64 is 8).
std::uint64_t MulMod(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t a1 = a >> 32, a0 = a & 0xFFFFFFFF, b1 = b >> 32, b0 = b & 0xFFFFFFFF;
    const std::uint64_t middle = a1 * b0 + a0 * b1, low = a0 * b0;
    std::uint64_t sum =
        (a1 * b1 << 3) + (middle >> 29) + ((middle & 0x1FFFFFFF) << 32) + (low & kModulus) + (low >> 61);
    sum = (sum & kModulus) + (sum >> 61);
    return sum >= kModulus ? sum - kModulus : sum;
}

class Pass {
public:
    explicit Pass(const std::vector<StackItem>& items) {
        for (int i = 0; i < int(items.size()); ++i)
            if (!items[i].Removed) live_.push_back(i);
        const int n = int(live_.size());
        returns_.resize(n);
        nearest_.assign(n, -1);
        prefix_.assign(n + 1, 0);
        power_.assign(n + 1, 1);
        std::unordered_map<Address, int> last;
        last.reserve(std::size_t(n));
        for (int p = 0; p < n; ++p) {
            const Address value = items[live_[p]].ReturnAddress;
            returns_[p] = value;
            auto [at, fresh] = last.try_emplace(value, p);
            if (!fresh) {
                nearest_[p] = at->second;
                at->second = p;
            }
            prefix_[p + 1] = (MulMod(prefix_[p], kBase) + value + 1) % kModulus;
            power_[p + 1] = MulMod(power_[p], kBase);
        }
    }

    int Count() const { return int(live_.size()); }
    int Item(int position) const { return live_[position]; }

    // The length of the round that ends at `p` and repeats the one right below it; 0 when none does.
    int Round(int p) const {
        const int q = nearest_[p];
        if (q < 0) return 0;
        const int length = p - q;
        if (q + 1 < length || Hash(q + 1 - length, q + 1) != Hash(q + 1, p + 1)) return 0;
        for (int t = 1; t < length; ++t)
            if (returns_[p - t] != returns_[q - t]) return 0;
        return length;
    }

private:
    std::uint64_t Hash(int from, int to) const {
        return (prefix_[to] + kModulus - MulMod(prefix_[from], power_[to - from])) % kModulus;
    }

    std::vector<int> live_;
    std::vector<Address> returns_;
    std::vector<int> nearest_;
    std::vector<std::uint64_t> prefix_, power_;
};

} // namespace

void RemoveRecursiveAreas(std::vector<StackItem>& items, bool dropLinks, TraceProgress* progress,
                          int position) {
    std::vector<bool> removedHere;
    bool any = false;
    for (bool changed = true; changed;) {
        changed = false;
        const Pass pass(items);
        for (int p = pass.Count() - 1; p >= 1;) {
            if (progress && p % 4096 == 0) progress->SetPosition(position);
            const int length = pass.Round(p);
            if (!length) {
                --p;
                continue;
            }
            if (removedHere.empty()) removedHere.assign(items.size(), false);
            for (int t = p - length + 1; t <= p; ++t) {
                RemoveItem(items, pass.Item(t));
                removedHere[pass.Item(t)] = true;
            }
            changed = any = true;
            p -= length;
        }
    }
    if (!dropLinks || !any) return;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (removedHere[i]) {
            items[i].Callees.Links.clear();
            items[i].Callers.Links.clear();
            continue;
        }
        for (LinkList* list : {&items[i].Callees, &items[i].Callers})
            std::erase_if(list->Links,
                          [&](const StackLink& l) { return l.Target >= 0 && removedHere[l.Target]; });
    }
}

} // namespace core
