#include "InfoObjects.h"

#include "core/DisplayFormat.h"
#include "framework/OleException.h"

#include <wbemcli.h>

#include <cstring>
#include <stdexcept>

fw::Value TBasicInfo::ReadProperty(const std::string& name) {
    const TPropertyInfo* property = FindProperty(Properties(), name);
    if (!property) throw std::out_of_range("No property " + name);
    return Read(*property);
}

const TPropertyInfo* FindProperty(std::span<const TPropertyInfo> table, const std::string& name) {
    for (const TPropertyInfo& property : table)
        if (name == property.Name) return &property;
    return nullptr;
}

std::span<const TPropertyInfo> PropertyTable(TListTypes kind) {
    switch (kind) {
    case ltWindows:
        return TWindowInfoObject::Table();
    case ltProcesses:
        return TProcessInfoObject::Table();
    case ltThreads:
        return TThreadInfoObject::Table();
    case ltModules:
        return TModuleInfoObject::Table();
    case ltServices:
        return TServiceInfoObject::Table();
    }
    return {};
}

TBasicWMIInfo::TBasicWMIInfo(TListTypes kind, std::shared_ptr<fw::wmi::Services> services)
    : TBasicInfo(kind), Services(std::move(services)) {}

bool TBasicWMIInfo::TryReadWMI(const std::string& name, fw::Value& out) const {
    if (!WbemObject || !WbemObject->get(name, out)) return false;
    return !out.isNull();
}

std::uint32_t TBasicWMIInfo::InstanceID(const char* className) const {
    fw::Value handle;
    std::int64_t id = 0;
    if (!TryReadWMI("Handle", handle) || !handle.toInt64(id) || id < 0 || id > 0xFFFFFFFFll)
        throw fw::EOleException(WBEM_E_NOT_FOUND, std::string(className) + " without an ID");
    return static_cast<std::uint32_t>(id);
}

namespace {

fw::Value convert(const fw::Value& value, WmiConversion conversion) {
    switch (conversion) {
    case WmiConversion::AsIs:
        return value;
    case WmiConversion::Text:
        return value.toText();
    case WmiConversion::Int64:
    case WmiConversion::Signed: {
        std::int64_t n = 0;
        if (!value.toInt64(n)) return TextUnavailable;
        if (conversion == WmiConversion::Int64) return fw::Value::Int64(n);
        if (n < INT32_MIN || n > INT32_MAX) return TextUnavailable;
        return fw::Value::Int32(static_cast<std::int32_t>(n));
    }
    case WmiConversion::Directory:
        return ExtractFilePathDef(value.toText(), "");
    case WmiConversion::Date:
        return FormatCimDateTime(value.toText());
    }
    return value;
}

} // namespace

fw::Value TBasicWMIInfo::ReadWMIProperty(const std::string& name, const char* nullText,
                                         WmiConversion conversion) const {
    fw::Value value;
    if (!WbemObject || !WbemObject->get(name, value)) return TextUnavailable;
    if (value.isNull()) return nullText;
    return convert(value, conversion);
}
