#include "TreeRows.h"
#include "core/CellValues.h"
#include "core/NumberFormat.h"

#include <windows.h>

namespace {

const char* const moduleNameColumn = "ModuleName";

bool IsModuleName(const TColumnSetting& setting) {
    return setting.name == moduleNameColumn;
}

template <class T> int Order(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// One comparison: the texts themselves.
const core::Collation directCollation{[](std::string_view text) { return std::string(text); },
                                      CompareTextNoCase};

// A sort: the system's sort key of each text, made once per row, compared byte by byte. Comparing sort
// keys orders as comparing the texts does, at a fraction of the cost.
std::string SortKeyOf(std::string_view text) {
    int size = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, text.data(),
                            int(text.size()), nullptr, 0);
    if (size <= 0) return std::string(text);
    std::string key(size_t(size), '\0');
    LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, text.data(), int(text.size()),
                 key.data(), size);
    return key;
}
const core::Collation sortKeyCollation{SortKeyOf,
                                       [](std::string_view a, std::string_view b) { return Order(a, b); }};

core::CellSortKey SortKey(const TNodeData& row, const TKindSettings& column,
                          const core::Collation& collation) {
    const TColumnSetting* setting = column[row.Kind];
    int i = setting ? FindCell(row, setting) : -1;
    return core::MakeCellSortKey(row.Kind, i < 0 ? nullptr : &row.Cells[i].Value,
                                 setting && IsModuleName(*setting), collation);
}

} // namespace

const fw::Value& TNodeData::KeyValue() const {
    static const fw::Value none;
    return KeyCell >= 0 && KeyCell < Count() ? Cells[KeyCell].Value : none;
}

int CompareTextNoCase(std::string_view a, std::string_view b) {
    int result = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), int(a.size()), b.data(),
                                int(b.size()));
    return result == 0 ? Order(a, b) : result - CSTR_EQUAL;
}

void ReadColumnValue(TBasicInfo& info, const TColumnSetting& setting, TPropNodeData& cell) {
    bool getter = setting.accessorKind == akGetter || setting.accessorKind == akIndexedGetter;
    cell.Value = getter && setting.Property ? info.Read(*setting.Property) : fw::Value();
}

void BuildNodeData(std::span<const TKindSettings> columns, TBasicInfo& info, TNodeData& row) {
    const char* keyName = ListKindNames(info.Kind).KeyName;
    row.Cells.clear();
    row.KeyCell = -1;
    for (const TKindSettings& column : columns) {
        const TColumnSetting* setting = column[info.Kind];
        if (!setting) continue;
        TPropNodeData& cell = row.Cells.emplace_back();
        cell.Setting = setting;
        if (setting->name == keyName) row.KeyCell = row.Count() - 1;
        ReadColumnValue(info, *setting, cell);
    }
}

void CopyNodeData(const TNodeData& source, TNodeData& target) {
    target = source;
}

int FindCell(const TNodeData& row, const TColumnSetting* setting) {
    for (int i = 0; i < row.Count(); ++i)
        if (row.Cells[i].Setting == setting) return i;
    return -1;
}

std::string CellText(const TNodeData& row, const TKindSettings& column, const TFormatText& formatText) {
    const TColumnSetting* setting = column[row.Kind];
    if (!setting) return {};
    int i = FindCell(row, setting);
    if (i < 0) return {};
    std::string text = core::CellValueText(row.Cells[i].Value, setting->Formatter, formatText);
    return IsModuleName(*setting) ? std::string(core::FileNamePart(text)) : text;
}

std::string TreeFormatText(const fw::Value& value) {
    if (value.kind() == fw::Value::Kind::UInt32) {
        std::int64_t n = 0;
        value.toInt64(n);
        return FormatNumber(std::uint32_t(n));
    }
    return value.toText();
}

int CompareNodes(const TNodeData& row1, const TNodeData& row2, const TKindSettings& column) {
    return core::CompareCellSortKeys(SortKey(row1, column, directCollation),
                                     SortKey(row2, column, directCollation), directCollation);
}

void SortRows(core::TreeModel<TNodeData>& rows, const TKindSettings& column, bool ascending) {
    rows.sortByKey([&](const TNodeData& row) { return SortKey(row, column, sortKeyCollation); },
                   [&](const core::CellSortKey& a, const core::CellSortKey& b) {
                       int order = core::CompareCellSortKeys(a, b, sortKeyCollation);
                       return ascending ? order < 0 : order > 0;
                   });
}
