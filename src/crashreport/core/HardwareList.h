#pragma once
// The report's list of present devices grouped by class, both sorted case-insensitively.
#include <string>
#include <string_view>
#include <vector>

namespace jov {

struct HardwareDevice {
    std::string Description, DriverKey; // the driver key under HKEY_LOCAL_MACHINE, may be empty
};
struct HardwareClass {
    std::string Name;
    std::vector<HardwareDevice> Devices;
};
using HardwareList = std::vector<HardwareClass>;

// Before the first class (device) that compares greater or equal; a class of the same name is reused,
// equal devices stay side by side.
void AddHardwareDevice(HardwareList& list, const std::string& className, const std::string& description,
                       const std::string& driverKey);

// " (driver " version ")" for a driver of another maker than the system's; the date stands in for an
// empty version; empty when there is nothing to say.
std::string DriverNote(std::string_view provider, std::string_view version, std::string_view date);

// What the list needs from the registry: a driver key's text value, empty when missing.
using DriverValueReader = std::string (*)(const std::string& key, const char* value);

// "hardware:", then "+ " class and "  - " device lines; no trailing line break.
std::string HardwareSectionText(const HardwareList& list, DriverValueReader read);

} // namespace jov
