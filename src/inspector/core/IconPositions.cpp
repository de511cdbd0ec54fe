#include "core/IconPositions.h"
#include <algorithm>

namespace core {

namespace {

void putLittleEndian(std::vector<uint8_t>& out, int32_t value) {
    auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
}

int32_t getLittleEndian(std::span<const uint8_t> bytes) {
    uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) bits |= uint32_t(bytes[i]) << (8 * i);
    return static_cast<int32_t>(bits);
}

constexpr int maxRestorePasses = 20;

} // namespace

std::vector<uint8_t> EncodeIconPoint(IconPoint point) {
    std::vector<uint8_t> out;
    putLittleEndian(out, point.x);
    putLittleEndian(out, point.y);
    return out;
}

std::optional<IconPoint> DecodeIconPoint(std::span<const uint8_t> value) {
    if (value.size() != 8) return std::nullopt;
    IconPoint point{getLittleEndian(value.first(4)), getLittleEndian(value.subspan(4))};
    if (point == IconPoint{}) return std::nullopt;
    return point;
}

std::vector<std::pair<std::string, IconPoint>> CollectIconPositions(IconView& view) {
    std::vector<std::pair<std::string, IconPoint>> entries;
    const int count = view.count();
    for (int i = 0; i < count; ++i) {
        auto label = view.label(i);
        if (!label) continue;
        IconPoint point = view.position(i).value_or(IconPoint{});
        auto same = std::find_if(entries.begin(), entries.end(), [&](auto& e) { return e.first == *label; });
        if (same != entries.end())
            same->second = point;
        else
            entries.emplace_back(std::move(*label), point);
    }
    return entries;
}

int RestoreIconPositions(IconView& view, const StoredIconPositions& stored) {
    int passes = 0;
    bool moved = true;
    while (moved && passes < maxRestorePasses) {
        moved = false;
        ++passes;
        const int count = view.count();
        for (int i = 0; i < count; ++i) {
            auto label = view.label(i);
            if (!label) continue;
            auto entry =
                std::find_if(stored.begin(), stored.end(), [&](auto& e) { return e.first == *label; });
            if (entry == stored.end()) continue;
            auto target = DecodeIconPoint(entry->second);
            if (!target) continue;
            if (view.position(i).value_or(IconPoint{}) != *target) {
                view.move(i, *target);
                moved = true;
            }
        }
    }
    return passes;
}

} // namespace core
