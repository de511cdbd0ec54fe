#pragma once
// What the shipped executable must be: a 32-bit GUI image, small, with its version and symbol resources,
// and loadable on Windows 2000.
#include "PeFile.h"

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace peinfo {

// Functions a Windows 2000 kernel32/advapi32/user32 does not export: an executable importing one of them is
// refused by that loader before any of its code runs.
std::span<const char* const> FunctionsWindows2000Lacks();

constexpr std::size_t shippedSizeLimit = 2 * 1024 * 1024;

// Each problem as one line; none for a good release image.
std::vector<std::string> ReleaseProblems(const PeFile& image, std::size_t sizeLimit = shippedSizeLimit);

// Imports from the kept list, as "module!function".
std::vector<std::string> Windows2000MissingImports(const PeFile& image);

} // namespace peinfo
