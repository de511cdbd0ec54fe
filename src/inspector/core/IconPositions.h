#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace core {

// A desktop icon's place in the list view's own coordinates.
struct IconPoint {
    int32_t x = -1;
    int32_t y = -1;
    bool operator==(const IconPoint&) const = default;
};

// Positions are stored as 8 bytes: x then y, signed 32-bit little-endian.
std::vector<uint8_t> EncodeIconPoint(IconPoint point);
// Nothing for a value that is not 8 bytes long or holds the "unreadable" mark (-1, -1): restoring it
// would move the icon off-screen.
std::optional<IconPoint> DecodeIconPoint(std::span<const uint8_t> value);

// The desktop's icons as both icon operations see them; every step may fail.
class IconView {
public:
    virtual ~IconView() = default;
    virtual int count() = 0;
    virtual std::optional<std::string> label(int index) = 0;
    virtual std::optional<IconPoint> position(int index) = 0;
    virtual void move(int index, IconPoint point) = 0;
};

// One entry per label, in icon order; a repeated label keeps the later icon's place. An icon whose label
// can't be read is skipped; one whose position can't be read is kept with (-1, -1).
std::vector<std::pair<std::string, IconPoint>> CollectIconPositions(IconView& view);

// Moves every icon to the first stored entry of its label (letter case counts), in passes until one pass
// moves nothing, at most 20 of them. Entries that don't decode are ignored. Gives the number of passes.
using StoredIconPositions = std::vector<std::pair<std::string, std::vector<uint8_t>>>;
int RestoreIconPositions(IconView& view, const StoredIconPositions& stored);

} // namespace core
