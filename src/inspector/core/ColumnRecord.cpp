#include "core/ColumnRecord.h"
#include <algorithm>
#include <cctype>

namespace core {

namespace {
constexpr std::size_t accessorOffset = 0, kindOffset = 4, nameOffset = 5, visibleOffset = 261,
                      positionOffset = 262, widthOffset = 263, formatterOffset = 265;

void put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}
} // namespace

std::vector<std::uint8_t> EncodeColumnRecord(const ColumnRecord& record, std::uint32_t accessorWord,
                                             std::uint32_t formatterWord) {
    std::vector<std::uint8_t> bytes(columnRecordSize, 0);
    put32(&bytes[accessorOffset], accessorWord);
    bytes[kindOffset] = record.accessorKind;
    std::size_t length = std::min<std::size_t>(record.name.size(), 255);
    bytes[nameOffset] = std::uint8_t(length);
    std::copy_n(record.name.begin(), length, bytes.begin() + nameOffset + 1);
    bytes[visibleOffset] = record.visible ? 1 : 0;
    bytes[positionOffset] = record.position;
    auto width = std::uint16_t(record.width);
    bytes[widthOffset] = std::uint8_t(width);
    bytes[widthOffset + 1] = std::uint8_t(width >> 8);
    put32(&bytes[formatterOffset], formatterWord);
    return bytes;
}

bool DecodeColumnRecord(std::span<const std::uint8_t> bytes, ColumnRecord& record) {
    if (bytes.size() != columnRecordSize) return false;
    record.accessorKind = bytes[kindOffset];
    record.name.assign(reinterpret_cast<const char*>(&bytes[nameOffset + 1]), bytes[nameOffset]);
    record.visible = bytes[visibleOffset] != 0;
    record.position = bytes[positionOffset];
    record.width = std::int16_t(std::uint16_t(bytes[widthOffset] | bytes[widthOffset + 1] << 8));
    return true;
}

void NormalizeColumnPositions(std::span<ColumnRecord* const> records) {
    std::vector<ColumnRecord*> shown;
    for (ColumnRecord* r : records) {
        if (r->visible)
            shown.push_back(r);
        else
            r->position = noColumnPosition;
    }
    std::stable_sort(shown.begin(), shown.end(),
                     [](const ColumnRecord* a, const ColumnRecord* b) { return a->position < b->position; });
    for (std::size_t i = 0; i < shown.size(); ++i) shown[i]->position = std::uint8_t(i);
}

namespace {
bool SameStoredName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}
} // namespace

std::vector<bool> OneColumnRecordPerName(std::span<const ColumnRecord* const> records,
                                         const std::vector<int>& preference) {
    std::vector<bool> keep(records.size(), true);
    for (std::size_t i = 0; i < records.size(); ++i)
        for (std::size_t j = 0; j < records.size() && keep[i]; ++j)
            if (j != i && SameStoredName(records[i]->name, records[j]->name) &&
                (preference[j] > preference[i] || (preference[j] == preference[i] && j < i)))
                keep[i] = false;
    return keep;
}

} // namespace core
