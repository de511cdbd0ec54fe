#include "core/CellValues.h"

namespace core {

namespace {

template <class T> int Order(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

const std::string& MixedText(const CellSortKey& key, const Collation& collation) {
    if (!key.mixedText) key.mixedText = collation.key(key.value->toText());
    return *key.mixedText;
}

} // namespace

std::string CellValueText(const fw::Value& value, ValueFormatter formatter, const ValueText& formatText) {
    if (value.kind() == fw::Value::Kind::Text) return value.text();
    if (formatter) return formatter(value);
    if (formatText) return formatText(value);
    return value.toText();
}

std::string_view FileNamePart(std::string_view path) {
    std::size_t delimiter = path.find_last_of("\\:");
    return delimiter == std::string_view::npos ? path : path.substr(delimiter + 1);
}

CellSortKey MakeCellSortKey(int rowKind, const fw::Value* value, bool fileNameOnly,
                            const Collation& collation) {
    CellSortKey key;
    key.rowKind = rowKind;
    key.value = value;
    if (!value) return key;
    if (value->kind() == fw::Value::Kind::Text)
        key.text = collation.key(fileNameOnly ? FileNamePart(value->text()) : value->text());
    else if (value->kind() == fw::Value::Kind::WmiText)
        key.text = collation.key(value->text());
    return key;
}

int CompareCellSortKeys(const CellSortKey& a, const CellSortKey& b, const Collation& collation) {
    if (a.rowKind != b.rowKind || !a.value || !b.value) return 0;
    const fw::Value& x = *a.value;
    const fw::Value& y = *b.value;
    if (x.kind() != y.kind()) return -collation.compare(MixedText(a, collation), MixedText(b, collation));
    switch (x.kind()) {
    case fw::Value::Kind::Int32:
    case fw::Value::Kind::UInt32:
    case fw::Value::Kind::Int64: {
        std::int64_t m = 0, n = 0;
        if (!x.toInt64(m) || !y.toInt64(n)) return 0;
        return -Order(m, n);
    }
    case fw::Value::Kind::Text:
    case fw::Value::Kind::WmiText:
        return -collation.compare(a.text, b.text);
    default:
        return Order(fw::Value::compare(x, y), 0);
    }
}

} // namespace core
