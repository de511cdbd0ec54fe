#pragma once
#include <cstdint>

// The information kind: indexes column settings, node data, menus, icons and the per-kind tables.
enum TListTypes : std::uint8_t {
    ltWindows = 0,
    ltProcesses = 1,
    ltThreads = 2,
    ltModules = 3,
    ltServices = 4
};
