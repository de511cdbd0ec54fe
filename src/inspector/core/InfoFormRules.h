#pragma once
// Rules of the detail windows that need no window: style names, the auto-update interval and how a
// failing refresh is reported.
#include "core/ConstNames.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace core {

// The names of the table's entries whose bits are all set in value, in table order. Entries of value 0
// therefore always apply; combined entries only when every one of their bits is present.
std::vector<std::string> StyleNames(std::uint32_t value, std::span<const ConstName> table);

// The auto-update interval in seconds: a typed value outside 1..60 is brought into it.
constexpr int MinUpdateSeconds = 1;
constexpr int MaxUpdateSeconds = 60;
constexpr int DefaultUpdateSeconds = 5;
int ClampUpdateSeconds(int seconds);
// The timer interval in milliseconds for a typed value.
unsigned UpdateIntervalMs(int seconds);

// A refresh that fails is reported once; the timer stops then, and a later successful refresh (the
// user's Refresh) re-arms the report.
class TRefreshFailure {
public:
    // True when this failure is to be reported (the first one since the last success).
    bool Failed();
    void Succeeded() { reported_ = false; }
    bool Reported() const { return reported_; }

private:
    bool reported_ = false;
};

// "Module:" of the process and thread windows: the path followed by the name, or the name alone when
// the path could not be read.
std::string ModuleFieldText(const std::string& modulePath, const std::string& moduleName);

// The name of a window property stored under an atom: the atom's name, or "#" and the atom in decimal
// when its name cannot be read (atomName empty).
std::string AtomPropertyName(std::uint16_t atom, const std::string& atomName);

} // namespace core
