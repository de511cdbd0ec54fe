#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace symdata {

// Absolute addresses of an image's code range and entry point, found the way the crash reporter finds
// them in the loaded module: the first section when it holds code, else BaseOfCode and SizeOfCode.
struct CodeRange {
    uint32_t begin = 0;
    uint32_t end = 0;
    uint32_t entry = 0;
};
std::optional<CodeRange> ReadCodeRange(std::string_view image);

} // namespace symdata
