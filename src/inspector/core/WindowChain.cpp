#include "core/WindowChain.h"
#include "core/NumberFormat.h"
#include <algorithm>

namespace core {

std::vector<std::uint32_t> WindowChain(const TWindowSource& source, std::uint32_t wnd) {
    const std::uint32_t desktop = source.Desktop();
    if (wnd == desktop) return {wnd};
    std::vector<std::uint32_t> chain;
    for (std::uint32_t w = wnd; w != desktop; w = source.Parent(w)) {
        // The step limit also ends a parent chain that loops.
        if (w == 0 || chain.size() + 1 >= maxChainLength) return {};
        chain.push_back(w);
    }
    std::reverse(chain.begin(), chain.end());
    return chain;
}

std::string ChainErrorText(std::uint32_t wnd) {
    return "Unable to create FindWindow-Code for window " + FormatNumber(wnd);
}

TWndCodeNode FillCodeNode(const TWindowSource& source, std::uint32_t wnd) {
    static const std::string desktopSuffix = " (Desktop)";
    TWndCodeNode node = source.Read(wnd);
    node.Window = wnd;
    if (wnd == source.Desktop() && node.ClassName.ends_with(desktopSuffix))
        node.ClassName.resize(node.ClassName.size() - desktopSuffix.size());
    if (source.Parent(wnd) == source.Desktop()) node.ControlID = 0;
    node.OnPath = false;
    node.Checks = ccClassName | (HasWindowText(node) ? ccWindowText : 0);
    return node;
}

std::vector<TCodeTreeRow> BuildCodeTree(const TWindowSource& source,
                                        const std::vector<std::uint32_t>& chain) {
    std::vector<TCodeTreeRow> rows;
    for (std::size_t j = 0; j < chain.size(); ++j) {
        const int level = int(j);
        if (j > 0) {
            for (std::uint32_t child : source.Children(chain[j - 1]))
                if (child != chain[j]) rows.push_back({FillCodeNode(source, child), level});
        }
        TCodeTreeRow row{FillCodeNode(source, chain[j]), level};
        row.Node.OnPath = true;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<TWndCodeNode> PathNodes(const std::vector<TCodeTreeRow>& rows) {
    std::vector<TWndCodeNode> path;
    for (const auto& row : rows)
        if (row.Node.OnPath) path.push_back(row.Node);
    return path;
}

} // namespace core
