#include "crashreport/core/ReportText.h"

#include "crashreport/core/DurationText.h"
#include "crashreport/core/ExceptionTexts.h"
#include "crashreport/core/NumberText.h"
#include "crashreport/core/TextHelpers.h"

#include <algorithm>
#include <cctype>

namespace jov {

std::string ReportLine(std::string_view label, std::string_view value) {
    std::string line = PadStr(label, -18, ' ');
    line += ": ";
    line += value;
    line += "\r\n";
    return line;
}

std::string ReportDateTime(int year, int month, int day, int hour, int minute) {
    return FormatInt(year, 4, '0') + "-" + FormatInt(month, 2, '0') + "-" + FormatInt(day, 2, '0') + " " +
           FormatInt(hour, 2, '0') + ":" + FormatInt(minute, 2, '0');
}

std::string ProcessorLine(const std::vector<std::string>& names) {
    auto nameAt = [&](size_t i) { return i < names.size() ? names[i] : std::string(); };
    if (nameAt(0).empty()) return {};
    for (size_t i = 1; i < 16; ++i) {
        if (!nameAt(i).empty()) continue;
        const std::string name = TrimBlanksCopy(nameAt(0));
        if (i == 1) return ReportLine("processor", name);
        return ReportLine("processors", FormatInt(static_cast<int32_t>(i)) + "x " + name);
    }
    return {};
}

std::string PhysicalMemoryText(uint64_t availableBytes, uint64_t totalBytes) {
    constexpr uint64_t mb = 1024 * 1024;
    return FormatInt64(static_cast<int64_t>((availableBytes + mb / 2) / mb)) + "/" +
           FormatInt64(static_cast<int64_t>((totalBytes + mb / 2) / mb)) + " MB (free/total)";
}

std::string DiskFreeText(char driveLetter, uint64_t freeBytes, char decimalSeparator) {
    if (driveLetter == '\\') return {};
    return std::string("(") + static_cast<char>(std::toupper(static_cast<unsigned char>(driveLetter))) +
           ":) " + FormatByteSize(freeBytes, decimalSeparator);
}

std::string DiskLineValue(char windowsDrive, uint64_t windowsFree, char executableDrive,
                          uint64_t executableFree, char decimalSeparator) {
    std::string value = DiskFreeText(windowsDrive, windowsFree, decimalSeparator);
    if (std::toupper(static_cast<unsigned char>(executableDrive)) !=
        std::toupper(static_cast<unsigned char>(windowsDrive))) {
        const std::string second = DiskFreeText(executableDrive, executableFree, decimalSeparator);
        if (!second.empty()) value += " " + second;
    }
    return value;
}

std::string SystemUpTimeText(int64_t counter, int64_t frequency) {
    if (counter == 0 || frequency == 0) return {};
    return DurationText(counter / frequency);
}

std::string ProgramUpTimeText(int64_t milliseconds) {
    std::string text = DurationText(milliseconds / 1000);
    if (text.empty()) text = FormatInt64(milliseconds) + " milliseconds";
    return text;
}

std::string DisplayModeText(int width, int height, int bitsPerPixel) {
    return FormatInt(width) + "x" + FormatInt(height) + ", " + FormatInt(bitsPerPixel) + " bit";
}

std::string SystemResourcesText(unsigned gdi, unsigned user) {
    return FormatCardinal(gdi, 2, '0') + "/" + FormatCardinal(user, 2, '0') + " (gdi/user)";
}

std::string ExceptionLines(std::string_view className, std::string_view message) {
    std::string text = PadStr("exception class", -18, ' ') + ": " + std::string(className);
    if (message != className)
        text += "\r\n" + PadStr("exception message", -18, ' ') + ": " + MessageSentence(message);
    return text;
}

std::string ModuleSection(const std::vector<ModuleRow>& rows) {
    size_t nameWidth = 0, versionWidth = 0;
    for (const ModuleRow& row : rows) {
        nameWidth = std::max(nameWidth, row.FileName.size());
        versionWidth = std::max(versionWidth, row.Version.size());
    }
    std::string text = "modules:";
    for (const ModuleRow& row : rows) {
        text += "\r\n";
        text += FormatHex(row.Base, 8, '0').substr(1);
        text += " ";
        text += PadStr(row.FileName, -static_cast<int>(nameWidth + 1), ' ');
        text += PadStr(row.Version, -static_cast<int>(versionWidth + 1), ' ');
        text += row.Folder;
        if (!row.Folder.empty()) text += '\\';
    }
    return text;
}

} // namespace jov
