#pragma once
// The columns the user chose per kind of list: one record per published property of the kind's
// information class, kept in the settings object from start to exit and stored under the settings key.
#include "InfoObjects.h"
#include "ListTypes.h"
#include "core/ColumnRecord.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

constexpr int ListTypeCount = 5;

using TColumnFormatter = std::string (*)(const fw::Value&);

// How a column's value is read.
enum TAccessKind : std::uint8_t { akGetter = 0, akNotRead = 1, akField = 2, akIndexedGetter = 3 };

struct TColumnSetting : core::ColumnRecord {
    // The property's reader; none for a stored record whose property this build does not publish:
    // such a record is kept and written back, but never read through or shown.
    const TPropertyInfo* Property = nullptr;
    TColumnFormatter Formatter = nullptr;

    bool Shown() const { return visible && Property; }
};

using TColumnSettingList = std::vector<std::unique_ptr<TColumnSetting>>;
using TColumnSettingLists = std::array<TColumnSettingList, ListTypeCount>;

struct TListKindNames {
    const char* SubKey;
    const char* PluralName;
    const char* KeyName; // the column that identifies a row of the kind
};
const TListKindNames& ListKindNames(TListTypes kind);

// The display formatter a column of that property name uses (letter case counts); none for most.
TColumnFormatter ColumnFormatter(const std::string& propertyName);

// The shown columns of a kind in their order.
std::vector<TColumnSetting*> ShownColumns(const TColumnSettingList& list);

// Builds the five lists from the subkeys of `key` and the published properties; `reset` (or a missing
// subkey, or a damaged value) gives defaults.
void LoadColumnSettings(TColumnSettingLists& lists, const std::string& key, bool reset);
// Replaces the values of the five subkeys by the lists' records and releases the lists.
void SaveColumnSettings(TColumnSettingLists& lists, const std::string& key);
