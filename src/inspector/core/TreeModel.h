#pragma once
#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace core {

// The rows of a tree-list: nodes with parent and child links, expanded and hidden flags. The view asks
// for the visible rows flattened, and never holds anything the model does not own. Not thread-safe: one
// thread at a time (a list worker fills it while its view looks away).
template <class T> class TreeModel {
public:
    struct Node {
        Node* parent = nullptr; // none for root rows
        std::vector<std::unique_ptr<Node>> children;
        int depth = 0;
        bool expanded = false;
        bool hidden = false;
        T data{};
    };

    // Appends a row under `parent` (none: a root row).
    Node* addChild(Node* parent) {
        auto node = std::make_unique<Node>();
        Node* raw = node.get();
        if (parent) {
            raw->parent = parent;
            raw->depth = parent->depth + 1;
            parent->children.push_back(std::move(node));
        } else {
            roots_.push_back(std::move(node));
        }
        ++count_;
        return raw;
    }

    // Takes the row and everything below it out of the model; the row's pointer is then invalid.
    void remove(Node* node) {
        auto& level = node->parent ? node->parent->children : roots_;
        auto it = std::find_if(level.begin(), level.end(), [&](const auto& n) { return n.get() == node; });
        if (it == level.end()) return;
        count_ -= subtreeSize(*node);
        level.erase(it);
    }

    void clear() {
        roots_.clear();
        count_ = 0;
    }
    std::size_t size() const { return count_; }
    const std::vector<std::unique_ptr<Node>>& roots() const { return roots_; }

    // Rows that are not hidden and whose ancestors are all expanded and not hidden, in tree order.
    std::vector<Node*> flatten() const {
        std::vector<Node*> rows;
        rows.reserve(roots_.size());
        appendVisible(roots_, rows);
        return rows;
    }

    // Every level is sorted stably, so rows that compare equal keep their order.
    template <class Less> void sort(Less less) { sortLevel(roots_, less); }
    // The same order, for comparisons that cost more than a key: each row's key is made once.
    template <class MakeKey, class Less> void sortByKey(MakeKey makeKey, Less less) {
        sortLevelByKey(roots_, makeKey, less);
    }

    // Every row in tree order (parents before children).
    template <class F> void forEach(F f) const { visit(roots_, f); }

private:
    static void appendVisible(const std::vector<std::unique_ptr<Node>>& level, std::vector<Node*>& rows) {
        for (const auto& node : level) {
            if (node->hidden) continue;
            rows.push_back(node.get());
            if (node->expanded) appendVisible(node->children, rows);
        }
    }
    static std::size_t subtreeSize(const Node& node) {
        std::size_t size = 1;
        for (const auto& child : node.children) size += subtreeSize(*child);
        return size;
    }
    template <class Less> static void sortLevel(std::vector<std::unique_ptr<Node>>& level, Less& less) {
        std::stable_sort(
            level.begin(), level.end(),
            [&](const std::unique_ptr<Node>& a, const std::unique_ptr<Node>& b) { return less(*a, *b); });
        for (auto& node : level) sortLevel(node->children, less);
    }
    template <class MakeKey, class Less>
    static void sortLevelByKey(std::vector<std::unique_ptr<Node>>& level, MakeKey& makeKey, Less& less) {
        using Key = decltype(makeKey(std::declval<const T&>()));
        std::vector<std::pair<Key, std::unique_ptr<Node>>> keyed;
        keyed.reserve(level.size());
        for (auto& node : level) {
            Key key = makeKey(node->data);
            keyed.emplace_back(std::move(key), std::move(node));
        }
        std::stable_sort(keyed.begin(), keyed.end(),
                         [&](const auto& a, const auto& b) { return less(a.first, b.first); });
        for (std::size_t i = 0; i < level.size(); ++i) level[i] = std::move(keyed[i].second);
        for (auto& node : level) sortLevelByKey(node->children, makeKey, less);
    }
    template <class F> static void visit(const std::vector<std::unique_ptr<Node>>& level, F& f) {
        for (const auto& node : level) {
            f(*node);
            visit(node->children, f);
        }
    }

    std::vector<std::unique_ptr<Node>> roots_;
    std::size_t count_ = 0;
};

} // namespace core
