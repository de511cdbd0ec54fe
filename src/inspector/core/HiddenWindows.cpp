#include "core/HiddenWindows.h"

namespace core {

std::vector<std::uint32_t> THiddenWindows::Hide(const std::vector<std::pair<std::uint32_t, bool>>& windows,
                                                std::uint32_t keep) {
    std::vector<std::uint32_t> hide;
    for (const auto& [wnd, visible] : windows) {
        if (wnd == keep) continue;
        saved_[wnd] = visible;
        hide.push_back(wnd);
    }
    return hide;
}

std::vector<std::uint32_t> THiddenWindows::Restore(const std::vector<std::uint32_t>& windows,
                                                   std::uint32_t keep) {
    std::vector<std::uint32_t> show;
    for (std::uint32_t wnd : windows) {
        auto it = saved_.find(wnd);
        if (wnd != keep && it != saved_.end() && it->second) show.push_back(wnd);
    }
    saved_.clear();
    return show;
}

} // namespace core
