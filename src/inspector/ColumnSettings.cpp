#include "ColumnSettings.h"
#include "core/DisplayFormat.h"
#include "framework/Exceptions.h"
#include "framework/Registry.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

const TListKindNames kindNames[ListTypeCount] = {
    {"WindowProperties", "Windows", "Handle"},   {"ProcessProperties", "Processes", "ProcessID"},
    {"ThreadProperties", "Threads", "ThreadID"}, {"ModuleProperties", "Modules", "ModuleName"},
    {"ServiceProperties", "Services", "Name"},
};

const std::vector<const char*> defaultColumns[ListTypeCount] = {
    {"Handle", "WindowText", "ClassName"},
    {"ProcessID", "ModuleName", "ModulePath"},
    {"ThreadID", "ModuleName", "ModulePath"},
    {"ModuleName", "ModulePath"},
    {"Name", "DisplayName", "Description", "Started"},
};

const char* const decimalColumns[] = {
    "ThreadCount",
    "GDIObjects",
    "UserObjects",
    "PageFaults",
    "PrivatePageCount",
    "PageFileUsage",
    "PeakPageFileUsage",
    "WorkingSetSize",
    "PeakWorkingSetSize",
    "QuotaPagedPoolUsage",
    "QuotaNonPagedPoolUsage",
    "QuotaPeakPagedPoolUsage",
    "QuotaPeakNonPagedPoolUsage",
    "VirtualSize",
    "PeakVirtualSize",
    "MaximumWorkingSetSize",
    "MinimumWorkingSetSize",
    "WriteOperationCount",
    "WriteTransferCount",
    "ReadOperationCount",
    "ReadTransferCount",
    "OtherOperationCount",
    "OtherTransferCount",
    "Priority",
    "PriorityBase",
    "CheckPoint",
    "WindowBytes",
};

std::string SubKeyPath(const std::string& key, int kind) {
    return key + "\\" + kindNames[kind].SubKey;
}

// The run-time words of the stored record: meaningful only within this run, as the format says.
template <class P> std::uint32_t RuntimeWord(P pointer) {
    return std::uint32_t(reinterpret_cast<std::uintptr_t>(pointer));
}

void Bind(TColumnSetting& setting, const TPropertyInfo& property) {
    setting.Property = &property;
    setting.accessorKind = akGetter;
    setting.Formatter = ColumnFormatter(property.Name);
}

std::unique_ptr<TColumnSetting> DefaultSetting(int kind, const TPropertyInfo& property) {
    auto setting = std::make_unique<TColumnSetting>();
    setting->name = property.Name;
    const auto& defaults = defaultColumns[kind];
    auto it = std::find_if(defaults.begin(), defaults.end(),
                           [&](const char* name) { return setting->name == name; });
    if (it != defaults.end()) {
        setting->visible = true;
        setting->position = std::uint8_t(it - defaults.begin());
    }
    Bind(*setting, property);
    return setting;
}

// Keeps the records marked in `keep`.
void KeepRecords(TColumnSettingList& list, const std::vector<bool>& keep) {
    TColumnSettingList kept;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (keep[i]) kept.push_back(std::move(list[i]));
    list = std::move(kept);
}

std::vector<const core::ColumnRecord*> Records(const TColumnSettingList& list) {
    std::vector<const core::ColumnRecord*> records;
    for (const auto& setting : list) records.push_back(setting.get());
    return records;
}

// The stored records of one kind; false on a damaged value. Of two records of one name, the one stored
// under its own name is the one the last exit wrote; the other is a stale copy.
bool ReadStoredSettings(const std::string& path, TColumnSettingList& list) {
    try {
        fw::Registry reg;
        if (!reg.openKey(path, true)) return false;
        std::vector<int> underOwnName;
        for (const std::string& name : reg.valueNames()) {
            std::uint8_t bytes[core::columnRecordSize];
            size_t size = reg.readBinaryData(name, bytes, sizeof bytes);
            auto setting = std::make_unique<TColumnSetting>();
            if (!core::DecodeColumnRecord(std::span(bytes, size), *setting)) return false;
            underOwnName.push_back(setting->name == name);
            list.push_back(std::move(setting));
        }
        KeepRecords(list, core::OneColumnRecordPerName(Records(list), underOwnName));
        return true;
    } catch (const fw::ERegistryException&) {
        return false;
    }
}

// A stale record whose name differs from a live one's only in letter case would overwrite it at exit.
void DropDuplicateNames(TColumnSettingList& list) {
    std::vector<int> live;
    for (const auto& setting : list) live.push_back(setting->Property != nullptr);
    KeepRecords(list, core::OneColumnRecordPerName(Records(list), live));
}

} // namespace

const TListKindNames& ListKindNames(TListTypes kind) {
    return kindNames[kind];
}

TColumnFormatter ColumnFormatter(const std::string& name) {
    if (name == "UserModeTime" || name == "KernelModeTime") return FormatDuration;
    if (name == "Version") return FormatVersion;
    for (const char* decimal : decimalColumns)
        if (name == decimal) return VariantToDecimalText;
    return nullptr;
}

std::vector<TColumnSetting*> ShownColumns(const TColumnSettingList& list) {
    std::vector<TColumnSetting*> shown;
    for (const auto& setting : list)
        if (setting->Shown()) shown.push_back(setting.get());
    std::stable_sort(shown.begin(), shown.end(), [](const TColumnSetting* a, const TColumnSetting* b) {
        return a->position < b->position;
    });
    return shown;
}

void LoadColumnSettings(TColumnSettingLists& lists, const std::string& key, bool reset) {
    if (!reset) {
        fw::Registry reg;
        for (int kind = 0; kind < ListTypeCount && !reset; ++kind)
            if (!reg.keyExists(SubKeyPath(key, kind))) reset = true;
    }
    for (int kind = 0; kind < ListTypeCount; ++kind) {
        TColumnSettingList& list = lists[kind];
        list.clear();
        if (!reset && !ReadStoredSettings(SubKeyPath(key, kind), list)) {
            reset = true;
            list.clear();
        }
        for (const TPropertyInfo& property : PropertyTable(TListTypes(kind))) {
            auto stored = std::find_if(list.begin(), list.end(),
                                       [&](const auto& setting) { return setting->name == property.Name; });
            if (stored != list.end())
                Bind(**stored, property);
            else
                list.push_back(DefaultSetting(kind, property));
        }
        DropDuplicateNames(list);
        std::vector<core::ColumnRecord*> bound;
        for (const auto& setting : list)
            if (setting->Property) bound.push_back(setting.get());
        core::NormalizeColumnPositions(bound);
    }
}

void SaveColumnSettings(TColumnSettingLists& lists, const std::string& key) {
    for (int kind = 0; kind < ListTypeCount; ++kind) {
        try {
            fw::Registry reg;
            if (reg.openKey(SubKeyPath(key, kind), true)) {
                for (const std::string& name : reg.valueNames()) reg.deleteValue(name);
                for (const auto& setting : lists[kind]) {
                    auto bytes = core::EncodeColumnRecord(*setting, RuntimeWord(setting->Property),
                                                          RuntimeWord(setting->Formatter));
                    reg.writeBinaryData(setting->name, bytes.data(), bytes.size());
                }
            }
        } catch (const fw::ERegistryException&) {
            // Only this kind's writing stops.
        }
        lists[kind].clear();
    }
}
