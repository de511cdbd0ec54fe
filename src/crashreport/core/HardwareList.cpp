#include "crashreport/core/HardwareList.h"

#include "crashreport/core/TextHelpers.h"

namespace jov {

void AddHardwareDevice(HardwareList& list, const std::string& className, const std::string& description,
                       const std::string& driverKey) {
    auto cls = list.begin();
    while (cls != list.end() && CompareTextNoCase(cls->Name, className) < 0) ++cls;
    // Names that differ only in case sort side by side: the exact one may be any of them.
    auto same = cls;
    while (same != list.end() && same->Name != className && CompareTextNoCase(same->Name, className) == 0)
        ++same;
    if (same != list.end() && same->Name == className)
        cls = same;
    else
        cls = list.insert(cls, HardwareClass{className, {}});
    auto device = cls->Devices.begin();
    while (device != cls->Devices.end() && CompareTextNoCase(device->Description, description) < 0) ++device;
    cls->Devices.insert(device, HardwareDevice{description, driverKey});
}

std::string DriverNote(std::string_view provider, std::string_view version, std::string_view date) {
    if (provider.empty() || provider[0] == '(' || SameTextNoCase(provider, "Microsoft")) return {};
    std::string value = TrimBlanksCopy(version);
    if (value.empty()) value = TrimBlanksCopy(date);
    return value.empty() ? std::string() : " (driver " + value + ")";
}

std::string HardwareSectionText(const HardwareList& list, DriverValueReader read) {
    std::string text = "hardware:";
    for (const HardwareClass& cls : list) {
        text += "\r\n+ " + cls.Name;
        for (const HardwareDevice& device : cls.Devices) {
            text += "\r\n  - " + device.Description;
            if (!device.DriverKey.empty())
                text +=
                    DriverNote(read(device.DriverKey, "ProviderName"),
                               read(device.DriverKey, "DriverVersion"), read(device.DriverKey, "DriverDate"));
        }
    }
    return text;
}

} // namespace jov
