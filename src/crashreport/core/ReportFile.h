#pragma once
// The bug-report file's rules: its name, where a relative name lives, and where a grown file is cut.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace jov {

// The configured name with every "%appname%" replaced by the module's file name without folder and
// without its extension.
std::string BugReportFileName(std::string_view configured, std::string_view modulePath);

// Relative: shorter than 3 characters, or neither a leading "\" nor a drive's ":" in second place.
bool IsRelativeReportName(std::string_view name);

// The folder of a path, up to and including its last "\" (empty when it has none).
std::string FolderOf(std::string_view path);

// Where a file grown past `cap` is cut so that whole reports are dropped from its start: the offset of the
// first report header ("date/time" at the start of the file or right after CR LF) behind which less than
// cap - cap / 4 bytes remain. -1 when the file stays as it is (cap 0 or less, small enough, or no such
// header).
long long ReportTrimOffset(std::span<const char> file, long long cap);

// The printed page: margins and text area in device pixels from the printer's capabilities.
struct PrintLayout {
    int Top = 0, Bottom = 0, Left = 0, Width = 0;
};
struct PrinterCaps {
    int HorzRes = 0, VertRes = 0, HorzSize = 0, VertSize = 0, OffsetX = 0, OffsetY = 0;
};
// 1 cm at the top (and twice that kept free at the bottom), 2 cm at the left, 1 cm at the right; a
// device that reports no size in millimetres divides nothing by zero.
PrintLayout ComputePrintLayout(const PrinterCaps& caps);

} // namespace jov
