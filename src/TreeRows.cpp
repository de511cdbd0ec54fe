#include "TreeRows.h"
#include "core/NumberFormat.h"

#include <windows.h>

namespace {

const char* const moduleNameColumn = "ModuleName";

bool IsModuleName(const TColumnSetting& setting) {
    return setting.name == moduleNameColumn;
}

// The part after the last path delimiter, without copying: sorting compares it often.
std::string_view FileNamePart(std::string_view path) {
    size_t delimiter = path.find_last_of("\\:");
    return delimiter == std::string_view::npos ? path : path.substr(delimiter + 1);
}

template <class T> int Order(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

int CompareAsTexts(std::string_view a, std::string_view b) {
    return -CompareTextNoCase(a, b);
}

// Two values of one integer kind.
int CompareIntegers(const fw::Value& a, const fw::Value& b) {
    std::int64_t x = 0, y = 0;
    if (!a.toInt64(x) || !b.toInt64(y)) return 0;
    return -Order(x, y);
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
    const fw::Value& value = row.Cells[i].Value;
    std::string text;
    if (value.isText())
        text = value.text();
    else if (setting->Formatter)
        text = setting->Formatter(value);
    else if (formatText)
        text = formatText(value);
    else
        text = value.toText();
    return IsModuleName(*setting) ? std::string(FileNamePart(text)) : text;
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
    if (row1.Kind != row2.Kind) return 0;
    const TColumnSetting* setting = column[row1.Kind];
    if (!setting || row1.Cells.empty() || row2.Cells.empty()) return 0;
    int i = FindCell(row1, setting);
    if (i < 0 || i >= row2.Count()) return 0;
    const fw::Value& a = row1.Cells[i].Value;
    const fw::Value& b = row2.Cells[i].Value;
    if (a.kind() != b.kind()) return CompareAsTexts(a.toText(), b.toText());
    switch (a.kind()) {
    case fw::Value::Kind::Int32:
    case fw::Value::Kind::UInt32:
    case fw::Value::Kind::Int64:
        return CompareIntegers(a, b);
    case fw::Value::Kind::Text:
        return IsModuleName(*setting) ? CompareAsTexts(FileNamePart(a.text()), FileNamePart(b.text()))
                                      : CompareAsTexts(a.text(), b.text());
    default:
        return Order(fw::Value::compare(a, b), 0);
    }
}
