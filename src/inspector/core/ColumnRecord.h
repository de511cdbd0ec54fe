#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace core {

// The stored form of one list column: 269 bytes, little-endian, no padding. Bytes 0-3 and 265-268
// hold the run-time reader and formatter words; they are written as held and mean nothing in another
// run, so reading ignores them.
constexpr std::size_t columnRecordSize = 269;
constexpr std::uint8_t noColumnPosition = 255;
constexpr std::int16_t defaultColumnWidth = 150;

struct ColumnRecord {
    std::uint8_t accessorKind = 0;
    std::string name; // at most 255 characters are stored
    bool visible = false;
    std::uint8_t position = noColumnPosition;
    std::int16_t width = defaultColumnWidth;
};

std::vector<std::uint8_t> EncodeColumnRecord(const ColumnRecord& record, std::uint32_t accessorWord = 0,
                                             std::uint32_t formatterWord = 0);
// False for a value that is not exactly one record long.
bool DecodeColumnRecord(std::span<const std::uint8_t> bytes, ColumnRecord& record);

// Gives the shown records the places 0..n-1 in the order of their stored places (ties keep list
// order) and the hidden ones "no place", so a damaged or duplicate place never misaligns a list.
void NormalizeColumnPositions(std::span<ColumnRecord* const> records);

// Records are stored as values named by their property name, and value names ignore letter case: two
// records of one name would overwrite each other at exit. Tells, per record, whether it stays so that one
// remains per name: the one of highest preference, the first of equals.
std::vector<bool> OneColumnRecordPerName(std::span<const ColumnRecord* const> records,
                                         const std::vector<int>& preference);

} // namespace core
