#pragma once
// Taking a terminated process out of a filled list, so that rows and counters stay in step.
#include "core/TreeModel.h"

#include <array>
#include <vector>

namespace core {

// Removes the row and its subtree, lowering counters[kindOf(row)] for every row removed.
template <class T, class KindOf, std::size_t N>
void RemoveCountedSubtree(TreeModel<T>& model, typename TreeModel<T>::Node* row, std::array<int, N>& counters,
                          KindOf kindOf) {
    auto lower = [&](const typename TreeModel<T>::Node& node, auto& self) -> void {
        --counters[kindOf(node.data)];
        for (const auto& child : node.children) self(*child, self);
    };
    lower(*row, lower);
    model.remove(row);
}

// Removes every row that `matches`; a parent whose only child such a row was goes with it. Returns how
// many matching rows were taken out (not counting those inside a removed match).
template <class T, class Matches> int RemoveRowsAndLoneParents(TreeModel<T>& model, Matches matches) {
    using Node = typename TreeModel<T>::Node;
    std::vector<Node*> doomed;
    auto underMatch = [&](const Node& node) {
        for (const Node* up = node.parent; up; up = up->parent)
            if (matches(up->data)) return true;
        return false;
    };
    model.forEach([&](const Node& node) {
        // A match below a match goes with the upper one.
        if (matches(node.data) && !underMatch(node)) doomed.push_back(const_cast<Node*>(&node));
    });
    // Collected first: removing while walking would pull the walk's next row away.
    for (Node* node : doomed) {
        Node* parent = node->parent;
        if (parent && parent->children.size() == 1)
            model.remove(parent);
        else
            model.remove(node);
    }
    return int(doomed.size());
}

} // namespace core
