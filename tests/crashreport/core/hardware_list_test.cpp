#include <gtest/gtest.h>
#include "crashreport/core/HardwareList.h"

#include <map>
#include <string>

using namespace jov;

namespace {

std::map<std::string, std::string> registry;

std::string ReadValue(const std::string& key, const char* value) {
    auto it = registry.find(key + "|" + value);
    return it == registry.end() ? std::string() : it->second;
}

} // namespace

TEST(HardwareList, SortedCaseInsensitivelyWithEqualDevicesSideBySide) {
    HardwareList list;
    AddHardwareDevice(list, "System devices", "PCI bus", "");
    AddHardwareDevice(list, "Display adapters", "Vga", "k1");
    AddHardwareDevice(list, "system devices", "other case", "");
    AddHardwareDevice(list, "System devices", "ACPI", "");
    AddHardwareDevice(list, "System devices", "pci bus", "k2");
    AddHardwareDevice(list, "Display adapters", "vga", "");
    registry = {{"k1|ProviderName", "Maker"},
                {"k1|DriverVersion", " 1.2 "},
                {"k2|ProviderName", "microsoft"},
                {"k2|DriverVersion", "9"}};
    EXPECT_EQ(HardwareSectionText(list, ReadValue), "hardware:\r\n"
                                                    "+ Display adapters\r\n"
                                                    "  - vga\r\n"
                                                    "  - Vga (driver 1.2)\r\n"
                                                    "+ system devices\r\n"
                                                    "  - other case\r\n"
                                                    "+ System devices\r\n"
                                                    "  - ACPI\r\n"
                                                    "  - pci bus\r\n"
                                                    "  - PCI bus");
    EXPECT_EQ(HardwareSectionText({}, ReadValue), "hardware:");
}

TEST(HardwareList, DriverNotes) {
    struct {
        const char *provider, *version, *date, *note;
    } cases[] = {
        {"Maker", "1.0", "1/1/2020", " (driver 1.0)"},
        {"Maker", "", "1/1/2020", " (driver 1/1/2020)"},
        {"Maker", " ", "", ""},
        {"", "1.0", "", ""},
        {"(Standard)", "1.0", "", ""},
        {"MICROSOFT", "1.0", "", ""},
    };
    for (auto& c : cases) EXPECT_EQ(DriverNote(c.provider, c.version, c.date), c.note) << c.provider;
}
