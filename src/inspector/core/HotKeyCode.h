#pragma once
#include <cstdint>

namespace core {

// The stored hot key word: a virtual key with 0x2000 Shift, 0x4000 Ctrl and 0x8000 Alt; split into the
// modifier flags RegisterHotKey takes (MOD_ALT 1, MOD_CONTROL 2, MOD_SHIFT 4) and the key.
struct HotKeyParts {
    unsigned modifiers = 0;
    unsigned key = 0;
    bool operator==(const HotKeyParts&) const = default;
};
HotKeyParts SplitHotKey(uint16_t hotKey);

} // namespace core
