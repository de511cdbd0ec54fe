#pragma once
// The texts of the bug report's header and module list, as pure functions of what the system reported.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jov {

// The label padded with blanks to 18 characters, ": ", the value and CR LF: every value starts in column 21.
std::string ReportLine(std::string_view label, std::string_view value);

// "2004-05-06 13:07": no seconds.
std::string ReportDateTime(int year, int month, int day, int hour, int minute);

// The processor line from "ProcessorNameString" of keys 0 to 15 (names[i], missing entries count as
// empty): none without a first name or with 16 named keys, else "processor" or "processors" with "Nx ".
std::string ProcessorLine(const std::vector<std::string>& names);

// Available "/" total " MB (free/total)", each rounded to the nearest MB.
std::string PhysicalMemoryText(uint64_t availableBytes, uint64_t totalBytes);

// "(C:) " and the free size; empty for the "\" of a network path.
std::string DiskFreeText(char driveLetter, uint64_t freeBytes, char decimalSeparator);

// The Windows drive's entry, then, when the executable lives on another drive, a blank and its entry.
std::string DiskLineValue(char windowsDrive, uint64_t windowsFree, char executableDrive,
                          uint64_t executableFree, char decimalSeparator);

// Whole seconds from a performance counter and its frequency; empty when either is 0.
std::string SystemUpTimeText(int64_t counter, int64_t frequency);

// The duration since the program's start, or under one second "N milliseconds".
std::string ProgramUpTimeText(int64_t milliseconds);

// "1024x768, 32 bit".
std::string DisplayModeText(int width, int height, int bitsPerPixel);

// "85/90 (gdi/user)".
std::string SystemResourcesText(unsigned gdi, unsigned user);

// "exception class" and, when the message differs from the class name, "exception message" cut to a
// sentence; no CR LF after the last line (the thread sections begin with one).
std::string ExceptionLines(std::string_view className, std::string_view message);

// One row of the module list; the folder without its trailing backslash.
struct ModuleRow {
    uint32_t Base = 0;
    std::string FileName, Version, Folder;
};
// "modules:" and one line per row in the given order: 8 hex digits, the name and version padded to the
// longest of each plus 1, then the folder with its trailing backslash.
std::string ModuleSection(const std::vector<ModuleRow>& rows);

} // namespace jov
