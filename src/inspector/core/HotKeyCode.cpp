#include "core/HotKeyCode.h"

namespace core {

HotKeyParts SplitHotKey(uint16_t hotKey) {
    constexpr unsigned modAlt = 1, modControl = 2, modShift = 4;
    HotKeyParts parts;
    if (hotKey & 0x2000) parts.modifiers |= modShift;
    if (hotKey & 0x4000) parts.modifiers |= modControl;
    if (hotKey & 0x8000) parts.modifiers |= modAlt;
    parts.key = hotKey & ~0xE000u;
    return parts;
}

} // namespace core
