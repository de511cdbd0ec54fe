#pragma once
#include <cstdint>
#include <map>
#include <vector>

// "Hide Ostrel": the visibility of the program's windows, saved per window when they are hidden and given
// back to the same windows, whatever opened or closed meanwhile.
namespace core {

class THiddenWindows {
public:
    // The windows to hide now (every given window but `keep`), remembering whether each was visible.
    std::vector<std::uint32_t> Hide(const std::vector<std::pair<std::uint32_t, bool>>& windows,
                                    std::uint32_t keep);
    // The windows among `windows` to show again: those that were visible when hidden. Windows opened
    // since are left as they are; what was saved is forgotten.
    std::vector<std::uint32_t> Restore(const std::vector<std::uint32_t>& windows, std::uint32_t keep);

private:
    std::map<std::uint32_t, bool> saved_;
};

} // namespace core
