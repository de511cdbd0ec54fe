#include "core/InfoFormRules.h"

#include "core/Placeholders.h"

#include <algorithm>

namespace core {

std::vector<std::string> StyleNames(std::uint32_t value, std::span<const ConstName> table) {
    std::vector<std::string> names;
    for (const ConstName& entry : table)
        if ((value & entry.value) == entry.value) names.emplace_back(entry.name);
    return names;
}

int ClampUpdateSeconds(int seconds) {
    return std::clamp(seconds, MinUpdateSeconds, MaxUpdateSeconds);
}

unsigned UpdateIntervalMs(int seconds) {
    return unsigned(ClampUpdateSeconds(seconds)) * 1000u;
}

bool TRefreshFailure::Failed() {
    if (reported_) return false;
    reported_ = true;
    return true;
}

std::string ModuleFieldText(const std::string& modulePath, const std::string& moduleName) {
    return modulePath == TextUnavailable ? moduleName : modulePath + moduleName;
}

std::string AtomPropertyName(std::uint16_t atom, const std::string& atomName) {
    return atomName.empty() ? "#" + std::to_string(atom) : atomName;
}

} // namespace core
